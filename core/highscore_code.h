// The 23-digit highscore code.
//
// The code hides the points, the game type, the number of given cells and the element set
// among random and check digits. Plain C++ over std::string: the game, the highscore
// service, the decoder tool and the fuzzers all read it through this one implementation.
#pragma once

#include "core/points.h"
#include "core/random.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantrell {

// Points the code can carry. The lower end is the highscore bar; the upper end is what five
// digits hold. The decoder holds each result to the starting points of its own game.
inline constexpr int kCodeMinPunkte = kHighscoreBar;
inline constexpr int kCodeMaxPunkte = 99999;

inline constexpr int kCodeLength = 23;

// Builds the code of one result. random(k) must return 0..k-1 (other values are folded
// into that range); it is asked for 78 once (the random pair) and then for 8 four times.
// Returns nullopt when the result cannot be encoded: punkte outside
// kCodeMinPunkte..kCodeMaxPunkte, spielart outside 1..9, aufgedeckt outside 0..99, or an
// element letter other than exactly "R", "B", "S", "K" or "C".
std::optional<std::string> buildHighscoreCode(int punkte, int spielart, int aufgedeckt,
                                              std::string_view elemente,
                                              const std::function<int(int)> &random = Random);

// Why a code was not accepted, in the order the checks run.
enum class CodeProblem {
    None,
    Form,          // not exactly 23 ASCII digits
    CheckDigits,   // the two trailing check digits do not match
    DigitSum,      // the inner check digits do not match
    RandomDigits,  // a random digit or the random pair out of its range
    ElementSet,    // no element set has this digit
    GameType,      // no game type has this digit (0 or 2)
    Punkte,        // the points part is no encoded points value in range
    GivenCells,    // the settings offer no game of this type, count and element set
    AboveStart,    // more points than that game starts with
};

struct DecodedHighscoreCode {
    CodeProblem problem = CodeProblem::None;
    std::string reason; // English, empty when the code is valid
    int punkte = 0;
    int spielart = 0;
    int aufgedeckt = 0;
    char elemente = '\0'; // 'R', 'B', 'S', 'K' or 'C'

    bool valid() const { return problem == CodeProblem::None; }
};

// Reads a code the way the highscore page does: checks form, check digits, the ranges of
// the random digits and every embedded value, then holds the values to the game's rules
// (a game the settings offer, points from the highscore bar up to that game's starting
// points). Returns the values, or the first problem and no values.
DecodedHighscoreCode decodeHighscoreCode(std::string_view code);

} // namespace vantrell
