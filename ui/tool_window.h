// Window flags of the game's small windows.
#pragma once

#include <Qt>

namespace vantrell {

// A tool window with a caption but no caption buttons, always on top.
inline constexpr Qt::WindowFlags kCaptionOnlyToolWindow =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;

// A tool window with a close button, always on top.
inline constexpr Qt::WindowFlags kClosableToolWindow =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;

} // namespace vantrell
