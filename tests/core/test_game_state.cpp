#include "core/game_state.h"

#include <QtTest>

using namespace vantrell;

class TestGameState : public QObject {
    Q_OBJECT
private slots:
    void clearsOnlyFlaggedGrids_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::newRow("all") << 1 << 1 << 1;
        QTest::newRow("loesung only") << 1 << 0 << 0;
        QTest::newRow("none, flag 2 is not 1") << 2 << 0 << -1;
        QTest::newRow("eingabe and vorgabe") << 0 << 1 << 1;
    }
    void clearsOnlyFlaggedGrids()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        GameState s;
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) {
                s.loesung(x, y) = 1;
                s.eingabe(x, y) = 2;
                s.vorgabe(x, y) = 3;
                for (int v = 1; v <= 9; ++v) {
                    s.markierungen.value(x, y, v) = 1;
                    s.gesperrt.value(x, y, v) = 1;
                }
            }
        s.AufNullSetzen(a, b, c);
        QCOMPARE(s.loesung(9, 9), a == 1 ? 0 : 1);
        QCOMPARE(s.eingabe(5, 3), b == 1 ? 0 : 2);
        QCOMPARE(s.vorgabe(1, 1), c == 1 ? 0 : 3);
        QVERIFY(s.markierungen == FlagSet{});
        QCOMPARE(int(s.gesperrt(9, 9, 3, 3)), 1); // locks are never touched
    }

    void subSquareOfValue()
    {
        // Value 4 lies at the left third of the middle band; the values read in reading order.
        QCOMPARE(FlagSet::subX(4), 1);
        QCOMPARE(FlagSet::subY(4), 2);
        for (int v = 1; v <= 9; ++v)
            QCOMPARE(FlagSet::valueAt(FlagSet::subX(v), FlagSet::subY(v)), v);
        FlagSet f;
        f.value(2, 1, 4) = 1;
        QCOMPARE(int(f(2, 1, 1, 2)), 1);
        QCOMPARE(int(f(2, 1, 2, 1)), 0);
    }
};

QTEST_APPLESS_MAIN(TestGameState)
#include "test_game_state.moc"
