#include "widgets/show_window.h"

#include "widgets/x11_connection.h"

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

void flushWindowSystem()
{
#ifdef VANTRELL_X11
    // Qt's X11 requests wait in the connection's buffer until the event loop next reads an
    // event from the server, which can be seconds when nothing else happens.
    if (xcb_connection_t *connection = x11Connection())
        xcb_flush(connection);
#endif
}

} // namespace vantrell
