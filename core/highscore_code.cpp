#include "core/highscore_code.h"

#include "core/settings.h"

#include <array>
#include <cstdint>
#include <utility>

namespace vantrell {
namespace {

// Shared with the highscore page; they never appear in a window text.
constexpr std::int64_t kK1 = 2542;
constexpr std::int64_t kK2 = 6991;
constexpr std::int64_t kK3 = 256440965;
constexpr int kK4 = 37;

constexpr std::int64_t coreNumber(int punkte) { return (punkte - kK1) * kK2 + kK3; }

constexpr int digitSum(std::int64_t v)
{
    int sum = 0;
    for (; v > 0; v /= 10)
        sum += static_cast<int>(v % 10);
    return sum;
}

// The code relies on every points value giving nine digits with a digit sum of at least 10
// (so the inner check number always has two digits).
constexpr bool constantsHoldOverRange()
{
    for (int p = kCodeMinPunkte; p <= kCodeMaxPunkte; ++p) {
        const std::int64_t v = coreNumber(p);
        if (v < 100000000 || v > 999999999 || digitSum(v) < 10)
            return false;
    }
    return true;
}
static_assert(constantsHoldOverRange(), "K1, K2, K3 break the code over its points range");

constexpr std::string_view kElementLetters = "RBSKC";
constexpr std::string_view kElementDigits = "24680";

// Final 1-based positions of each digit after all insertions of buildHighscoreCode.
constexpr std::array<int, 9> kCorePos = {4, 6, 9, 14, 16, 17, 19, 20, 21};
constexpr std::array<int, 4> kRandomDigitPos = {1, 3, 7, 11};
constexpr int kPairTensPos = 10, kPairUnitsPos = 12;
constexpr int kDigitSumTensPos = 18, kDigitSumUnitsPos = 5;
constexpr int kGivenTensPos = 13, kGivenUnitsPos = 2;
constexpr int kGameTypePos = 15;
constexpr int kElementPos = 8;
constexpr int kCheckUnitsPos = 22, kCheckTensPos = 23;

char digitChar(int d) { return static_cast<char>('0' + d); }

int draw(const std::function<int(int)> &random, int k)
{
    const int v = random(k) % k;
    return v < 0 ? v + k : v;
}

// Puts one digit into s so that it stands at the 1-based position p.
void insertAt(std::string &s, int p, char digit) { s.insert(static_cast<std::size_t>(p - 1), 1, digit); }

int sumOfDigits(std::string_view s)
{
    int sum = 0;
    for (char c : s)
        sum += c - '0';
    return sum;
}

// "a free 7x7 game with 81 given cells and symbols", for the reasons of a rejection.
std::string describeGame(int spielart, int aufgedeckt, char elemente)
{
    static constexpr std::array<std::string_view, 5> kSetNames = {"red numbers", "blue numbers", "symbols",
                                                                  "classic digits", "letters"};
    const std::string n = std::to_string(sideLength(spielart));
    return (spielart == 1 ? std::string("a classic 9x9 game") : "a free " + n + "x" + n + " game") + " with "
           + std::to_string(aufgedeckt) + " given cells and "
           + std::string(kSetNames[kElementLetters.find(elemente)]);
}

DecodedHighscoreCode rejected(CodeProblem problem, std::string reason)
{
    DecodedHighscoreCode d;
    d.problem = problem;
    d.reason = std::move(reason);
    return d;
}

} // namespace

std::optional<std::string> buildHighscoreCode(int punkte, int spielart, int aufgedeckt,
                                              std::string_view elemente,
                                              const std::function<int(int)> &random)
{
    if (punkte < kCodeMinPunkte || punkte > kCodeMaxPunkte || spielart < 1 || spielart > 9
        || aufgedeckt < 0 || aufgedeckt > 99 || elemente.size() != 1)
        return std::nullopt;
    const std::size_t element = kElementLetters.find(elemente.front());
    if (element == std::string_view::npos)
        return std::nullopt;

    std::string s = std::to_string(coreNumber(punkte));
    s.insert(3, std::to_string(12 + draw(random, 78)));

    const std::string c1 = std::to_string(sumOfDigits(s));
    insertAt(s, 9, c1[0]);
    insertAt(s, 2, c1[1]);

    insertAt(s, 7, digitChar(aufgedeckt / 10));
    insertAt(s, 1, digitChar(aufgedeckt % 10));
    insertAt(s, 10, digitChar(spielart));
    insertAt(s, 5, kElementDigits[element]);
    for (int p : {1, 3, 7, 11})
        insertAt(s, p, digitChar(draw(random, 8)));

    const int c2 = sumOfDigits(s) + kK4;
    s += digitChar(c2 % 10);
    s += digitChar(c2 / 10 % 10);
    return s;
}

DecodedHighscoreCode decodeHighscoreCode(std::string_view code)
{
    if (code.size() != kCodeLength)
        return rejected(CodeProblem::Form, "a code has 23 digits, this one has "
                                               + std::to_string(code.size()) + " characters");
    for (std::size_t i = 0; i < code.size(); ++i)
        if (code[i] < '0' || code[i] > '9')
            return rejected(CodeProblem::Form,
                            "character " + std::to_string(i + 1) + " is not a digit");

    auto at = [code](int p) { return code[static_cast<std::size_t>(p - 1)] - '0'; };

    const int c2 = sumOfDigits(code.substr(0, 21)) + kK4;
    if (at(kCheckUnitsPos) != c2 % 10 || at(kCheckTensPos) != c2 / 10 % 10)
        return rejected(CodeProblem::CheckDigits, "the check digits at the end do not match");

    std::int64_t core = 0;
    int coreSum = 0;
    for (int p : kCorePos) {
        core = core * 10 + at(p);
        coreSum += at(p);
    }
    const int c1 = coreSum + at(kPairTensPos) + at(kPairUnitsPos);
    if (at(kDigitSumTensPos) != c1 / 10 || at(kDigitSumUnitsPos) != c1 % 10)
        return rejected(CodeProblem::DigitSum, "the inner check digits do not match");

    const int pair = at(kPairTensPos) * 10 + at(kPairUnitsPos);
    if (pair < 12 || pair > 89)
        return rejected(CodeProblem::RandomDigits,
                        "the random pair " + std::to_string(pair) + " is outside 12 to 89");
    for (int p : kRandomDigitPos)
        if (at(p) > 7)
            return rejected(CodeProblem::RandomDigits,
                            "the random digit at position " + std::to_string(p) + " is above 7");

    const std::size_t element = kElementDigits.find(digitChar(at(kElementPos)));
    if (element == std::string_view::npos)
        return rejected(CodeProblem::ElementSet, "digit " + std::to_string(at(kElementPos))
                                                     + " names no element set");
    const int spielart = at(kGameTypePos);
    if (!isOfferedGameType(spielart))
        return rejected(CodeProblem::GameType, "game type " + std::to_string(spielart)
                                                   + " does not exist (1 is classic, 3 to 9 free boards)");

    const std::int64_t offset = core - kK3;
    const std::int64_t punkte = offset / kK2 + kK1;
    if (core < 100000000 || offset % kK2 != 0 || punkte < kCodeMinPunkte || punkte > kCodeMaxPunkte)
        return rejected(CodeProblem::Punkte, "the points part does not decode to a valid result");

    // A code the encoder can build may still carry a result no game can reach.
    const int aufgedeckt = at(kGivenTensPos) * 10 + at(kGivenUnitsPos);
    const char elemente = kElementLetters[element];
    if (!settingsOfferGame(spielart, aufgedeckt, elemente))
        return rejected(CodeProblem::GivenCells,
                        "the settings offer no such game: " + describeGame(spielart, aufgedeckt, elemente));
    const std::int32_t start = startingPoints(sideLength(spielart), aufgedeckt, spielart, elemente);
    if (punkte > start)
        return rejected(CodeProblem::AboveStart, std::to_string(punkte) + " points are more than the "
                                                     + std::to_string(start) + " that "
                                                     + describeGame(spielart, aufgedeckt, elemente)
                                                     + " starts with");

    DecodedHighscoreCode d;
    d.punkte = static_cast<int>(punkte);
    d.spielart = spielart;
    d.aufgedeckt = aufgedeckt;
    d.elemente = elemente;
    return d;
}

} // namespace vantrell
