// make_codes COUNT [SEED [PER_RESULT]]: prints COUNT distinct genuine highscore codes, one a
// line, as "code points type givens set", for tests and the load run. Every result is one a
// game of the settings panel can leave; the same seed gives the same codes. With PER_RESULT,
// each result comes with that many codes in a row (the highscore window makes a new code
// each time it is shown).
#include "core/highscore_code.h"
#include "tests/support/highscores/offered_games.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace vantrell;

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make_codes COUNT [SEED [PER_RESULT]]\n");
        return 2;
    }
    const long count = std::strtol(argv[1], nullptr, 10);
    std::mt19937 random(argc >= 3 ? unsigned(std::strtoul(argv[2], nullptr, 10)) : 1u);
    const long perResult = argc == 4 ? std::max(1L, std::strtol(argv[3], nullptr, 10)) : 1;

    // Every game the panel offers that can reach the bar, with its starting points.
    const std::vector<OfferedGame> games = offeredHighscoreGames();
    std::set<std::string> seen;
    while (long(seen.size()) < count) {
        const auto &[type, givens, set, start] = games[random() % games.size()];
        const int points = kHighscoreBar + int(random() % unsigned(start - kHighscoreBar + 1));
        for (long k = 0; k < perResult && long(seen.size()) < count; ++k) {
            const auto code = buildHighscoreCode(points, type, givens, std::string(1, set),
                                                 [&random](int n) { return int(random() % unsigned(n)); });
            if (code && seen.insert(*code).second)
                std::printf("%s %d %d %d %c\n", code->c_str(), points, type, givens, set);
        }
    }
    return 0;
}
