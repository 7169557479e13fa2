// The main window's own measures and colours, shared by its two source files.
#pragma once

#include <QColor>

namespace vantrell::prog {

inline const QColor kWindowColour(236, 233, 216);
inline const QColor kMaroon(128, 0, 0);
inline constexpr int kClientWidth = 737;
inline constexpr int kClientHeight = 582;
inline constexpr int kStatusHeight = 19;
inline constexpr int kHelpMemoHeight = 71;
inline constexpr int kHelpBoxHeight = 97;
inline constexpr int kColumnGap = 8; // between the lowest group box and the status bar

} // namespace vantrell::prog
