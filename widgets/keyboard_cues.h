// Whether the player is working with the keyboard. Focus frames and the board's focus
// outline show only then, so a player who uses the mouse alone never sees them.
#pragma once

class QPainter;
class QRect;
class QWidget;

namespace vantrell {

// Watches the program's input from now on (once; later calls do nothing): a key press
// turns the cues on, a mouse press turns them off again.
void watchKeyboardUse();

bool keyboardInUse();
void setKeyboardInUse(bool on);

// Whether `widget` should show that it has the focus: it has it, and the keyboard is in use.
bool showsFocusCue(const QWidget *widget);

// The focus frame of the game's picture controls and links: a dotted line on the edge
// pixels of `area`.
void drawFocusFrame(QPainter &painter, const QRect &area);

} // namespace vantrell
