// What a screen reader says of the board and its cells, in the interface language.
#pragma once

#include "core/game_state.h"

#include <QString>
#include <array>

namespace vantrell {

struct BoardSpeech {
    QString board;        // the board's name
    QString keys;         // its description: the keys that play it
    QString cell;         // "Row %1, column %2: %3"
    QString given;        // "%1, given"
    QString empty;        // an empty cell with all its candidates struck out
    QString candidates;   // "empty, candidates %1"
    QString separator;    // between listed candidates
    std::array<QString, 9> symbols; // spoken names of the symbol set's elements 1..9
};

// How element v (1..9) of the set reads: digits for the number sets, A..I for the letters,
// a name for each symbol.
QString spokenElement(char elemente, int v, const BoardSpeech &speech);

// The name of cell (x, y): its row and column, then its value (and whether it is given), or
// for an empty cell the candidates it still shows (neither struck out nor locked).
QString spokenCell(const GameState &state, int x, int y, const BoardSpeech &speech);

} // namespace vantrell
