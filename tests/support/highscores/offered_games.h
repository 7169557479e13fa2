// Every game the settings panel offers whose start reaches the highscore bar, with the points
// it starts with: the results that genuine codes of the tests and the load runs carry.
#pragma once

#include "core/points.h"
#include "core/settings.h"

#include <vector>

struct OfferedGame {
    int type;
    int givens;
    char set;
    int start; // points when the clock starts
};

inline std::vector<OfferedGame> offeredHighscoreGames()
{
    std::vector<OfferedGame> games;
    for (int type : {1, 8, 9})
        for (int givens = 0; givens <= 81; ++givens)
            for (char set : {'R', 'B', 'S', 'K', 'C'})
                if (vantrell::settingsOfferGame(type, givens, set)) {
                    const int start = vantrell::startingPoints(vantrell::sideLength(type), givens, type, set);
                    if (start >= vantrell::kHighscoreBar)
                        games.push_back({type, givens, set, start});
                }
    return games;
}
