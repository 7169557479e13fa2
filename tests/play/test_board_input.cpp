#include "play/board_input.h"

#include "core/points.h"
#include "play/board_speech.h"

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

    // Keys on a 4x4 board whose focus cell is (2, 3), unless a row says otherwise: where they
    // move it, what they play.
    void keyCommands_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("numberRow");
        QTest::addColumn<char>("elemente");
        QTest::addColumn<int>("command");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("value");
        const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        const auto row = [](const char *name, int key, int modifiers, int numberRow, char elemente, KeyCommand command,
                            QPoint to, int value, QPoint from = {2, 3}) {
            QTest::newRow(name) << from << key << modifiers << numberRow << elemente << int(command) << to << value;
        };
        const QPoint here(0, 0);
        row("left", Qt::Key_Left, none, -1, 'B', KeyCommand::Move, {1, 3}, 0);
        row("up", Qt::Key_Up, none, -1, 'B', KeyCommand::Move, {2, 2}, 0);
        row("down stops at the edge", Qt::Key_Down, none, -1, 'B', KeyCommand::Move, {2, 4}, 0, {2, 4});
        row("left stops at the edge", Qt::Key_Left, none, -1, 'B', KeyCommand::Move, {1, 1}, 0, {1, 1});
        row("home: the row's start", Qt::Key_Home, none, -1, 'B', KeyCommand::Move, {1, 3}, 0);
        row("end: the row's end", Qt::Key_End, none, -1, 'B', KeyCommand::Move, {4, 3}, 0);
        row("ctrl+home: the corner", Qt::Key_Home, ctrl, -1, 'B', KeyCommand::Move, {1, 1}, 0);
        row("ctrl+end: the far corner", Qt::Key_End, ctrl, -1, 'B', KeyCommand::Move, {4, 4}, 0);
        row("page down: the column's end", Qt::Key_PageDown, none, -1, 'B', KeyCommand::Move, {2, 4}, 0);
        row("keypad arrow", Qt::Key_Right, Qt::KeypadModifier, -1, 'B', KeyCommand::Move, {3, 3}, 0);
        row("digit enters", Qt::Key_3, none, -1, 'B', KeyCommand::Enter, here, 3);
        row("keypad digit enters", Qt::Key_4, Qt::KeypadModifier, -1, 'B', KeyCommand::Enter, here, 4);
        row("locked digit is still a command", Qt::Key_9, none, -1, 'B', KeyCommand::Enter, here, 9);
        row("ctrl+digit marks", Qt::Key_2, ctrl, -1, 'B', KeyCommand::Mark, here, 2);
        row("shift+digit arrives as a symbol: the key marks", Qt::Key_Exclam, shift, 1, 'B', KeyCommand::Mark, here, 1);
        row("shifted digit of another layout marks", Qt::Key_2, shift, 2, 'B', KeyCommand::Mark, here, 2);
        row("unshifted symbol of the number row enters", Qt::Key_Ampersand, none, 1, 'B', KeyCommand::Enter, here, 1);
        row("letter in the letter set", Qt::Key_C, none, -1, 'C', KeyCommand::Enter, here, 3);
        row("shift+letter marks", Qt::Key_I, shift, -1, 'C', KeyCommand::Mark, here, 9);
        row("letters mean nothing in other sets", Qt::Key_C, none, -1, 'B', KeyCommand::None, here, 0);
        row("letter past I", Qt::Key_J, none, -1, 'C', KeyCommand::None, here, 0);
        row("delete", Qt::Key_Delete, none, -1, 'B', KeyCommand::Clear, here, 0);
        row("backspace", Qt::Key_Backspace, none, -1, 'B', KeyCommand::Clear, here, 0);
        row("zero", Qt::Key_0, none, -1, 'B', KeyCommand::Clear, here, 0);
        row("alt+digit belongs to the window", Qt::Key_1, int(Qt::AltModifier), -1, 'B', KeyCommand::None, here, 0);
        row("other keys", Qt::Key_Space, none, -1, 'B', KeyCommand::None, here, 0);
    }
    void keyCommands()
    {
        QFETCH(QPoint, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, numberRow);
        QFETCH(char, elemente);
        QFETCH(int, command);
        QFETCH(QPoint, to);
        QFETCH(int, value);
        const BoardKeyCommand c =
            boardKeyCommand({key, Qt::KeyboardModifiers(modifiers), numberRow}, from.x(), from.y(), 4, elemente);
        QCOMPARE(int(c.command), command);
        if (c.command == KeyCommand::Move)
            QCOMPARE(QPoint(c.x, c.y), to);
        else
            QCOMPARE(c.value, value);
        QCOMPARE(int(boardKeyCommand({key, {}, -1}, 1, 1, 0, elemente).command), int(KeyCommand::None)); // no board
    }

    void numberRowDigits_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<uint>("scanCode");
        QTest::addColumn<uint>("virtualKey");
        QTest::addColumn<int>("digit");
        QTest::newRow("X11 1") << "xcb" << 10u << 0u << 1;
        QTest::newRow("X11 9") << "xcb" << 18u << 0u << 9;
        QTest::newRow("X11 0") << "xcb" << 19u << 0u << 0;
        QTest::newRow("X11 minus") << "xcb" << 20u << 0u << -1;
        QTest::newRow("Wayland 5") << "wayland" << 14u << 0u << 5;
        QTest::newRow("Windows 1") << "windows" << 2u << 0u << 1;
        QTest::newRow("Windows 0") << "windows" << 11u << 0u << 0;
        QTest::newRow("macOS 5") << "cocoa" << 0u << 0x17u << 5;
        QTest::newRow("macOS 6") << "cocoa" << 0u << 0x16u << 6;
        QTest::newRow("elsewhere nothing") << "offscreen" << 10u << 0x12u << -1;
    }
    void numberRowDigits()
    {
        QFETCH(QString, platform);
        QFETCH(uint, scanCode);
        QFETCH(uint, virtualKey);
        QFETCH(int, digit);
        QCOMPARE(numberRowDigit(platform, scanCode, virtualKey), digit);
    }

    // A key on cell (2, 2) of a 4x4 game plays as the click on the element's sub-square.
    void keysPlayAsClicks_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("given");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("marksAfter"); // the cell's marks of 1..4 as digits, 1 = struck
        const auto row = [](const char *name, int before, bool given, KeyCommand command, int value, int after,
                            int marks) {
            QTest::newRow(name) << before << given << int(command) << value << after << marks;
        };
        row("enter into an empty cell", 0, false, KeyCommand::Enter, 3, 3, 10);
        row("enter over a value replaces it", 2, false, KeyCommand::Enter, 4, 4, 10);
        row("enter the value it holds", 2, false, KeyCommand::Enter, 2, 2, 10);
        row("a locked value changes nothing", 2, false, KeyCommand::Enter, 6, 2, 10);
        row("given cells keep theirs", 2, true, KeyCommand::Enter, 4, 2, 10);
        row("clear empties", 2, false, KeyCommand::Clear, 0, 0, 10);
        row("clear on an empty cell enters nothing", 0, false, KeyCommand::Clear, 0, 0, 10);
        row("mark toggles", 0, false, KeyCommand::Mark, 2, 0, 0);
        row("mark also under a value", 3, false, KeyCommand::Mark, 4, 3, 11);
        row("no marks on a given cell", 2, true, KeyCommand::Mark, 4, 2, 10);
        row("moves play nothing", 0, false, KeyCommand::Move, 0, 0, 10);
    }
    void keysPlayAsClicks()
    {
        QFETCH(int, before);
        QFETCH(bool, given);
        QFETCH(int, command);
        QFETCH(int, value);
        QFETCH(int, after);
        QFETCH(int, marksAfter);
        GameState s;
        s.groesse = 4;
        for (int v = 5; v <= 9; ++v)
            s.gesperrt.value(2, 2, v) = 1;
        s.markierungen.value(2, 2, 2) = 1; // "10": 2 struck, 4 not
        s.eingabe(2, 2) = before;
        if (given)
            s.vorgabe(2, 2) = before;
        applyKey(s, {KeyCommand(command), 0, 0, value}, 2, 2);
        QCOMPARE(s.eingabe(2, 2), after);
        QCOMPARE(int(s.markierungen.value(2, 2, 2)) * 10 + int(s.markierungen.value(2, 2, 4)), marksAfter);
    }

    void spokenCells_data()
    {
        QTest::addColumn<char>("elemente");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("given");
        QTest::addColumn<QString>("name");
        QTest::newRow("number, given") << 'B' << 7 << true << "Row 3, column 2: 7, given";
        QTest::newRow("entered letter") << 'C' << 4 << false << "Row 3, column 2: D";
        QTest::newRow("entered symbol") << 'S' << 5 << false << "Row 3, column 2: star (5)";
        QTest::newRow("empty: the candidates not struck or locked") << 'R' << 0 << false
                                                                    << "Row 3, column 2: empty, candidates 1, 3";
        QTest::newRow("empty letters") << 'C' << 0 << false << "Row 3, column 2: empty, candidates A, C";
    }
    void spokenCells()
    {
        QFETCH(char, elemente);
        QFETCH(int, value);
        QFETCH(bool, given);
        QFETCH(QString, name);
        BoardSpeech speech;
        speech.cell = QStringLiteral("Row %1, column %2: %3");
        speech.given = QStringLiteral("%1, given");
        speech.empty = QStringLiteral("empty, no candidates");
        speech.candidates = QStringLiteral("empty, candidates %1");
        speech.separator = QStringLiteral(", ");
        speech.symbols[4] = QStringLiteral("star (5)");
        GameState s;
        s.groesse = 4;
        s.elemente = elemente;
        for (int v = 5; v <= 9; ++v)
            s.gesperrt.value(2, 3, v) = 1;
        s.markierungen.value(2, 3, 2) = 1;
        s.markierungen.value(2, 3, 4) = 1;
        s.eingabe(2, 3) = value;
        if (given)
            s.vorgabe(2, 3) = value;
        QCOMPARE(spokenCell(s, 2, 3, speech), name);
        s.markierungen.value(2, 3, 1) = s.markierungen.value(2, 3, 3) = 1;
        if (value == 0)
            QCOMPARE(spokenCell(s, 2, 3, speech), QStringLiteral("Row 3, column 2: empty, no candidates"));
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
