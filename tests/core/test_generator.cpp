#include "core/generator.h"
#include "core/random.h"
#include "support/grid_checks.h"

#include <QtTest>
#include <utility>
#include <vector>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

GameState stateFor(int spielart)
{
    GameState s;
    s.spielart = spielart;
    s.groesse = spielart == 1 ? 9 : spielart;
    return s;
}

// A scripted run: each draw gives a value 0..k-1 and the clock reading that follows it.
struct Script {
    std::vector<std::pair<int, std::int64_t>> draws;
    std::size_t next = 0;
    std::int64_t now = 0;
    std::vector<int> passes;

    GeneratorServices services()
    {
        GeneratorServices s;
        s.random = [this](int) {
            if (next >= draws.size())
                throw std::runtime_error("script ran out of draws");
            const auto [value, clock] = draws[next++];
            now = clock;
            return value;
        };
        s.millis = [this] { return now; };
        s.onPass = [this](int pass) {
            passes.push_back(pass);
            return true;
        };
        return s;
    }
};

// The nine draws that fill a 3x3 board column by column with the Latin square
// 1 2 3 / 2 3 1 / 3 1 2 (columns), each at clock t.
void addGoodPass(Script &script, std::int64_t t)
{
    for (int v : {0, 1, 2, 1, 2, 0, 2, 0, 1})
        script.draws.emplace_back(v, t);
}

} // namespace

class TestGenerator : public QObject {
    Q_OBJECT
private slots:
    void fillsColumnByColumn()
    {
        Script script;
        addGoodPass(script, 0);
        GameState s = stateFor(3);
        QVERIFY(Spiel2Generieren(s, script.services()));
        // Drawn in the order (1,1), (1,2), (1,3), (2,1), ...: column x holds the x-th triple.
        const int expected[3][3] = {{1, 2, 3}, {2, 3, 1}, {3, 1, 2}};
        for (int x = 1; x <= 3; ++x)
            for (int y = 1; y <= 3; ++y)
                QCOMPARE(s.loesung(x, y), expected[x - 1][y - 1]);
        QCOMPARE(script.passes, std::vector<int>{1});
    }

    void everyTypeYieldsAValidGrid_data()
    {
        QTest::addColumn<int>("spielart");
        for (int t : {1, 3, 4, 5, 6, 7, 8, 9})
            QTest::addRow("type %d", t) << t;
    }
    void everyTypeYieldsAValidGrid()
    {
        QFETCH(int, spielart);
        RandSeed(1000u + unsigned(spielart));
        for (int round = 0; round < 3; ++round) {
            GameState s = stateFor(spielart);
            // Leftovers of an earlier game must not survive.
            s.vorgabe(2, 2) = 7;
            s.eingabe(3, 1) = 5;
            QVERIFY(Spiel2Generieren(s));
            const int n = s.groesse;
            QVERIFY(isLatinSquare(s.loesung, n));
            if (spielart == 1)
                QVERIFY(blocksValid(s.loesung));
            QCOMPARE(countNonZero(s.vorgabe), 0);
            QCOMPARE(countNonZero(s.eingabe), 0);
            for (int x = 1; x <= n; ++x)
                for (int y = 1; y <= n; ++y)
                    for (int v = 1; v <= 9; ++v) {
                        const int struck = (spielart >= 3 && spielart <= 8 && v > n) ? 1 : 0;
                        QCOMPARE(int(s.markierungen.value(x, y, v)), struck);
                        QCOMPARE(int(s.gesperrt.value(x, y, v)), struck);
                    }
        }
    }

    void freeNineIsNotForcedToHaveBlocks()
    {
        RandSeed(7);
        bool sawInvalidBlock = false;
        for (int round = 0; round < 5 && !sawInvalidBlock; ++round) {
            GameState s = stateFor(9);
            QVERIFY(Spiel2Generieren(s));
            sawInvalidBlock = !blocksValid(s.loesung);
        }
        QVERIFY(sawInvalidBlock);
    }

    void countsPassesAndRestartsAfterDeadEnds()
    {
        Script script;
        // Passes 1 and 2: (1,1) = 1, then (1,2) draws 1 (a clash) until the clock is 2 past t0.
        for (std::int64_t base : {0, 10}) {
            script.draws.emplace_back(0, base);
            script.draws.emplace_back(0, base + 1); // clash, t = t0 + 1: draw again
            script.draws.emplace_back(0, base + 2); // clash, t = t0 + 2: give up
        }
        addGoodPass(script, 20);
        GameState s = stateFor(3);
        QVERIFY(Spiel2Generieren(s, script.services()));
        QCOMPARE(script.passes, (std::vector<int>{1, 2, 3}));
        QCOMPARE(script.next, script.draws.size());
        QVERIFY(isLatinSquare(s.loesung, 3));
    }

    void deadEndWaitsExactlyForItsBudget()
    {
        Script script;
        script.draws.emplace_back(0, 100); // (1,1) = 1; the next cell starts at t0 = 100
        for (int i = 0; i < 50; ++i)
            script.draws.emplace_back(0, 101); // clashes within the budget keep drawing
        script.draws.emplace_back(0, 102);     // the budget is spent: a new pass
        addGoodPass(script, 200);
        GameState s = stateFor(3);
        QVERIFY(Spiel2Generieren(s, script.services()));
        QCOMPARE(script.passes, (std::vector<int>{1, 2}));
    }

    void fittingValueIsStoredPastTheBudget()
    {
        Script script;
        for (int v : {0, 1, 2, 1, 2, 0, 2, 0, 1})
            script.draws.emplace_back(v, 0 + 1000 * (v + 1)); // the clock jumps far past every t0
        GameState s = stateFor(3);
        QVERIFY(Spiel2Generieren(s, script.services()));
        QCOMPARE(script.passes, std::vector<int>{1});
        QVERIFY(isLatinSquare(s.loesung, 3));
    }

    void stopsWhenAskedAtThePassStart()
    {
        GameState s = stateFor(1);
        s.loesung(1, 1) = 4;
        GeneratorServices services;
        int calls = 0;
        services.onPass = [&](int) { return ++calls < 1; };
        QVERIFY(!Spiel2Generieren(s, services));
        QCOMPARE(calls, 1);
        QCOMPARE(s.loesung(1, 1), 4); // nothing touched after the stop
    }
};

QTEST_APPLESS_MAIN(TestGenerator)
#include "test_generator.moc"
