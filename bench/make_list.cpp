// make_list COUNT [SEED]: a highscore list of COUNT codes as the import reads it, one JSON
// line a code, for the load runs at any size. Players come back with several results, a
// result now and then with a second code, and entries share points and milliseconds as a
// busy list does, so that ties are ranked by time and id. The same seed gives the same list.
#include "core/highscore_code.h"
#include "tests/support/highscores/offered_games.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

using namespace vantrell;

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_list COUNT [SEED]\n");
        return 2;
    }
    const long count = std::strtol(argv[1], nullptr, 10);
    std::mt19937_64 random(argc == 3 ? std::strtoull(argv[2], nullptr, 10) : 1u);

    const std::vector<OfferedGame> games = offeredHighscoreGames();
    // Codes are told apart by a hash of their digits: a rare false match only skips a code.
    std::unordered_set<std::size_t> seen;
    seen.reserve(std::size_t(count));
    const long players = count / 3 + 1;
    std::int64_t ms = 1'700'000'000'000; // late 2023, one millisecond per three codes
    std::string lastName, lastCode;
    int lastPoints = 0, lastType = 0, lastGivens = 0;
    char lastSet = 'B';
    for (long written = 0; written < count;) {
        std::string name;
        int points = 0, type = 0, givens = 0;
        char set = 'B';
        if (written > 0 && random() % 20 == 0) {
            // The same result again, with the new code the highscore window made.
            std::tie(name, points, type, givens, set) = std::tie(lastName, lastPoints, lastType, lastGivens, lastSet);
        } else {
            const auto &[t, g, s, start] = games[random() % games.size()];
            type = t, givens = g, set = s;
            // Most results lie well below what a game starts with: time costs points.
            const double u = std::uniform_real_distribution<double>(0, 1)(random);
            points = kHighscoreBar + int(u * u * (start - kHighscoreBar));
            name = "Player " + std::to_string(random() % players);
        }
        const auto code = buildHighscoreCode(points, type, givens, std::string(1, set),
                                             [&random](int k) { return int(random() % unsigned(k)); });
        if (!code || !seen.insert(std::hash<std::string>()(*code)).second)
            continue;
        if (written % 3 == 0)
            ++ms;
        const std::time_t seconds = std::time_t(ms / 1000);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
        std::printf("{\"name\":\"%s\",\"code\":\"%s\",\"entered\":\"%s.%03dZ\"}\n", name.c_str(), code->c_str(), stamp,
                    int(ms % 1000));
        std::tie(lastName, lastPoints, lastType, lastGivens, lastSet) = std::tie(name, points, type, givens, set);
        ++written;
    }
    return 0;
}
