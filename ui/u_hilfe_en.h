#pragma once

#include "ui/help_book.h"

namespace vantrell {

// The English help window.
class Thilfe_en : public HelpBook {
    Q_OBJECT
public:
    explicit Thilfe_en(QWidget *parent = nullptr);

    void btien1Click() { previousPage(); }
    void btien2Click() { nextPage(); }
};

} // namespace vantrell
