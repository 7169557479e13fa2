#include "core/settings.h"
#include "core/points.h"
#include "core/highscore_code.h"
#include "ui/texts.h"

#include <QProcess>
#include <QtTest>

#include <map>
#include <set>
#include <tuple>
#include <vector>

using namespace vantrell;

namespace {

// Hands out prepared draws in order and records what was asked for.
struct ScriptedRandom {
    explicit ScriptedRandom(std::vector<int> d) : draws(std::move(d)) {}
    std::vector<int> draws;
    std::vector<int> asked;
    std::size_t next = 0;
    int operator()(int k)
    {
        asked.push_back(k);
        return draws.at(next++);
    }
};

// Where each value lands, worked out by hand from the insertion order (1-based).
const int kCorePos[9] = {4, 6, 9, 14, 16, 17, 19, 20, 21};
const std::set<int> kVaryingPos = {1, 3, 7, 11, 10, 12, /* and what follows from them: */ 5, 18, 22, 23};

int digit(const std::string &code, int pos) { return code.at(std::size_t(pos - 1)) - '0'; }
void setDigit(std::string &code, int pos, int d) { code.at(std::size_t(pos - 1)) = char('0' + d); }

long long coreOf(const std::string &code)
{
    long long v = 0;
    for (int p : kCorePos)
        v = v * 10 + digit(code, p);
    return v;
}
int coreDigitSum(const std::string &code)
{
    int s = 0;
    for (int p : kCorePos)
        s += digit(code, p);
    return s;
}
int sumOf(const std::string &code, int first, int last)
{
    int s = 0;
    for (int p = first; p <= last; ++p)
        s += digit(code, p);
    return s;
}
// The constant added to the trailing check sum, recovered from a code's last two digits.
int checkOffset(const std::string &code)
{
    return ((digit(code, 23) * 10 + digit(code, 22) - sumOf(code, 1, 21)) % 100 + 100) % 100;
}
// Recomputes the check digits after a deliberate change, as a forger who knows them would.
void reseal(std::string &code, int offset, bool innerToo)
{
    if (innerToo) {
        const int c1 = coreDigitSum(code) + digit(code, 10) + digit(code, 12);
        setDigit(code, 18, c1 / 10);
        setDigit(code, 5, c1 % 10);
    }
    const int c2 = sumOf(code, 1, 21) + offset;
    setDigit(code, 22, c2 % 10);
    setDigit(code, 23, c2 / 10 % 10);
}

std::string mustBuild(int punkte, int spielart, int aufgedeckt, const char *elemente,
                      const std::function<int(int)> &random = Random)
{
    const auto code = buildHighscoreCode(punkte, spielart, aufgedeckt, elemente, random);
    if (!code)
        qFatal("no code for %d %d %d %s", punkte, spielart, aufgedeckt, elemente);
    return *code;
}

using Game = std::tuple<int, int, char>; // spielart, aufgedeckt, elemente

// Every game the settings panel can start, read by the panel's own reader from the entries
// it lists (the presets; each custom type with each count of its list and each element set),
// with its starting points.
std::map<Game, int> gamesOfThePanel()
{
    std::map<Game, int> games;
    const auto add = [&](const SettingsChoice &choice, const SettingsTexts &t) {
        GameState s;
        readSettings(choice, t, s);
        games[{s.spielart, s.aufgedeckt, s.elemente}]
            = startingPoints(sideLength(s.spielart), s.aufgedeckt, s.spielart, s.elemente);
    };
    for (const LanguageTexts *language : {&germanTexts(), &englishTexts()}) {
        const SettingsTexts t = settingsTexts(*language);
        for (int preset = 0; preset < kCustomPreset; ++preset)
            add({t.presets[std::size_t(preset)], {}, {}, {}}, t);
        for (const std::string &type : t.gameTypes) {
            const CountRange range = countRangeFor(type);
            for (int count = range.lowest; count <= range.highest; ++count)
                for (const std::string &set : t.elementSets)
                    add({t.presets[kCustomPreset], type, t.countPrefix + std::to_string(count), set}, t);
        }
    }
    return games;
}

} // namespace

