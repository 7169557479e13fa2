#include "core/highscore_code.h"
#include "core/random.h"
#include "play/board_view.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "site_config.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"
#include "widgets/status_bar.h"
#include "widgets/window_drag.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

// Starts a seeded custom game: type entry (0 = 3x3 .. 7 = classic), count text, element entry.
void startGame(AppFixture &f, int typeEntry, int count, int elementEntry = 1, std::uint64_t seed = 5)
{
    f.prog->show();
    f.prog->FormActivate();
    f.combo("cbspiel")->setCurrentIndex(7);
    f.combo("cbspielart")->setCurrentIndex(typeEntry);
    setComboText(f.combo("cbgeloest"), f.prog->texts().countPrefix + QString::number(count));
    f.combo("cbelemente")->setCurrentIndex(elementEntry);
    RandSeed(seed);
    f.prog->spielstartenClick();
}

QPoint pixelOf(int x, int y, int value)
{
    return {45 * (x - 1) + 15 * ((value - 1) % 3) + 7, 45 * (y - 1) + 15 * ((value - 1) / 3) + 7};
}

void click(AppFixture &f, int x, int y, int value, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(f.find("spielfeld"), button, {}, pixelOf(x, y, value));
}

// The empty cells of the running game, in fill order.
QList<QPoint> emptyCells(AppFixture &f)
{
    QList<QPoint> cells;
    const GameState &g = f.prog->game();
    for (int x = 1; x <= g.groesse; ++x)
        for (int y = 1; y <= g.groesse; ++y)
            if (g.eingabe(x, y) == 0)
                cells << QPoint(x, y);
    return cells;
}

// Solves all but the last empty cell by clicking, and returns that last cell.
QPoint solveAllButOne(AppFixture &f)
{
    const QList<QPoint> cells = emptyCells(f);
    for (int i = 0; i + 1 < cells.size(); ++i)
        click(f, cells[i].x(), cells[i].y(), f.prog->game().loesung(cells[i].x(), cells[i].y()));
    return cells.last();
}

// A cell the player filled (not given, not `except`).
QPoint solvedByPlayer(AppFixture &f, QPoint except)
{
    const GameState &g = f.prog->game();
    for (int x = 1; x <= g.groesse; ++x)
        for (int y = 1; y <= g.groesse; ++y)
            if (g.vorgabe(x, y) == 0 && g.eingabe(x, y) != 0 && QPoint(x, y) != except)
                return {x, y};
    return {};
}

} // namespace

