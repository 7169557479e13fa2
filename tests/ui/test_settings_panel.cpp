// The settings boxes as the player works them: arrow keys, the wheel, the opened list,
// deleting and pasting; and what the next game makes of the texts they show.
#include "core/random.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <cstdlib>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

void selectAllByKeys(QComboBox *box)
{
    QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
    QTest::keyClick(box->lineEdit(), Qt::Key_A, Qt::ControlModifier);
}

void emptyByKeys(QComboBox *box)
{
    selectAllByKeys(box);
    QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
}

void paste(QComboBox *box, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    selectAllByKeys(box);
    QTest::keyClick(box->lineEdit(), Qt::Key_V, Qt::ControlModifier);
}

// Wheel notches over the middle of the box. The line edit there passes them on to the box,
// so they go to the box itself (the application passes on only spontaneous ones). Positive
// turns away from the player, towards the top of the list.
void turnWheel(QComboBox *box, int notches)
{
    const QPoint middle = box->rect().center();
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent wheel(middle, box->mapToGlobal(middle), {}, {0, notches > 0 ? 120 : -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
    }
}

// Opens the list with a click on the arrow and returns the entry it highlights.
QString highlightedInOpenedList(QComboBox *box)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const QRect arrow = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, arrow.center());
    const bool opened = box->view()->isVisible();
    const QModelIndex highlighted = box->view()->currentIndex();
    box->hidePopup();
    if (!opened)
        return QStringLiteral("<list not opened>");
    return highlighted.isValid() ? box->itemText(highlighted.row()) : QString();
}

int givens(const GameState &g)
{
    int count = 0;
    for (int x = 1; x <= g.groesse; ++x)
        for (int y = 1; y <= g.groesse; ++y)
            count += g.vorgabe(x, y) != 0;
    return count;
}

void startGame(AppFixture &f)
{
    RandSeed(11);
    f.prog->spielstartenClick();
}

void showCustomPanel(AppFixture &f)
{
    f.prog->show();
    f.prog->FormActivate();
    emptyByKeys(f.combo("cbspiel")); // an emptied preset turns into the custom game
    QVERIFY(!f.combo("cbgeloest")->isHidden());
}

} // namespace

class TestSettingsPanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The print dialog asks for printers: never the machine's own scheduler.
        qputenv("CUPS_SERVER", QByteArray("/nonexistent/vantrell-test.sock"));
    }

    void movesStartFromTheShownEntry_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("before"); // what the player did first
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *language, const char *box, const char *before, const char *action, const QString &expected) {
            QTest::addRow("%s %s, %s, %s", language, box, before, action)
                << QString::fromLatin1(language) << QString::fromLatin1(box) << QString::fromLatin1(before)
                << QString::fromLatin1(action) << expected;
        };
        row("en", "cbspiel", "start", "Down", "Classical Sudoku Professional");
        row("en", "cbspiel", "start", "Up", "Classical Sudoku Beginner");
        row("en", "cbspiel", "start", "wheel down 2", "User Defined");
        row("en", "cbspiel", "start", "wheel up 2", "Free Professional");
        row("en", "cbspiel", "start", "open list", "Classical Sudoku Advanced");
        row("de", "cbspiel", "start", "Down", "Klassisch Profi");
        row("en", "cbspielart", "start", "Up", "9x9 Free");
        row("en", "cbspielart", "start", "wheel up 1", "9x9 Free");
        row("en", "cbspielart", "start", "open list", "9x9 Classical");
        row("en", "cbgeloest", "start", "Down", "Elements Set: 42");
        row("de", "cbgeloest", "start", "wheel up 1", "Eingetragene Elemente: 40");
        row("en", "cbgeloest", "start", "open list", "Elements Set: 41");
        row("en", "cbgeloest", "3x3 chosen", "Down", "Elements Set: 5");
        row("en", "cbgeloest", "3x3 chosen", "open list", "Elements Set: 4");
        row("en", "cbelemente", "start", "Down", "Elements: Symbols");
        row("en", "cbelemente", "start", "wheel up 1", "Elements: Red Numbers");
        row("en", "cbelemente", "start", "open list", "Elements: Blue Numbers");
        // After the panel changed the text itself: the emptied preset became the custom game.
        row("en", "cbspiel", "preset emptied", "Up", "Classical Sudoku Professional");
        row("en", "cbspiel", "preset emptied", "open list", "User Defined");
        row("en", "cbelemente", "entry pasted", "Up", "Elements: Classic");
        row("en", "cbelemente", "entry pasted", "wheel up 1", "Elements: Classic");
        // A text that is no entry: no entry is current, so Down and the opened list's cursor
        // go to the first entry, and Up has nowhere to go.
        row("en", "cbspielart", "text pasted", "Down", "3x3 Free");
        row("en", "cbspielart", "text pasted", "open list", "3x3 Free");
        row("en", "cbspielart", "text pasted", "Up", "Hello");
    }
    void movesStartFromTheShownEntry()
    {
        QFETCH(QString, language);
        QFETCH(QString, box);
        QFETCH(QString, before);
        QFETCH(QString, action);
        QFETCH(QString, expected);
        AppFixture f(language);
        f.prog->show();
        f.prog->FormActivate();
        if (box != QLatin1String("cbspiel"))
            f.combo("cbspiel")->setCurrentIndex(kCustomPreset);
        if (before == QLatin1String("3x3 chosen"))
            f.combo("cbspielart")->setCurrentIndex(0);
        else if (before == QLatin1String("preset emptied"))
            emptyByKeys(f.combo("cbspiel"));
        else if (before == QLatin1String("entry pasted"))
            paste(f.combo(qPrintable(box)), QStringLiteral("Elements: Characters"));
        else if (before == QLatin1String("text pasted")) {
            f.combo(qPrintable(box))->setCurrentIndex(3); // away from the first entry
            paste(f.combo(qPrintable(box)), QStringLiteral("Hello"));
        }

        QComboBox *combo = f.combo(qPrintable(box));
        QVERIFY(!combo->isHidden());
        if (action == QLatin1String("open list")) {
            QCOMPARE(highlightedInOpenedList(combo), expected);
            return;
        }
        if (action == QLatin1String("Down"))
            QTest::keyClick(combo, Qt::Key_Down);
        else if (action == QLatin1String("Up"))
            QTest::keyClick(combo, Qt::Key_Up);
        else if (action.startsWith(QLatin1String("wheel up ")))
            turnWheel(combo, action.back().digitValue());
        else
            turnWheel(combo, -action.back().digitValue());
        QCOMPARE(comboText(combo), expected);
        QCOMPARE(combo->currentIndex(), combo->findText(expected));
    }

    // The print dialog fills its printer box on every showing, then puts the last choice back.
    void printerBoxMovesFromTheShownPrinter()
    {
        AppFixture f("en");
        auto *box = appWindows().druckfenster->findChild<QComboBox *>("cbdruck");
        box->addItems({QStringLiteral("Office Laser"), QStringLiteral("Photo"), QStringLiteral("Labels")});
        setComboText(box, QStringLiteral("Photo"));
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(comboText(box), QStringLiteral("Labels"));
        setComboText(box, QStringLiteral("Standart"));
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(comboText(box), QStringLiteral("Standart"));
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(comboText(box), QStringLiteral("Office Laser"));
    }

    void emptiedTypeKeepsTheCountList_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("de") << "de";
        QTest::newRow("en") << "en";
    }
    void emptiedTypeKeepsTheCountList()
    {
        QFETCH(QString, language);
        AppFixture f(language);
        showCustomPanel(f);
        const QString prefix = f.prog->texts().countPrefix;
        QComboBox *counts = f.combo("cbgeloest");
        QTest::keyClick(counts, Qt::Key_Down); // the player's count: 42
        emptyByKeys(f.combo("cbspielart"));
        QCOMPARE(comboText(f.combo("cbspielart")), QString());
        QCOMPARE(counts->count(), 38);
        QCOMPARE(counts->itemText(0), prefix + "23");
        QCOMPARE(comboText(counts), prefix + "42");
        f.prog->FormActivate();
        QCOMPARE(comboText(counts), prefix + "42");

        startGame(f); // nothing played before: the classic board
        const GameState &g = f.prog->game();
        QCOMPARE(g.spielart, 1);
        QCOMPARE(g.aufgedeckt, 42);
        QCOMPARE(givens(g), 42);
        QCOMPARE(f.prog->punkte(), 9 * 8 * 7 * 58 - 3000);
        QCOMPARE(comboText(counts), prefix + "42");
    }

    void countTextsThatAreNoEntryPlayTheInitialCount_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("byKeys"); // pasted, or set as the text by the program
        QTest::addColumn<QString>("count"); // as the box shows it, "%1" for the prefix
        QTest::addColumn<int>("played");
        for (const char *language : {"de", "en"}) {
            const auto row = [&](const char *name, bool byKeys, const QString &count, int played) {
                QTest::addRow("%s %s", language, name) << QString::fromLatin1(language) << byKeys << count << played;
            };
            row("an entry", true, "~12", 12);
            row("two blanks", true, "~ 15", 19);
            row("twenty digits", false, "~12345678901234567890", 19);
            row("negative", true, "~-5", 19);
            row("Arabic-Indic five", false, QStringLiteral("~\u0665"), 19);
            row("two counts", true, "~1~2", 19);
            row("leading zero", false, "~015", 19);
            row("below the list", true, "~5", 19);
            row("no prefix", true, "15", 19);
            row("emptied", true, "", 19);
        }
    }
    void countTextsThatAreNoEntryPlayTheInitialCount()
    {
        QFETCH(QString, language);
        QFETCH(bool, byKeys);
        QFETCH(QString, count);
        QFETCH(int, played);
        AppFixture f(language);
        showCustomPanel(f);
        f.combo("cbspielart")->setCurrentIndex(3); // 6x6 free: 11 to 28, initially 19
        QComboBox *counts = f.combo("cbgeloest");
        const QString text = QString(count).replace(QLatin1Char('~'), f.prog->texts().countPrefix);
        if (!byKeys)
            counts->setEditText(text);
        else if (text.isEmpty())
            emptyByKeys(counts);
        else
            paste(counts, text);
        QCOMPARE(comboText(counts), text);

        startGame(f);
        const GameState &g = f.prog->game();
        QCOMPARE(g.spielart, 6);
        QCOMPARE(g.aufgedeckt, played);
        QCOMPARE(givens(g), played);
        QCOMPARE(f.prog->punkte(), 6 * 5 * 4 * (100 - played));
        // The box shows the count that is played, as the current entry of an unchanged list.
        QCOMPARE(comboText(counts), f.prog->texts().countPrefix + QString::number(played));
        QCOMPARE(counts->count(), 18);
        QCOMPARE(counts->currentIndex(), played - 11);
    }

    // A print page reads the panel as a game start does.
    void printPageShowsTheCountItPrints()
    {
        AppFixture f("de");
        showCustomPanel(f);
        f.combo("cbspielart")->setCurrentIndex(0); // 3x3: 3 to 6, initially 4
        const QString prefix = f.prog->texts().countPrefix;
        paste(f.combo("cbgeloest"), prefix + "-5");
        f.prog->pc()->setCurrentIndex(1);
        f.combo("cbdruck")->setCurrentIndex(0); // one field
        RandSeed(11);
        f.prog->vorschaudruckClick();
        QCOMPARE(f.prog->game().spielart, 3);
        QCOMPARE(f.prog->game().aufgedeckt, 4);
        QCOMPARE(givens(f.prog->game()), 4);
        QCOMPARE(comboText(f.combo("cbgeloest")), prefix + "4");
        appWindows().druckfenster->Image2Click();
        QVERIFY(f.prog->isEnabled());
    }

    // The list kept for a pasted type was made for 3x3; the game keeps the free 9x9 board of
    // the game before, and 4 givens there would start at 48384 points.
    void countFitsTheTypeThatIsPlayed()
    {
        AppFixture f("en");
        f.prog->show();
        f.prog->FormActivate();
        f.combo("cbspiel")->setCurrentIndex(3); // "Free Professional": a free 9x9 board
        startGame(f);
        QCOMPARE(f.prog->game().spielart, 9);

        f.combo("cbspiel")->setCurrentIndex(kCustomPreset);
        f.combo("cbspielart")->setCurrentIndex(0);
        paste(f.combo("cbspielart"), QStringLiteral("Hello"));
        QComboBox *counts = f.combo("cbgeloest");
        QCOMPARE(counts->count(), 4);
        QCOMPARE(comboText(counts), QStringLiteral("Elements Set: 4"));

        startGame(f);
        const GameState &g = f.prog->game();
        QCOMPARE(g.spielart, 9);
        QCOMPARE(g.aufgedeckt, 41);
        QCOMPARE(givens(g), 41);
        QCOMPARE(f.prog->punkte(), 9 * 8 * 7 * 59);
        QCOMPARE(counts->count(), 38);
        QCOMPARE(comboText(counts), QStringLiteral("Elements Set: 41"));
        QCOMPARE(counts->currentIndex(), 41 - 23);
    }

    void pastedPresetBeforeAnyGamePlaysTheInitialPreset()
    {
        AppFixture f("en");
        f.prog->show();
        f.prog->FormActivate();
        paste(f.combo("cbspiel"), QStringLiteral("Hello"));
        QCOMPARE(comboText(f.combo("cbspiel")), QStringLiteral("Hello"));
        QVERIFY(f.combo("cbspielart")->isHidden());

        startGame(f);
        const GameState &g = f.prog->game();
        QCOMPARE(g.spielart, 1);
        QCOMPARE(g.aufgedeckt, 40);
        QCOMPARE(g.elemente, 'B');
        QCOMPARE(givens(g), 40);
        QCOMPARE(f.prog->punkte(), 27240);
        QCOMPARE(f.prog->spiellaeuft(), 1);
        QVERIFY(f.prog->gameTimer()->isActive());
    }
};

QTEST_MAIN(TestSettingsPanel)
#include "test_settings_panel.moc"
