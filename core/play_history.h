// The player's changes to the board in the running game, so that they can be taken back
// and brought back, step by step.
#pragma once

#include "core/game_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantrell {

// What the player may change in one cell: its value and its struck candidates.
struct CellContent {
    std::int32_t value = 0;
    std::array<std::uint8_t, 9> marks{}; // by value 1..9, at index value - 1
    bool operator==(const CellContent &) const = default;
};

CellContent cellContent(const GameState &state, int x, int y);

// One click or one key on cell (x, y): everything it changed there at once, so a value
// with the marks it hides is one step.
struct CellChange {
    int x = 0;
    int y = 0;
    CellContent before;
    CellContent after;
    bool changesNothing() const { return before == after; }
};

class PlayHistory {
public:
    // A new game (or a new board for the print page): nothing to take back.
    void clear();

    // Applies the player's change to the state. A change is kept only when it changes
    // something, and then whatever could have been redone is gone.
    void play(GameState &state, const CellChange &change);
    // Takes back the last change, or brings back the last one taken back; the change that
    // was applied (its cell is where the focus goes), nothing when there is none.
    std::optional<CellChange> undo(GameState &state);
    std::optional<CellChange> redo(GameState &state);

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }

private:
    std::vector<CellChange> steps_; // the changes in order; the first done_ are in force
    std::size_t done_ = 0;
};

} // namespace vantrell
