#include "ui/show_window.h"

#include <QGuiApplication>
#include <QScreen>

namespace vantrell {

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size().expandedTo(window->size());
    window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

} // namespace vantrell
