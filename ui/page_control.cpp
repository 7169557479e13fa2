#include "ui/page_control.h"

namespace vantrell {

PageControl::PageControl(QWidget *parent) : QTabWidget(parent)
{
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (!programmatic_)
            emit userChangedPage(index);
    });
}

void PageControl::selectPage(int index)
{
    programmatic_ = true;
    setCurrentIndex(index);
    programmatic_ = false;
}

} // namespace vantrell
