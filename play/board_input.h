// What a mouse click or a key on the board does to the game.
#pragma once

#include "core/game_state.h"
#include "core/play_history.h"
#include "play/board_keys.h"

#include <optional>

namespace vantrell {

enum class BoardButton { Left, Right, Middle };

struct CellHit {
    int x = 0;  // column 1..n
    int y = 0;  // row 1..n
    int sx = 0; // sub-square 1..3 across
    int sy = 0; // sub-square 1..3 down
    int value() const { return sx + 3 * (sy - 1); }
};

// The cell and sub-square under board pixel (px, py); nothing outside the n x n board.
std::optional<CellHit> locateClick(int px, int py, int n);

// Left enters the sub-square's value into an empty cell (unless locked) or empties a filled
// one; right toggles the mark (unless locked); given cells and the middle button change nothing.
void applyClick(GameState &state, BoardButton button, const CellHit &hit);

// The sub-square of value v (1..9) in cell (x, y).
CellHit subSquareOf(int x, int y, int v);

// A key's command on cell (x, y), played through the clicks on the element's sub-square:
// Enter as a left click (a filled cell takes the new value instead of emptying), Mark as a
// right click, Clear as the left click that empties a filled cell. Moves change nothing.
void applyKey(GameState &state, const BoardKeyCommand &command, int x, int y);

// What a click or a key would change in its cell, as one step of the game's history.
CellChange clickChange(const GameState &state, BoardButton button, const CellHit &hit);
CellChange keyChange(const GameState &state, const BoardKeyCommand &command, int x, int y);

} // namespace vantrell
