#include "play/board_input.h"
#include "core/points.h"

#include <QtTest>

using namespace vantrell;

class TestBoardInput : public QObject {
    Q_OBJECT
private slots:
    void locatesCellAndSubSquare_data()
    {
        QTest::addColumn<int>("px");
        QTest::addColumn<int>("py");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("value");
        QTest::newRow("origin") << 0 << 0 << 1 << 1 << 1;
        QTest::newRow("14 is the first third") << 14 << 14 << 1 << 1 << 1;
        QTest::newRow("15 is the second third") << 15 << 15 << 1 << 1 << 5;
        QTest::newRow("29 / 30") << 29 << 30 << 1 << 1 << 8;
        QTest::newRow("last pixel of a cell is sub-square 3") << 44 << 44 << 1 << 1 << 9;
        QTest::newRow("next cell") << 45 << 0 << 2 << 1 << 1;
        QTest::newRow("cell (2,1), value 4") << 46 << 20 << 2 << 1 << 4;
        QTest::newRow("last pixel of the board") << 404 << 404 << 9 << 9 << 9;
    }
    void locatesCellAndSubSquare()
    {
        QFETCH(int, px);
        QFETCH(int, py);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, value);
        const auto hit = locateClick(px, py, 9);
        QVERIFY(hit);
        QCOMPARE(hit->x, x);
        QCOMPARE(hit->y, y);
        QCOMPARE(hit->value(), value);
    }

    void ignoresPixelsOffTheBoard()
    {
        QVERIFY(!locateClick(-1, 3, 4));
        QVERIFY(!locateClick(180, 3, 4));
        QVERIFY(!locateClick(3, 180, 4));
        QVERIFY(!locateClick(0, 0, 0));
    }

    void leftButtonEntersAndEmpties()
    {
        GameState s;
        s.groesse = 4;
        const CellHit value3{2, 2, 3, 1};
        applyClick(s, BoardButton::Left, value3);
        QCOMPARE(s.eingabe(2, 2), 3);
        applyClick(s, BoardButton::Left, CellHit{2, 2, 1, 1}); // anywhere in a filled cell empties it
        QCOMPARE(s.eingabe(2, 2), 0);

        s.markierungen(2, 2, 3, 1) = 1; // a mark does not stop entering
        applyClick(s, BoardButton::Left, value3);
        QCOMPARE(s.eingabe(2, 2), 3);
        QCOMPARE(int(s.markierungen(2, 2, 3, 1)), 1);
    }

    void givenAndLockedCellsAndMiddleButtonChangeNothing()
    {
        GameState s;
        s.groesse = 4;
        s.vorgabe(1, 1) = s.eingabe(1, 1) = 2;
        for (BoardButton b : {BoardButton::Left, BoardButton::Right, BoardButton::Middle})
            applyClick(s, b, CellHit{1, 1, 1, 1});
        QCOMPARE(s.eingabe(1, 1), 2);
        QCOMPARE(int(s.markierungen(1, 1, 1, 1)), 0);

        s.gesperrt.value(3, 3, 7) = 1;
        const CellHit locked{3, 3, 1, 3};
        applyClick(s, BoardButton::Left, locked);
        applyClick(s, BoardButton::Right, locked);
        QCOMPARE(s.eingabe(3, 3), 0);
        QCOMPARE(int(s.markierungen.value(3, 3, 7)), 0);

        applyClick(s, BoardButton::Middle, CellHit{4, 4, 1, 1});
        QCOMPARE(s.eingabe(4, 4), 0);
    }

    void rightButtonTogglesMarksAlsoUnderAValue()
    {
        GameState s;
        s.groesse = 9;
        s.eingabe(5, 5) = 7;
        const CellHit hit{5, 5, 2, 2};
        applyClick(s, BoardButton::Right, hit);
        QCOMPARE(int(s.markierungen(5, 5, 2, 2)), 1);
        QCOMPARE(s.eingabe(5, 5), 7);
        applyClick(s, BoardButton::Right, hit);
        QCOMPARE(int(s.markierungen(5, 5, 2, 2)), 0);
    }

    void startingPoints_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("spielart");
        QTest::addColumn<char>("elemente");
        QTest::addColumn<int>("points");
        QTest::newRow("Free Training") << 4 << 8 << 4 << 'B' << 2208;
        QTest::newRow("Free Beginner") << 6 << 20 << 6 << 'B' << 9600;
        QTest::newRow("Free Advanced") << 7 << 20 << 7 << 'B' << 16800;
        QTest::newRow("Free Professional") << 9 << 25 << 9 << 'B' << 37800;
        QTest::newRow("Classical Beginner") << 9 << 60 << 1 << 'B' << 17160;
        QTest::newRow("Classical Advanced") << 9 << 40 << 1 << 'B' << 27240;
        QTest::newRow("Classical Professional") << 9 << 20 << 1 << 'B' << 37320;
        QTest::newRow("custom classic symbols 23") << 9 << 23 << 1 << 'S' << 40708;
        QTest::newRow("custom free symbols 23") << 9 << 23 << 9 << 'S' << 43708;
        QTest::newRow("3x3 symbols") << 3 << 3 << 3 << 'S' << 6 * 97 + 100;
        QTest::newRow("absurd pasted count saturates") << 9 << -2147483647 - 1 << 9 << 'B' << 2147483647;
    }
    void startingPoints()
    {
        QFETCH(int, n);
        QFETCH(int, a);
        QFETCH(int, spielart);
        QFETCH(char, elemente);
        QFETCH(int, points);
        QCOMPARE(vantrell::startingPoints(n, a, spielart, elemente), points);
    }
};

QTEST_APPLESS_MAIN(TestBoardInput)
#include "test_board_input.moc"
