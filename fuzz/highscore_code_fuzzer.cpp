// The highscore code from both ends.
//
// The input as a code: whatever the highscore page may be handed must decode without harm,
// the same way every time, and a code it accepts must be exactly the code the game builds
// for those values when its random source draws the same random digits, and must carry a
// game the settings panel lists with points from the bar up to that game's start.
//
// The input as a 23-digit code with both check pairs recomputed: the checks behind them
// (random digit ranges, element set, game type, points) see the mutated digits directly.
//
// The input as a result: a result and random draws taken from the bytes (draws may be any
// int; the builder folds them) must give a code that decodes to that result when a game
// gives it, and is rejected for what it carries when none does.
#include "core/settings.h"
#include "core/points.h"
#include "core/highscore_code.h"
#include "ui/texts.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <string_view>
#include <vector>

using namespace vantrell;

namespace {

void require(bool holds, const char *what, std::string_view detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "highscore_code_fuzzer: %s [%.*s]\n", what, int(detail.size()), detail.data());
    std::abort();
}

bool sameDecoding(const DecodedHighscoreCode &a, const DecodedHighscoreCode &b)
{
    return a.problem == b.problem && a.reason == b.reason && a.punkte == b.punkte && a.spielart == b.spielart
           && a.aufgedeckt == b.aufgedeckt && a.elemente == b.elemente;
}

int digitAt(std::string_view code, int position) { return code[std::size_t(position - 1)] - '0'; }

// Answers the builder's draws from a list and remembers what it was asked.
struct ScriptedRandom {
    std::vector<int> draws;
    std::vector<int> asked;
    int operator()(int k)
    {
        asked.push_back(k);
        return asked.size() <= draws.size() ? draws[asked.size() - 1] : 0;
    }
};

// Every game the settings panel lists, read by the panel's own reader, with its starting
// points: the presets, and each custom type with each count of its list and each element set.
using Game = std::tuple<int, int, char>;
const std::map<Game, int> &gamesOfThePanel()
{
    static const std::map<Game, int> games = [] {
        std::map<Game, int> all;
        for (const LanguageTexts *language : {&germanTexts(), &englishTexts()}) {
            const SettingsTexts t = settingsTexts(*language);
            const auto add = [&](const SettingsChoice &choice) {
                GameState s;
                readSettings(choice, t, s);
                all[{s.spielart, s.aufgedeckt, s.elemente}]
                    = startingPoints(sideLength(s.spielart), s.aufgedeckt, s.spielart, s.elemente);
            };
            for (int preset = 0; preset < kCustomPreset; ++preset)
                add({t.presets[std::size_t(preset)], {}, {}, {}});
            for (const std::string &type : t.gameTypes) {
                const CountRange range = countRangeFor(type);
                for (int count = range.lowest; count <= range.highest; ++count)
                    for (const std::string &set : t.elementSets)
                        add({t.presets[kCustomPreset], type, t.countPrefix + std::to_string(count), set});
            }
        }
        return all;
    }();
    return games;
}

// Whether a finished game could leave this result.
bool gameGives(int punkte, int spielart, int aufgedeckt, char elemente)
{
    const auto game = gamesOfThePanel().find({spielart, aufgedeckt, elemente});
    return game != gamesOfThePanel().end() && punkte >= kHighscoreBar && punkte <= game->second;
}

bool rejectedForWhatItCarries(CodeProblem problem)
{
    return problem == CodeProblem::GameType || problem == CodeProblem::GivenCells
           || problem == CodeProblem::AboveStart;
}

void checkAsCode(std::string_view code)
{
    const DecodedHighscoreCode d = decodeHighscoreCode(code);
    require(sameDecoding(d, decodeHighscoreCode(std::string(code))), "decoding twice differs", code);
    if (!d.valid()) {
        require(!d.reason.empty(), "a rejected code without a reason", code);
        return;
    }
    require(d.reason.empty(), "a valid code with a reason", code);
    require(d.punkte >= kCodeMinPunkte && d.punkte <= kCodeMaxPunkte, "points out of range", code);
    require(d.spielart >= 1 && d.spielart <= 9, "game type out of range", code);
    require(d.aufgedeckt >= 0 && d.aufgedeckt <= 99, "given cells out of range", code);
    require(d.elemente != '\0' && std::strchr("RBSKC", d.elemente) != nullptr, "no element letter", code);
    require(gameGives(d.punkte, d.spielart, d.aufgedeckt, d.elemente), "an accepted code no game gives", code);

    // The random pair stands at 10 and 12, the four random digits at 1, 3, 7 and 11.
    ScriptedRandom random;
    random.draws = {digitAt(code, 10) * 10 + digitAt(code, 12) - 12, digitAt(code, 1), digitAt(code, 3),
                    digitAt(code, 7), digitAt(code, 11)};
    const auto rebuilt = buildHighscoreCode(d.punkte, d.spielart, d.aufgedeckt, std::string(1, d.elemente),
                                            std::ref(random));
    require(rebuilt.has_value(), "the values of a valid code cannot be encoded", code);
    require(random.asked == std::vector<int>{78, 8, 8, 8, 8}, "the builder asked for other draws", code);
    require(*rebuilt == code, "a valid code does not rebuild to itself", code);
}