class TestGamePlay : public QObject {
    Q_OBJECT
private slots:
    void aWholeGameEndsOnTheCompletingClick_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("highscore");
        QTest::addColumn<bool>("byRedo");
        QTest::newRow("25540 points") << 25540 << false << false;
        QTest::newRow("25541 points") << 25541 << true << false;
        QTest::newRow("below zero") << -17 << false << false;
        QTest::newRow("25540 points, completed by a redo") << 25540 << false << true;
        QTest::newRow("25541 points, completed by a redo") << 25541 << true << true;
    }
    void aWholeGameEndsOnTheCompletingClick()
    {
        QFETCH(int, points);
        QFETCH(bool, highscore);
        QFETCH(bool, byRedo);
        AppFixture f("en");
        startGame(f, 7, 60);
        QCOMPARE(f.prog->spiellaeuft(), 1);
        QVERIFY(f.prog->gameTimer()->isActive());
        QCOMPARE(f.prog->stat()->panelText(0), QStringLiteral("Ready. Have Fun!"));
        QCOMPARE(f.find<QPlainTextEdit>("hilfep")->toPlainText(),
                 QStringLiteral("Use the Mouse on the Field!\nLeft Mouse Button: Choose Element.\nRight Mouse Button: Mark Element."));
        const QPoint last = solveAllButOne(f);
        QCOMPARE(f.prog->spiellaeuft(), 1);
        QVERIFY(!appWindows().gewKein->isVisible() && !appWindows().gewHigh->isVisible());

        f.prog->setPunkte(points + 1);
        f.prog->TimerTimer(); // the status bar freezes what the result windows show
        GameState &g = f.prog->game();
        if (byRedo) {
            // Every grid a redo reaches was reached before, and checked then; here another
            // cell is emptied behind the history's back, so that the redo completes the grid.
            const QPoint filled = solvedByPlayer(f, last);
            g.eingabe(filled.x(), filled.y()) = 0;
            click(f, last.x(), last.y(), g.loesung(last.x(), last.y()));
            f.prog->undoStep();
            QCOMPARE(g.eingabe(last.x(), last.y()), 0);
            g.eingabe(filled.x(), filled.y()) = g.loesung(filled.x(), filled.y());
            f.find<BoardView>("spielfeld")->setFocusCell(1, 1);
            f.prog->setPunkte(points + 1);
            f.prog->TimerTimer();
            f.prog->redoStep();
            QCOMPARE(f.find<BoardView>("spielfeld")->focusCell(), last);
        } else {
            click(f, last.x(), last.y(), g.loesung(last.x(), last.y()));
        }
        QCOMPARE(f.prog->spiellaeuft(), 0);
        QVERIFY(!f.prog->gameTimer()->isActive());
        QWidget *shown = highscore ? static_cast<QWidget *>(appWindows().gewHigh) : static_cast<QWidget *>(appWindows().gewKein);
        QVERIFY(shown->isVisible());
        QWidget *other = highscore ? static_cast<QWidget *>(appWindows().gewKein) : static_cast<QWidget *>(appWindows().gewHigh);
        QVERIFY(!other->isVisible());
        shown->activateWindow();
        if (highscore) {
            appWindows().gewHigh->FormActivate();
            QCOMPARE(shown->findChild<QLabel *>("lapunkte")->text(), QString::number(points));
            QCOMPARE(shown->findChild<QLabel *>("laspielart")->text(), QStringLiteral("1"));
            QCOMPARE(shown->findChild<QLabel *>("laaufgedeckt")->text(), QStringLiteral("60"));
            QCOMPARE(shown->findChild<QLabel *>("laelemente")->text(), QStringLiteral("B"));
        } else {
            appWindows().gewKein->FormActivate();
        }
        QCOMPARE(shown->findChild<QLabel *>("Label1")->text(), QString::number(points) + QStringLiteral(" Points"));
        QVERIFY(!f.prog->isEnabled());

        // Clicks, undo and redo after the end change nothing.
        const Grid before = f.prog->game().eingabe;
        click(f, last.x(), last.y(), 1);
        f.prog->undoStep();
        f.prog->redoStep();
        QVERIFY(f.prog->game().eingabe == before);

        if (highscore)
            appWindows().gewHigh->Image3Click();
        else
            appWindows().gewKein->Image2Click();
        QVERIFY(f.prog->isEnabled());
        QVERIFY(!shown->isVisible());
    }

    // The keys play through the click's path: a game filled by keys alone ends on the key
    // that completes it, with the same window; before the game and after it keys change
    // nothing, and a click moves the cell the keys start from.
    void aWholeGameByKeys()
    {
        AppFixture f("en");
        auto *board = f.find<BoardView>("spielfeld");
        const auto keysTo = [board](int x, int y) {
            QTest::keyClick(board, Qt::Key_Home, Qt::ControlModifier);
            for (int i = 1; i < x; ++i)
                QTest::keyClick(board, Qt::Key_Right);
            for (int i = 1; i < y; ++i)
                QTest::keyClick(board, Qt::Key_Down);
            QCOMPARE(board->focusCell(), QPoint(x, y));
        };
        startGame(f, 1, 6); // 4x4 free, below the highscore bar
        f.prog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.prog));
        QTest::mouseClick(board, Qt::MiddleButton, {}, pixelOf(3, 2, 1));
        QVERIFY(board->hasFocus());
        QCOMPARE(board->focusCell(), QPoint(3, 2));

        GameState &g = f.prog->game();
        const QList<QPoint> cells = emptyCells(f);
        for (const QPoint &c : cells) {
            keysTo(c.x(), c.y());
            const int right = g.loesung(c.x(), c.y());
            QTest::keyClick(board, Qt::Key_0 + right % 4 + 1); // a wrong value first, replaced below
            QCOMPARE(g.eingabe(c.x(), c.y()), right % 4 + 1);
            QCOMPARE(f.prog->spiellaeuft(), 1);
            QTest::keyClick(board, Qt::Key_0 + right);
        }
        QCOMPARE(f.prog->spiellaeuft(), 0);
        QVERIFY(!f.prog->gameTimer()->isActive());
        QVERIFY(appWindows().gewKein->isVisible());

        const Grid solved = g.eingabe;
        QTest::keyClick(board, Qt::Key_Delete);
        QVERIFY(g.eingabe == solved);
        appWindows().gewKein->Image2Click();
    }

    void repeatedValuesNeverEndTheGame()
    {
        AppFixture f("en");
        startGame(f, 1, 6); // 4x4 free
        const QList<QPoint> cells = emptyCells(f);
        for (const QPoint &c : cells)
            click(f, c.x(), c.y(), 1 + (c.x() + c.y()) % 2); // full, but not a Latin square
        QCOMPARE(f.prog->spiellaeuft(), 1);
        QVERIFY(!appWindows().gewKein->isVisible());
    }

    void clicksOnGivenAndLockedSquares()
    {
        AppFixture f("en");
        startGame(f, 2, 10); // 5x5 free
        GameState &g = f.prog->game();
        QPoint given, empty;
        for (int x = 1; x <= 5; ++x)
            for (int y = 1; y <= 5; ++y)
                (g.vorgabe(x, y) ? given : empty) = QPoint(x, y);
        const int givenValue = g.eingabe(given.x(), given.y());
        click(f, given.x(), given.y(), 1);
        click(f, given.x(), given.y(), 1, Qt::RightButton);
        QCOMPARE(g.eingabe(given.x(), given.y()), givenValue);
        QCOMPARE(int(g.markierungen.value(given.x(), given.y(), 1)), 0);

        for (int v = 6; v <= 9; ++v) { // values above n are locked
            click(f, empty.x(), empty.y(), v);
            click(f, empty.x(), empty.y(), v, Qt::RightButton);
            QCOMPARE(g.eingabe(empty.x(), empty.y()), 0);
            QCOMPARE(int(g.markierungen.value(empty.x(), empty.y(), v)), 1);
        }
        click(f, empty.x(), empty.y(), 2, Qt::MiddleButton);
        QCOMPARE(g.eingabe(empty.x(), empty.y()), 0);

        // A mark hides under a value and shows again after emptying.
        click(f, empty.x(), empty.y(), 2, Qt::RightButton);
        click(f, empty.x(), empty.y(), 3);
        QCOMPARE(g.eingabe(empty.x(), empty.y()), 3);
        click(f, empty.x(), empty.y(), 2, Qt::RightButton); // toggles the hidden mark off
        QCOMPARE(int(g.markierungen.value(empty.x(), empty.y(), 2)), 0);
        click(f, empty.x(), empty.y(), 1);
        QCOMPARE(g.eingabe(empty.x(), empty.y()), 0);
    }

    // The clock takes a point every 50 ms and the points panel shows each of them: the
    // status bar draws that panel alone, about once a tick, and ends on the last value.
    void theRunningClockDrawsEveryTick()
    {
        AppFixture f("en");
        startGame(f, 1, 6);
        StatusBar *bar = f.prog->stat();
        QVERIFY(QTest::qWaitForWindowExposed(f.prog));
        QTest::qWait(300); // the start's own changes are drawn

        struct PaintCounter : QObject {
            StatusBar *bar;
            std::array<int, 4> paints{};
            QStringList pointsDrawn;
            bool wholePanels = true;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint) {
                    const QRect area = static_cast<QPaintEvent *>(event)->rect();
                    for (int i = 0; i < 4; ++i)
                        if (area.intersects(bar->panelRect(i)))
                            ++paints[std::size_t(i)];
                    if (area.intersects(bar->panelRect(2))) {
                        pointsDrawn << bar->panelText(2);
                        wholePanels = wholePanels && area == bar->panelRect(2);
                    }
                }
                return false;
            }
        } counter;
        counter.bar = bar;
        bar->installEventFilter(&counter);
        const int before = f.prog->punkte();
        QTest::qWait(1000);
        f.prog->gameTimer()->stop();
        const int ticks = before - f.prog->punkte();
        QTest::qWait(300);
        bar->removeEventFilter(&counter);

        // 20 ticks in a second; a loaded machine runs fewer, and may now and then draw two
        // of them at once.
        const int drawn = counter.paints[2];
        const QString seen = QStringLiteral("%1 paints for %2 ticks").arg(drawn).arg(ticks);
        QVERIFY2(ticks >= 10, qPrintable(seen));
        QVERIFY2(drawn >= ticks - ticks / 4 && drawn <= ticks + 1, qPrintable(seen));
        QCOMPARE(counter.paints[0] + counter.paints[1] + counter.paints[3], 0);
        QVERIFY(counter.wholePanels);
        QVERIFY(!counter.pointsDrawn.isEmpty());
        QCOMPARE(counter.pointsDrawn.last(), QString::number(f.prog->punkte()) + f.prog->texts().pointsSuffix);
        // Each drawing showed a value of its own: none was drawn twice.
        QCOMPARE(QSet<QString>(counter.pointsDrawn.begin(), counter.pointsDrawn.end()).size(), counter.pointsDrawn.size());
    }

    void clockAndPoints()
    {
        AppFixture f("de");
        startGame(f, 7, 40);
        QCOMPARE(f.prog->punkte(), 27240);
        QCOMPARE(f.prog->stat()->panelText(2), QStringLiteral("27240 Punkte"));
        f.prog->setPunkte(1);
        f.prog->TimerTimer();
        f.prog->TimerTimer();
        QCOMPARE(f.prog->stat()->panelText(2), QStringLiteral("-1 Punkte"));

        // A new start restarts the clock from the new starting points.
        f.prog->spielstartenClick();
        QCOMPARE(f.prog->punkte(), 27240);
        QVERIFY(f.prog->gameTimer()->isActive());

        // The print page stops the clock for good.
        f.prog->pc()->setCurrentIndex(1);
        QVERIFY(!f.prog->gameTimer()->isActive());
        f.prog->pc()->setCurrentIndex(0);
        QVERIFY(!f.prog->gameTimer()->isActive());
    }

    void closingWhileAPuzzleIsBuiltAbandonsIt()
    {
        AppFixture f("en");
        f.prog->show();
        f.prog->FormActivate();
        // The close arrives while the generator lets pending events run.
        QTimer::singleShot(0, f.prog, &QWidget::close);
        f.prog->spielstartenClick();
        QVERIFY(f.prog->isClosing());
        QCOMPARE(f.prog->spiellaeuft(), 0);
        QVERIFY(!f.prog->gameTimer()->isActive());
        QVERIFY(!f.prog->isVisible());
    }

    void resultWindowsByLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("keinTitle");
        QTest::addColumn<QString>("highTitle");
        QTest::addColumn<int>("keinLabelTop");
        QTest::addColumn<int>("highLabelTop");
        QTest::addColumn<QString>("defaultName");
        QTest::newRow("de") << "de" << "Herzlichen Glückwunsch" << "Highscoreverdächtig!" << 55 << 52 << "Anonymer Sudokuspieler";
        QTest::newRow("en") << "en" << "Congratulations" << "Possibly a World Record!" << 65 << 57 << "Anonymous";
    }
    void resultWindowsByLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, keinTitle);
        QFETCH(QString, highTitle);
        QFETCH(int, keinLabelTop);
        QFETCH(int, highLabelTop);
        QFETCH(QString, defaultName);
        AppFixture f(language);
        Tgew_kein *kein = appWindows().gewKein;
        Tgew_high *high = appWindows().gewHigh;
        QCOMPARE(kein->windowTitle(), keinTitle);
        QCOMPARE(high->windowTitle(), highTitle);
        QCOMPARE(kein->size(), QSize(400, 155));
        QCOMPARE(high->size(), QSize(400, 340));
        QCOMPARE(kein->findChild<QLabel *>("Label1")->y(), keinLabelTop);
        QCOMPARE(high->findChild<QLabel *>("Label1")->y(), highLabelTop);
        QCOMPARE(high->findChild<QLineEdit *>("Edit1")->text(), defaultName);

        int drags = 0;
        setDragStartHook([&](QWidget *) { ++drags; });
        QTest::mousePress(kein->findChild<QWidget *>(language == "de" ? "Image1" : "Image3"), Qt::LeftButton);
        QTest::mousePress(kein->findChild<QWidget *>("Label1"), Qt::LeftButton);
        QTest::mousePress(high->findChild<QWidget *>(language == "de" ? "Image1" : "Image4"), Qt::LeftButton);
        setDragStartHook({});
        QCOMPARE(drags, 3);
    }

    void highscoreCodeAndAddress()
    {
        AppFixture f("en");
        Tgew_high *high = appWindows().gewHigh;
        high->findChild<QLabel *>("lapunkte")->setText("30123");
        high->findChild<QLabel *>("laspielart")->setText("1");
        high->findChild<QLabel *>("laaufgedeckt")->setText("23");
        high->findChild<QLabel *>("laelemente")->setText("S");
        high->FormActivate();
        const QString code = high->pruefcode();
        QCOMPARE(code.size(), 23);
        const auto decoded = decodeHighscoreCode(code.toStdString());
        QVERIFY(decoded.valid());
        QCOMPARE(decoded.punkte, 30123);
        QCOMPARE(decoded.aufgedeckt, 23);
        QCOMPARE(decoded.elemente, 'S');
        auto *edit2 = high->findChild<QLineEdit *>("Edit2");
        auto *edit3 = high->findChild<QLineEdit *>("Edit3");
        const QString page = QStringLiteral("http://www.%1/index.php?ziel=medsudokuhighscore&name=").arg(QLatin1String(build::homeSiteEn));
        QCOMPARE(edit2->text(), code);
        QCOMPARE(edit3->text(), page + "Sudokus%20Anonymus&code=" + code);

        // The fields can be selected but not changed.
        edit2->setText("123");
        edit3->setText("http://elsewhere");
        QCOMPARE(edit2->text(), code);
        QCOMPARE(edit3->text(), high->linkanzeige());

        auto *edit1 = high->findChild<QLineEdit *>("Edit1");
        edit1->setText(QStringLiteral("Jörg & Co #1 100%"));
        QCOMPARE(edit3->text(), page + "J%C3%B6rg%20%26%20Co%20%231%20100%25&code=" + code);
        edit1->clear();
        QCOMPARE(edit3->text(), page + "&code=" + code);

        // A new activation builds a new code and restores the fixed name part.
        high->FormActivate();
        QVERIFY(high->findChild<QLineEdit *>("Edit3")->text().contains("Sudokus%20Anonymus"));
        QCOMPARE(decodeHighscoreCode(high->pruefcode().toStdString()).punkte, 30123);

        // Submitting with an empty name sends the default name.
        high->show();
        high->Image2Click();
        QCOMPARE(f.opened.size(), 1);
        QCOMPARE(f.opened.first(), page + "Anonymous&code=" + high->pruefcode());
        QVERIFY(!high->isVisible());
        QVERIFY(f.prog->isEnabled());
        const QUrlQuery query(QUrl(f.opened.first()));
        QCOMPARE(query.queryItemValue("code"), high->pruefcode());
    }
};

QTEST_MAIN(TestGamePlay)
#include "test_game_play.moc"
