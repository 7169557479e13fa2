#include "widgets/page_control.h"

#include <QEvent>

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

void PageControl::changeEvent(QEvent *event)
{
    QTabWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        emit enabledChanged();
}

} // namespace vantrell
