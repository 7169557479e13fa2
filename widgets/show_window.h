// Showing a window so that it also becomes the active one (without a window manager Qt
// does not activate a window on show).
#pragma once

#include <QGuiApplication>
#include <QWidget>

namespace vantrell {

inline void showActive(QWidget *window)
{
    // A minimised window comes back too: show() alone would leave it minimised.
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

// Centres a top-level window on the screen it is on.
void centreOnScreen(QWidget *window);

// Sends what the program has asked of the window system so far (a window's opacity, for
// one) on its way now, rather than with the next input that happens to arrive.
void flushWindowSystem();

// The busy cursor over all the program's windows for as long as it lives: while a puzzle or
// a page is built, or the print service is asked. It goes however the work ends.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace vantrell
