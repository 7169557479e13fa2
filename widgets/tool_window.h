// Window flags of the game's small windows.
#pragma once

#include <Qt>

class QWidget;

namespace vantrell {

// A tool window with a caption but no caption buttons, always on top.
inline constexpr Qt::WindowFlags kCaptionOnlyToolWindow =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;

// A tool window with a close button, always on top.
inline constexpr Qt::WindowFlags kClosableToolWindow =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

// For a kCaptionOnlyToolWindow that the player must answer before the game goes on: the
// window manager is told to offer neither close, minimise nor maximise (the window flags
// alone do not say so on X11), and a minimise that happens anyway is undone at once, so
// the window cannot get lost while the main window waits for it.
void keepCaptionOnly(QWidget *window);

} // namespace vantrell
