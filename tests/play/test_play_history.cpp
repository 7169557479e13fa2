// Undo and redo of the player's clicks and keys, played on a game state without a window.
#include "play/board_input.h"

#include <QtTest>

using namespace vantrell;

namespace {

// The player's cells as text: "22:3" a value, "22:-5" a struck 5, "22:3-5" both; in
// column order, given cells included.
QString describe(const GameState &s)
{
    QStringList cells;
    for (int x = 1; x <= s.groesse; ++x)
        for (int y = 1; y <= s.groesse; ++y) {
            QString cell;
            if (s.eingabe(x, y) != 0)
                cell += QString::number(s.eingabe(x, y));
            for (int v = 1; v <= 9; ++v)
                if (s.markierungen.value(x, y, v) && !s.gesperrt.value(x, y, v))
                    cell += QLatin1Char('-') + QString::number(v);
            if (!cell.isEmpty())
                cells << QStringLiteral("%1%2:").arg(x).arg(y) + cell;
        }
    return cells.join(QLatin1Char(' '));
}

} // namespace

class TestPlayHistory : public QObject {
    Q_OBJECT
private slots:
    void stepsBackAndForth_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QString>("at");    // the cell the last undo or redo changed, "" for none
        QTest::addColumn<QString>("steps"); // U: something to undo, R: something to redo
        // v22.3 the key 3 on cell (2,2), c22 Delete, m22.5 Shift+5; l22.3 and r22.5 the left and
        // right button on the sub-square of 3 and 5; u undo, y redo, n a new game.
        // Cell (1,1) is given (2); value 9 is not in the game.
        const auto row = [](const char *name, const char *script, const char *cells, const char *at,
                            const char *steps) {
            QTest::newRow(name) << QString::fromLatin1(script) << QString::fromLatin1(cells) << QString::fromLatin1(at)
                                << QString::fromLatin1(steps);
        };
        row("enter, undo", "v22.3 u", "11:2", "22", "-R");
        row("enter, undo, redo", "v22.3 u y", "11:2 22:3", "22", "U-");
        row("replace is one step", "v22.3 v22.4 u", "11:2 22:3", "22", "UR");
        row("a click on a value empties it", "l22.3 l22.4 u", "11:2 22:3", "22", "UR");
        row("clear", "v22.3 c22 u", "11:2 22:3", "22", "UR");
        row("a clear that empties nothing is no step", "v22.3 c33 u", "11:2", "22", "-R");
        row("strike", "m22.5 u", "11:2", "22", "-R");
        row("restore", "r22.5 r22.5 u", "11:2 22:-5", "22", "UR");
        row("a value with the marks it hides", "m22.5 v22.3 u", "11:2 22:-5", "22", "UR");
        row("a value and its marks come back together", "m22.5 m22.6 v22.3 c22 u", "11:2 22:3-5-6", "22", "UR");
        row("mixed cells, last first", "v22.3 m31.2 v44.1 u u", "11:2 22:3", "31", "UR");
        row("all the way back and forth", "v22.3 v22.4 c22 m22.1 u u u u y y y", "11:2", "22", "UR");
        row("a new change drops the redo", "v22.3 v33.1 u v44.2 y", "11:2 22:3 44:2", "", "U-");
        row("undo before the first change", "v22.3 u u", "11:2", "", "-R");
        row("a given cell is never a step", "v22.3 v11.4 l11.1 r11.3 u", "11:2", "22", "-R");
        row("a value not in the game is no step", "v22.3 v22.9 m22.9 u", "11:2", "22", "-R");
        row("a new game starts afresh", "v22.3 v33.1 u n u y", "11:2 22:3", "", "--");
    }
    void stepsBackAndForth()
    {
        QFETCH(QString, script);
        QFETCH(QString, cells);
        QFETCH(QString, at);
        QFETCH(QString, steps);
        GameState s;
        s.groesse = 4;
        s.vorgabe(1, 1) = s.eingabe(1, 1) = 2;
        for (int x = 1; x <= 4; ++x)
            for (int y = 1; y <= 4; ++y)
                s.gesperrt.value(x, y, 9) = s.markierungen.value(x, y, 9) = 1;
        PlayHistory history;
        QString lastStep;
        for (const QString &op : script.split(QLatin1Char(' '))) {
            const int x = op.size() > 2 ? op[1].digitValue() : 0;
            const int y = op.size() > 2 ? op[2].digitValue() : 0;
            const int v = op.size() > 4 ? op[4].digitValue() : 0;
            std::optional<CellChange> step;
            switch (op[0].toLatin1()) {
            case 'v':
                history.play(s, keyChange(s, {KeyCommand::Enter, 0, 0, v}, x, y));
                break;
            case 'c':
                history.play(s, keyChange(s, {KeyCommand::Clear, 0, 0, 0}, x, y));
                break;
            case 'm':
                history.play(s, keyChange(s, {KeyCommand::Mark, 0, 0, v}, x, y));
                break;
            case 'l':
            case 'r':
                history.play(s, clickChange(s, op[0] == QLatin1Char('l') ? BoardButton::Left : BoardButton::Right,
                                            subSquareOf(x, y, v)));
                break;
            case 'u':
            case 'y':
                step = op[0] == QLatin1Char('u') ? history.undo(s) : history.redo(s);
                lastStep = step ? QStringLiteral("%1%2").arg(step->x).arg(step->y) : QString();
                break;
            case 'n':
                history.clear();
                break;
            default:
                QFAIL(qPrintable(QStringLiteral("unknown step ") + op));
            }
        }
        QCOMPARE(describe(s), cells);
        QCOMPARE(lastStep, at);
        QCOMPARE(QString(QLatin1Char(history.canUndo() ? 'U' : '-')) + QLatin1Char(history.canRedo() ? 'R' : '-'),
                 steps);
        QCOMPARE(s.vorgabe(1, 1), 2);
    }
};

QTEST_APPLESS_MAIN(TestPlayHistory)
#include "test_play_history.moc"
