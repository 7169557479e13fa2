// What a key does on the board: it moves the focus cell, or it plays the focus cell as a
// click on one of the cell's sub-squares would.
#pragma once

#include <QString>
#include <Qt>

namespace vantrell {

enum class KeyCommand { None, Move, Enter, Clear, Mark };

struct BoardKeyCommand {
    KeyCommand command = KeyCommand::None;
    int x = 0;     // Move: the new focus cell (column, row, 1..n)
    int y = 0;
    int value = 0; // Enter, Mark: the element's value 1..9
};

struct BoardKeyPress {
    int key = 0; // a Qt::Key
    Qt::KeyboardModifiers modifiers;
    // The digit on the number-row key that was pressed (see numberRowDigit), -1 for any
    // other key.
    int numberRowDigit = -1;
};

// The command of a key on a board of side n whose focus cell is (x, y):
//   arrows move by one cell and stop at the edges; Home/End go to the row's ends,
//   Ctrl+Home/End to the corners, Page Up/Down to the column's ends;
//   1..9 (with the letter set also A..I) enter the element, with Shift or Ctrl they mark it;
//   Delete, Backspace and 0 empty the cell. Keys with Alt or Meta belong to the window.
BoardKeyCommand boardKeyCommand(const BoardKeyPress &press, int x, int y, int n, char elemente);

// The digit printed on a key of the number row, from the platform's code for the key
// itself, -1 for other keys. Shifted, those keys arrive as whatever the layout puts above
// the digit ("!" on one, "&" on another), so Shift+digit is known by the key alone.
int numberRowDigit(const QString &platform, quint32 nativeScanCode, quint32 nativeVirtualKey);

} // namespace vantrell
