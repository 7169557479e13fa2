// Turning a solution into a puzzle, and deciding whether the player's grid is solved.
#pragma once

#include "core/game_state.h"
#include "core/random.h"

#include <functional>

namespace vantrell {

// Chooses aufgedeckt distinct cells at random, copies their solution values into vorgabe
// and starts eingabe as a copy of vorgabe. A count above n*n gives every cell; a negative
// count gives none.
void Spiel3Vorbereiten(GameState &state, const std::function<int(int)> &random = Random);

// True when every board cell holds a value 1..n, every column and row holds each value
// once, and on the classic type every 3x3 block too. Another valid filling than loesung
// counts as solved.
bool Pruefen(const GameState &state);

} // namespace vantrell
