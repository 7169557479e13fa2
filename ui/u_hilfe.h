#pragma once

#include "ui/help_book.h"

namespace vantrell {

// The German help window.
class Thilfe : public HelpBook {
    Q_OBJECT
public:
    explicit Thilfe(QWidget *parent = nullptr);

    void btide1Click() { previousPage(); }
    void btide2Click() { nextPage(); }
};

} // namespace vantrell