// Where the format keeps its check digits (1-based): the inner pair sums the nine core digits
// and the random pair, the trailing pair sums digits 1..21 plus a fixed offset.
constexpr int kCorePositions[] = {4, 6, 9, 14, 16, 17, 19, 20, 21};
constexpr int kPairTens = 10, kPairUnits = 12, kInnerTens = 18, kInnerUnits = 5, kOuterUnits = 22, kOuterTens = 23;

int sumOfDigits(std::string_view code, int first, int last)
{
    int sum = 0;
    for (int p = first; p <= last; ++p)
        sum += digitAt(code, p);
    return sum;
}

// The trailing offset, recovered from a code the game built.
int outerOffset()
{
    static const int offset = [] {
        const std::string code = buildHighscoreCode(kCodeMinPunkte, 1, 0, "B", [](int) { return 0; }).value();
        return ((digitAt(code, kOuterTens) * 10 + digitAt(code, kOuterUnits) - sumOfDigits(code, 1, 21)) % 100 + 100)
               % 100;
    }();
    return offset;
}

// Rewrites both check pairs of a 23-digit string so that only the checks behind them decide.
// Random mutations almost never hit matching check digits; sealed, they reach every later check.
std::string sealed(std::string code)
{
    int inner = digitAt(code, kPairTens) + digitAt(code, kPairUnits);
    for (int p : kCorePositions)
        inner += digitAt(code, p);
    code[kInnerTens - 1] = char('0' + inner / 10);
    code[kInnerUnits - 1] = char('0' + inner % 10);
    const int outer = sumOfDigits(code, 1, 21) + outerOffset();
    code[kOuterUnits - 1] = char('0' + outer % 10);
    code[kOuterTens - 1] = char('0' + outer / 10 % 10);
    return code;
}

bool allDigits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Reads little-endian ints from the front of the input; zero once it runs out.
struct Reader {
    const std::uint8_t *data;
    std::size_t size;
    std::uint32_t next()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4 && size > 0; ++i, ++data, --size)
            v |= std::uint32_t(*data) << (8 * i);
        return v;
    }
};

void checkAsResult(const std::uint8_t *data, std::size_t size)
{
    Reader in{data, size};
    int punkte = kCodeMinPunkte + int(in.next() % (kCodeMaxPunkte - kCodeMinPunkte + 1));
    int spielart = 1 + int(in.next() % 9);
    int aufgedeckt = int(in.next() % 100);
    char elemente = "RBSKC"[in.next() % 5];
    // Most of that space is results no game gives; half the time take a game that can reach
    // the bar instead, with points from the bar up to its start.
    static const std::vector<std::pair<Game, int>> highscoreGames = [] {
        std::vector<std::pair<Game, int>> games;
        for (const auto &game : gamesOfThePanel())
            if (game.second >= kHighscoreBar)
                games.push_back(game);
        return games;
    }();
    if (const std::uint32_t pick = in.next(); pick % 2 == 0) {
        const auto &[game, start] = highscoreGames[pick / 2 % highscoreGames.size()];
        std::tie(spielart, aufgedeckt, elemente) = game;
        punkte = kHighscoreBar + (punkte - kCodeMinPunkte) % (start - kHighscoreBar + 1);
    }
    ScriptedRandom random;
    for (int i = 0; i < 5; ++i)
        random.draws.push_back(int(in.next())); // any int, negative ones too

    const auto code = buildHighscoreCode(punkte, spielart, aufgedeckt, std::string(1, elemente), std::ref(random));
    require(code.has_value(), "a result in range cannot be encoded");
    require(code->size() == std::size_t(kCodeLength), "a code of the wrong length", *code);
    const DecodedHighscoreCode d = decodeHighscoreCode(*code);
    if (!gameGives(punkte, spielart, aufgedeckt, elemente)) {
        require(rejectedForWhatItCarries(d.problem), "a result no game gives is not rejected for it", *code);
        return;
    }
    require(d.valid(), "a built code is rejected:", d.reason);
    require(d.punkte == punkte && d.spielart == spielart && d.aufgedeckt == aufgedeckt && d.elemente == elemente,
            "a built code decodes to other values", *code);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view code(reinterpret_cast<const char *>(data), size);
    checkAsCode(code);
    if (code.size() == std::size_t(kCodeLength) && allDigits(code)) {
        const std::string forged = sealed(std::string(code));
        checkAsCode(forged);
        // A sealed code is rejected, if at all, for what it carries, never for its check digits.
        const CodeProblem problem = decodeHighscoreCode(forged).problem;
        require(problem != CodeProblem::CheckDigits && problem != CodeProblem::DigitSum,
                "a sealed code fails its checks", forged);
    }
    checkAsResult(data, size);
    return 0;
}