class TestHighscoreCode : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { RandSeed(20240611); }

    void rejectsWhatCannotBeEncoded_data()
    {
        QTest::addColumn<int>("punkte");
        QTest::addColumn<int>("spielart");
        QTest::addColumn<int>("aufgedeckt");
        QTest::addColumn<QString>("elemente");
        QTest::addColumn<bool>("encodable");
        QTest::newRow("below the bar") << 25540 << 1 << 40 << "B" << false;
        QTest::newRow("the bar") << 25541 << 1 << 40 << "B" << true;
        QTest::newRow("six digits") << 100000 << 1 << 40 << "B" << false;
        QTest::newRow("negative") << -30000 << 1 << 40 << "B" << false;
        QTest::newRow("type 0") << 30000 << 0 << 40 << "B" << false;
        QTest::newRow("type 10") << 30000 << 10 << 40 << "B" << false;
        QTest::newRow("no given cells") << 30000 << 9 << 0 << "C" << true;
        QTest::newRow("given -1") << 30000 << 9 << -1 << "C" << false;
        QTest::newRow("given 100") << 30000 << 9 << 100 << "C" << false;
        QTest::newRow("lower case") << 30000 << 1 << 40 << "r" << false;
        QTest::newRow("empty letter") << 30000 << 1 << 40 << "" << false;
        QTest::newRow("two letters") << 30000 << 1 << 40 << "RB" << false;
        QTest::newRow("unknown letter") << 30000 << 1 << 40 << "X" << false;
    }
    void rejectsWhatCannotBeEncoded()
    {
        QFETCH(int, punkte);
        QFETCH(int, spielart);
        QFETCH(int, aufgedeckt);
        QFETCH(QString, elemente);
        QFETCH(bool, encodable);
        const std::string letter = elemente.toStdString();
        QCOMPARE(buildHighscoreCode(punkte, spielart, aufgedeckt, letter).has_value(), encodable);
    }

    void embeddedValuesSitWhereTheInsertionsPutThem_data()
    {
        QTest::addColumn<int>("aufgedeckt");
        QTest::addColumn<int>("spielart");
        QTest::addColumn<QString>("elemente");
        QTest::addColumn<int>("elementDigit");
        QTest::addColumn<int>("pairDraw");
        QTest::addColumn<QList<int>>("randomDigits");
        QTest::addColumn<CodeProblem>("verdict"); // 26480 points with these values
        QTest::newRow("R, lowest draws") << 40 << 1 << "R" << 2 << 0 << QList<int>{0, 0, 0, 0} << CodeProblem::None;
        QTest::newRow("B, highest draws") << 23 << 9 << "B" << 4 << 77 << QList<int>{7, 7, 7, 7} << CodeProblem::None;
        QTest::newRow("S, one digit count")
            << 5 << 8 << "S" << 6 << 33 << QList<int>{1, 2, 3, 4} << CodeProblem::GivenCells;
        QTest::newRow("K") << 99 << 7 << "K" << 8 << 50 << QList<int>{6, 5, 4, 3} << CodeProblem::GivenCells;
        QTest::newRow("C") << 18 << 3 << "C" << 0 << 1 << QList<int>{2, 0, 7, 1} << CodeProblem::GivenCells;
        QTest::newRow("S on a board that can reach it")
            << 30 << 8 << "S" << 6 << 40 << QList<int>{3, 1, 4, 1} << CodeProblem::None;
        QTest::newRow("K, classic") << 30 << 1 << "K" << 8 << 2 << QList<int>{5, 6, 7, 0} << CodeProblem::None;
        QTest::newRow("C, free 9x9") << 60 << 9 << "C" << 0 << 9 << QList<int>{0, 7, 0, 7} << CodeProblem::AboveStart;
    }
    void embeddedValuesSitWhereTheInsertionsPutThem()
    {
        QFETCH(int, aufgedeckt);
        QFETCH(int, spielart);
        QFETCH(QString, elemente);
        QFETCH(int, elementDigit);
        QFETCH(int, pairDraw);
        QFETCH(QList<int>, randomDigits);
        QFETCH(CodeProblem, verdict);
        ScriptedRandom random{{pairDraw, randomDigits[0], randomDigits[1], randomDigits[2], randomDigits[3]}};
        const std::string code = mustBuild(26480, spielart, aufgedeckt, elemente.toLatin1().constData(),
                                           std::ref(random));
        QCOMPARE(random.asked, (std::vector<int>{78, 8, 8, 8, 8}));
        QCOMPARE(int(code.size()), 23);
        QCOMPARE(digit(code, 1), randomDigits[0]);
        QCOMPARE(digit(code, 3), randomDigits[1]);
        QCOMPARE(digit(code, 7), randomDigits[2]);
        QCOMPARE(digit(code, 11), randomDigits[3]);
        QCOMPARE(digit(code, 10) * 10 + digit(code, 12), 12 + pairDraw);
        QCOMPARE(digit(code, 13) * 10 + digit(code, 2), aufgedeckt);
        QCOMPARE(digit(code, 15), spielart);
        QCOMPARE(digit(code, 8), elementDigit);
        const int c1 = coreDigitSum(code) + digit(code, 10) + digit(code, 12);
        QCOMPARE(digit(code, 18) * 10 + digit(code, 5), c1);
        // The core digits of one points value do not depend on anything else.
        QCOMPARE(coreOf(code), coreOf(mustBuild(26480, 1, 40, "R")));
        // Trailing check digits: reversed last two digits of the sum plus one fixed two-digit offset.
        QCOMPARE(checkOffset(code), checkOffset(mustBuild(30000, 1, 40, "K")));
        QVERIFY(checkOffset(code) >= 10);

        const DecodedHighscoreCode d = decodeHighscoreCode(code);
        QCOMPARE(d.problem, verdict);
        if (d.valid())
            QCOMPARE(d.elemente, elemente.at(0).toLatin1());
    }

    // Nine digits, a digit sum of at least 10, and a fixed four-digit step per point over
    // the whole range: that is what makes the inner check two digits and the decoding exact.
    void coreNumberHoldsOverTheWholeRange()
    {
        QVERIFY(kCodeMinPunkte <= 25541 && kCodeMaxPunkte >= 60000);
        const long long step = coreOf(mustBuild(kCodeMinPunkte + 1, 1, 40, "R"))
                               - coreOf(mustBuild(kCodeMinPunkte, 1, 40, "R"));
        QVERIFY(step >= 1000 && step <= 9999);
        long long previous = 0;
        for (int p = kCodeMinPunkte; p <= kCodeMaxPunkte; ++p) {
            const std::string code = mustBuild(p, 1, 40, "R");
            QCOMPARE(int(code.size()), 23);
            const long long core = coreOf(code);
            QVERIFY(core >= 100000000);
            QVERIFY2(coreDigitSum(code) >= 10, code.c_str());
            if (p > kCodeMinPunkte)
                QCOMPARE(core - previous, step);
            previous = core;
        }
    }

    void codesOfOneResultDifferOnlyInRandomAndCheckDigits()
    {
        const std::string first = mustBuild(31234, 9, 27, "S");
        std::map<int, std::set<char>> seen;
        for (int i = 0; i < 300; ++i) {
            const std::string code = mustBuild(31234, 9, 27, "S");
            for (int p = 1; p <= 23; ++p) {
                if (kVaryingPos.count(p))
                    seen[p].insert(code[std::size_t(p - 1)]);
                else
                    QCOMPARE(code[std::size_t(p - 1)], first[std::size_t(p - 1)]);
            }
        }
        for (int p : kVaryingPos)
            QVERIFY2(seen[p].size() > 1, qPrintable(QString::number(p)));
    }

    // The decoder's rule must be the panel's: every game the panel lists, and nothing else.
    void decoderKnowsExactlyTheGamesOfThePanel()
    {
        const std::map<Game, int> games = gamesOfThePanel();
        for (int spielart = 0; spielart <= 10; ++spielart)
            for (int aufgedeckt = -1; aufgedeckt <= 100; ++aufgedeckt)
                for (char elemente : {'R', 'B', 'S', 'K', 'C', 'X', '\0'})
                    QVERIFY2(settingsOfferGame(spielart, aufgedeckt, elemente)
                                 == games.count({spielart, aufgedeckt, elemente}),
                             qPrintable(QString("%1 %2 %3").arg(spielart).arg(aufgedeckt).arg(elemente)));
    }

    // Every genuine result passes: each game of the panel at its starting points and at the bar,
    // and one point above its start fails. Only the classic and the free 8x8 and 9x9 boards
    // can reach the bar at all.
    void everyGameOfThePanelAtItsEnds()
    {
        std::set<int> typesReachingTheBar;
        for (const auto &[game, start] : gamesOfThePanel()) {
            const auto [spielart, aufgedeckt, elemente] = game;
            const char letter[] = {elemente, '\0'};
            const QByteArray what = QString("%1 %2 %3").arg(spielart).arg(aufgedeckt).arg(elemente).toLatin1();
            if (start < kHighscoreBar) {
                QCOMPARE(decodeHighscoreCode(mustBuild(kHighscoreBar, spielart, aufgedeckt, letter)).problem,
                         CodeProblem::AboveStart);
                continue;
            }
            typesReachingTheBar.insert(spielart);
            for (int punkte : {kHighscoreBar, (kHighscoreBar + start) / 2, start}) {
                const DecodedHighscoreCode d = decodeHighscoreCode(mustBuild(punkte, spielart, aufgedeckt, letter));
                QVERIFY2(d.valid(), (what + ": " + d.reason.c_str()).constData());
                QCOMPARE(std::tie(d.punkte, d.spielart, d.aufgedeckt, d.elemente),
                         std::tie(punkte, spielart, aufgedeckt, elemente));
            }
            QCOMPARE(decodeHighscoreCode(mustBuild(start + 1, spielart, aufgedeckt, letter)).problem,
                     CodeProblem::AboveStart);
        }
        QCOMPARE(typesReachingTheBar, (std::set<int>{1, 8, 9}));
    }

    // The best game there is, over every points value the code can carry.
    void topGameOverTheWholePointsRange()
    {
        const int top = startingPoints(9, 23, 9, 'S');
        QCOMPARE(top, 43708);
        for (int p = kCodeMinPunkte; p <= kCodeMaxPunkte; ++p) {
            const DecodedHighscoreCode d = decodeHighscoreCode(mustBuild(p, 9, 23, "S"));
            if (p <= top)
                QVERIFY2(d.valid() && d.punkte == p, qPrintable(QString::number(p)));
            else
                QVERIFY2(d.problem == CodeProblem::AboveStart, qPrintable(QString::number(p)));
        }
    }

    // Codes the encoder builds for results no game produces, each with its reason.
    void impossibleResultsAreRejected_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<CodeProblem>("problem");
        QTest::addColumn<QString>("reason");
        auto built = [](int p, int t, int a, const char *e) { return QString::fromStdString(mustBuild(p, t, a, e)); };
        QTest::newRow("99 givens on 81 cells") << "09092304710297962585272" << CodeProblem::GivenCells
                                               << "no such game: a free 9x9 game with 99 given cells";
        QTest::newRow("type 2") << "00092300710207262585289" << CodeProblem::GameType << "game type 2 does not exist";
        QTest::newRow("81 givens on a 7x7 board")
            << "01052406410282739446270" << CodeProblem::GivenCells << "a free 7x7 game with 81 given cells";
        QTest::newRow("above the start of classic/40/B")
            << "00055404410242132347198" << CodeProblem::AboveStart
            << "43708 points are more than the 27240 that a classic 9x9 game with 40 given cells and blue numbers";
        QTest::newRow("classic, 20 givens, symbols")
            << built(30000, 1, 20, "S") << CodeProblem::GivenCells << "classic 9x9 game with 20 given cells and symbols";
        QTest::newRow("classic below its custom range")
            << built(30000, 1, 22, "B") << CodeProblem::GivenCells << "22 given cells";
        QTest::newRow("classic above its custom range")
            << built(25541, 1, 61, "B") << CodeProblem::GivenCells << "61 given cells";
        QTest::newRow("8x8 below its range") << built(26000, 8, 17, "R") << CodeProblem::GivenCells << "8x8";
        QTest::newRow("8x8 above its range") << built(26000, 8, 51, "R") << CodeProblem::GivenCells << "8x8";
        QTest::newRow("free 9x9 preset count, letters")
            << built(30000, 9, 25, "C") << CodeProblem::None << "";
        QTest::newRow("7x7 never reaches the bar")
            << built(25541, 7, 15, "S") << CodeProblem::AboveStart << "20350 that a free 7x7 game";
        QTest::newRow("classic profi preset, start") << built(37320, 1, 20, "B") << CodeProblem::None << "";
        QTest::newRow("classic profi preset, one above")
            << built(37321, 1, 20, "B") << CodeProblem::AboveStart << "37320";
    }
    void impossibleResultsAreRejected()
    {
        QFETCH(QString, code);
        QFETCH(CodeProblem, problem);
        QFETCH(QString, reason);
        const DecodedHighscoreCode d = decodeHighscoreCode(code.toStdString());
        QCOMPARE(d.problem, problem);
        QVERIFY2(QString::fromStdString(d.reason).contains(reason), d.reason.c_str());
        if (!d.valid())
            QCOMPARE(std::tie(d.punkte, d.spielart, d.aufgedeckt, d.elemente), std::make_tuple(0, 0, 0, '\0'));
    }

    void everySingleDigitChangeIsRejected()
    {
        const char *letters[] = {"R", "B", "S", "K", "C"};
        for (int i = 0; i < 100; ++i) {
            const std::string code = mustBuild(25541 + i * 347, 1 + i % 9, 18 + i % 80, letters[i % 5]);
            for (int pos = 1; pos <= 23; ++pos)
                for (int d = 0; d <= 9; ++d) {
                    if (d == digit(code, pos))
                        continue;
                    std::string changed = code;
                    setDigit(changed, pos, d);
                    const DecodedHighscoreCode r = decodeHighscoreCode(changed);
                    QVERIFY2(!r.valid() && !r.reason.empty(), changed.c_str());
                }
        }
    }

    // Changes whose trailing check digits were redone must still fail the inner checks.
    void innerChecksCatchResealedChanges_data()
    {
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("newDigit");
        QTest::addColumn<bool>("redoInnerSum");
        QTest::addColumn<int>("pairDraw");
        QTest::addColumn<int>("problem");
        QTest::newRow("trailing check") << 22 << -1 << false << 33 << int(CodeProblem::CheckDigits);
        QTest::newRow("inner sum") << 5 << -1 << false << 33 << int(CodeProblem::DigitSum);
        QTest::newRow("core digit, inner sum not redone") << 21 << -1 << false << 33 << int(CodeProblem::DigitSum);
        QTest::newRow("random digit 8") << 1 << 8 << false << 33 << int(CodeProblem::RandomDigits);
        QTest::newRow("random digit 9") << 11 << 9 << false << 33 << int(CodeProblem::RandomDigits);
        QTest::newRow("pair 95") << 10 << 9 << true << 33 << int(CodeProblem::RandomDigits);
        QTest::newRow("pair 05") << 10 << 0 << true << 33 << int(CodeProblem::RandomDigits);
        QTest::newRow("element 1") << 8 << 1 << false << 33 << int(CodeProblem::ElementSet);
        QTest::newRow("element 9") << 8 << 9 << false << 33 << int(CodeProblem::ElementSet);
        QTest::newRow("type 0") << 15 << 0 << false << 33 << int(CodeProblem::GameType);
        QTest::newRow("leading core digit 0") << 4 << 0 << true << 33 << int(CodeProblem::Punkte);
        QTest::newRow("last core digit") << 21 << -1 << true << 33 << int(CodeProblem::Punkte);
        QTest::newRow("middle core digit") << 16 << -1 << true << 33 << int(CodeProblem::Punkte);
        QTest::newRow("pair 89 accepted") << 12 << 9 << true << 68 << int(CodeProblem::None);
        QTest::newRow("pair 90") << 10 << 9 << true << 68 << int(CodeProblem::RandomDigits);
        QTest::newRow("pair 11") << 12 << 1 << true << 0 << int(CodeProblem::RandomDigits);
    }
    void innerChecksCatchResealedChanges()
    {
        QFETCH(int, pos);
        QFETCH(int, newDigit);
        QFETCH(bool, redoInnerSum);
        QFETCH(int, pairDraw);
        QFETCH(int, problem);
        ScriptedRandom random{{pairDraw, 1, 2, 3, 4}};
        std::string code = mustBuild(31234, 1, 30, "K", std::ref(random));
        const int offset = checkOffset(code);
        setDigit(code, pos, newDigit >= 0 ? newDigit : (digit(code, pos) + 1) % 10);
        if (problem != int(CodeProblem::CheckDigits))
            reseal(code, offset, redoInnerSum);
        const DecodedHighscoreCode d = decodeHighscoreCode(code);
        QCOMPARE(int(d.problem), problem);
        QCOMPARE(d.reason.empty(), d.valid());
    }

    void decoderEnforcesThePointsRange()
    {
        const std::string low = mustBuild(kCodeMinPunkte, 1, 30, "K");
        const std::string high = mustBuild(kCodeMaxPunkte, 1, 30, "K");
        const long long step = coreOf(mustBuild(kCodeMinPunkte + 1, 1, 30, "K")) - coreOf(low);
        const int offset = checkOffset(low);
        auto withCore = [&](std::string code, long long core) {
            for (int i = 8; i >= 0; --i, core /= 10)
                setDigit(code, kCorePos[i], int(core % 10));
            reseal(code, offset, true);
            return decodeHighscoreCode(code);
        };
        QCOMPARE(withCore(low, coreOf(low)).punkte, kCodeMinPunkte);
        QCOMPARE(withCore(low, coreOf(low) - step).problem, CodeProblem::Punkte);
        QCOMPARE(withCore(high, coreOf(high) + step).problem, CodeProblem::Punkte);
    }

    void malformedInputIsRejected_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("22 digits") << QByteArray(22, '1');
        QTest::newRow("24 digits") << QByteArray(24, '1');
        QTest::newRow("letter") << QByteArray("1234567890123456789012a");
        QTest::newRow("space") << QByteArray("12345678901 34567890123");
        QTest::newRow("sign") << QByteArray("+1234567890123456789012");
        QTest::newRow("non-ASCII digit") << QByteArray("123456789012345678901\xd9\xa3");
    }
    void malformedInputIsRejected()
    {
        QFETCH(QByteArray, input);
        const DecodedHighscoreCode d = decodeHighscoreCode(input.toStdString());
        QCOMPARE(d.problem, CodeProblem::Form);
        QVERIFY(!d.reason.empty());
    }

    void decoderToolExitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        const QString valid = QString::fromStdString(mustBuild(43708, 9, 23, "S"));
        QString broken = valid;
        broken[0] = broken[0] == '0' ? '1' : '0';
        QTest::newRow("valid") << QStringList{valid} << 0
                               << "points: 43708\ngame type: 9\ngiven cells: 23\nelement set: S\n";
        QTest::newRow("invalid") << QStringList{broken} << 1 << "invalid code: ";
        QTest::newRow("no game gives it") << QStringList{"00055404410242132347198"} << 1
                                          << "invalid code: 43708 points are more than the 27240 that";
        QTest::newRow("no code") << QStringList{} << 2 << "usage: ";
        QTest::newRow("two codes") << QStringList{valid, valid} << 2 << "usage: ";
    }
    void decoderToolExitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(DECODE_TOOL, args);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY(QString::fromUtf8(tool.readAllStandardOutput()).startsWith(output));
    }
};

QTEST_GUILESS_MAIN(TestHighscoreCode)
#include "test_highscore_code.moc"
