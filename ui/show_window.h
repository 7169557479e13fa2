// Showing a window so that it also becomes the active one (without a window manager Qt
// does not activate a window on show).
#pragma once

#include <QWidget>

namespace vantrell {

inline void showActive(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

// Centres a top-level window on the screen it is on.
void centreOnScreen(QWidget *window);

} // namespace vantrell
