// The English panel of our other programs.
#pragma once

#include "ui/template_software_de.h"

namespace vantrell {

class TFrame2 : public SoftwarePanel {
    Q_OBJECT
public:
    explicit TFrame2(QWidget *parent = nullptr);
};

} // namespace vantrell
