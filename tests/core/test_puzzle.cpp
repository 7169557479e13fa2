#include "core/generator.h"
#include "core/puzzle.h"
#include "core/random.h"
#include "support/grid_checks.h"

#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

GameState generated(int spielart, int aufgedeckt)
{
    GameState s;
    s.spielart = spielart;
    s.groesse = spielart == 1 ? 9 : spielart;
    s.aufgedeckt = aufgedeckt;
    Spiel2Generieren(s);
    return s;
}

// Fills eingabe row by row from a list of n*n values.
void setRows(GameState &s, std::initializer_list<int> values)
{
    int i = 0;
    for (int v : values) {
        s.eingabe(i % s.groesse + 1, i / s.groesse + 1) = v;
        ++i;
    }
}

} // namespace

class TestPuzzle : public QObject {
    Q_OBJECT
private slots:
    void init() { RandSeed(42); }

    void choosesExactlyTheGivenCount_data()
    {
        QTest::addColumn<int>("spielart");
        QTest::addColumn<int>("aufgedeckt");
        QTest::addColumn<int>("expected");
        QTest::newRow("none") << 5 << 0 << 0;
        QTest::newRow("negative gives none") << 5 << -3 << 0;
        QTest::newRow("classic 40") << 1 << 40 << 40;
        QTest::newRow("every cell") << 4 << 16 << 16;
        QTest::newRow("above n*n is clamped") << 3 << 99 << 9;
        QTest::newRow("far above n*n is clamped") << 1 << 2000000000 << 81;
    }
    void choosesExactlyTheGivenCount()
    {
        QFETCH(int, spielart);
        QFETCH(int, aufgedeckt);
        QFETCH(int, expected);
        GameState s = generated(spielart, aufgedeckt);
        const Grid solution = s.loesung;
        Spiel3Vorbereiten(s);
        QCOMPARE(countNonZero(s.vorgabe), expected);
        QVERIFY(s.eingabe == s.vorgabe);
        QVERIFY(s.loesung == solution);
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                if (s.vorgabe(x, y) != 0)
                    QCOMPARE(s.vorgabe(x, y), s.loesung(x, y));
    }

    void acceptsValidFillings()
    {
        GameState s = generated(1, 0);
        s.eingabe = s.loesung;
        QVERIFY(Pruefen(s));

        // Another valid filling: swapping two values everywhere keeps every unit complete.
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) {
                int &v = s.eingabe(x, y);
                v = v == 1 ? 2 : v == 2 ? 1 : v;
            }
        QVERIFY(!(s.eingabe == s.loesung));
        QVERIFY(Pruefen(s));
    }

    void rejectsRightSumsWithRepeats()
    {
        GameState s;
        s.spielart = 4;
        s.groesse = 4;
        setRows(s, {1, 4, 1, 4, 4, 1, 4, 1, 1, 4, 1, 4, 4, 1, 4, 1});
        QVERIFY(!Pruefen(s));
    }

    void rejectsARepeatedValueInAClassicBlock()
    {
        // Rows are cyclic shifts by one: every row and column is complete, but the blocks repeat.
        GameState s;
        s.spielart = 1;
        s.groesse = 9;
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y)
                s.eingabe(x, y) = (x + y) % 9 + 1;
        QVERIFY(!Pruefen(s));
        s.spielart = 9; // the same grid is a valid free 9x9 board
        QVERIFY(Pruefen(s));
    }

    void rejectsEmptyAndOutOfRangeCells()
    {
        GameState s = generated(6, 0);
        s.eingabe = s.loesung;
        s.eingabe(3, 4) = 0;
        QVERIFY(!Pruefen(s));
        s.eingabe = s.loesung;
        s.eingabe(1, 1) = 9; // a value above n
        QVERIFY(!Pruefen(s));
    }

    void ignoresCellsOutsideTheBoard()
    {
        GameState s = generated(5, 0);
        s.eingabe = s.loesung;
        s.eingabe(6, 1) = 7;
        s.eingabe(9, 9) = -1;
        QVERIFY(Pruefen(s));
    }
};

QTEST_APPLESS_MAIN(TestPuzzle)
#include "test_puzzle.moc"
