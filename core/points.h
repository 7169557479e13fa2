// Points of a game.
#pragma once

#include <cstdint>

namespace vantrell {

inline constexpr std::int32_t kHighscoreBar = 25541; // lowest result that may enter the highscore

// n(n-1)(n-2)(100-a), 3000 less on the classic board, 100(n-2)^2 more with the symbols.
// Counts far outside the offered range saturate instead of overflowing.
std::int32_t startingPoints(std::int32_t n, std::int32_t aufgedeckt, std::int32_t spielart, char elemente);

// One clock tick costs one point.
std::int32_t pointsAfterTick(std::int32_t punkte);

} // namespace vantrell
