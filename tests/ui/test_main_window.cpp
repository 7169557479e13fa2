#include "site_config.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"
#include "widgets/status_bar.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>
#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

struct Column {
    int image4Top, gb1Height, gb2Top, gb3Top;
};

Column column(const AppFixture &f)
{
    return {f.find("Image4")->y(), f.find<QGroupBox>("gb1")->height(), f.find<QGroupBox>("gb2")->y(),
            f.find<QGroupBox>("gb3")->y()};
}

void chooseEntry(QComboBox *box, int index) { box->setCurrentIndex(index); }

// The help memo shows its whole text: nothing to scroll, and the end of the text lies
// within the memo, which lies within its group box.
void checkHelpShownWhole(const AppFixture &f, const QString &text)
{
    auto *memo = f.find<QPlainTextEdit>("hilfep");
    QCOMPARE(memo->toPlainText(), text);
    QCoreApplication::processEvents();
    QCOMPARE(memo->verticalScrollBar()->maximum(), 0);
    QTextCursor end(memo->document());
    end.movePosition(QTextCursor::End);
    QVERIFY2(memo->cursorRect(end).bottom() < memo->viewport()->height(),
             qPrintable(QStringLiteral("text ends at %1 in a memo %2 high")
                            .arg(memo->cursorRect(end).bottom()).arg(memo->viewport()->height())));
    QVERIFY(memo->parentWidget()->rect().contains(memo->geometry()));
}

// Pixels of a widget's picture in a clearly red hue: maroon captions, not grey ones.
int reddishPixels(QWidget *widget)
{
    const QImage picture = widget->grab().toImage();
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            n += c.red() - std::max(c.green(), c.blue()) > 50;
        }
    return n;
}

// The name a screen reader reads for a widget with the focus (or for its part that has it).
QString spokenName(QWidget *widget)
{
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
    if (!a)
        return {};
    const QString name = a->text(QAccessible::Name);
    return name.isEmpty() && a->focusChild() ? a->focusChild()->text(QAccessible::Name) : name;
}

// Where Tab (or Shift+Tab) goes from the focus, stop by stop, once round the window.
QStringList tabStops(bool backwards)
{
    QStringList stops;
    for (int i = 0; i < 30; ++i) {
        QWidget *focus = QApplication::focusWidget();
        if (!focus)
            break;
        QTest::keyClick(focus, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        focus = QApplication::focusWidget();
        const QString name = focus->objectName().isEmpty() ? focus->metaObject()->className() : focus->objectName();
        if (!stops.isEmpty() && name == stops.first())
            break;
        stops << name;

        if (spokenName(focus).isEmpty())
            stops << QStringLiteral("(unnamed)");
    }
    return stops;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // Tab reaches every control the player uses, in the order they stand, both ways, and each
    // has a name a screen reader can read; the shortcuts reach the pages and the game.
    void tabReachesEveryControl_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("de") << "de";
    }
    void tabReachesEveryControl()
    {
        QFETCH(QString, language);
        AppFixture f(language);
        f.prog->show();
        f.prog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.prog));
        f.combo("cbspiel")->setCurrentIndex(0); // a 4x4 game, quick to build
        QTest::keyClick(f.prog, Qt::Key_F2);
        QCOMPARE(f.prog->spiellaeuft(), 1);
        QCOMPARE(QApplication::focusWidget(), f.find("spielfeld")); // a game started by a key goes on there
        const QStringList play = {"Image2", "Image3", "cbspiel", "Image4", "hilfep", "stat", "qt_tabwidget_tabbar",
                                  "spielfeld"};
        QCOMPARE(tabStops(false), play);
        QStringList back = play;
        std::reverse(back.begin(), back.end());
        QCOMPARE(tabStops(true), back);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::AltModifier);
        QCOMPARE(f.prog->druckmodus(), 1);
        QCOMPARE(QApplication::focusWidget(), f.find("cbdruck"));
        QCOMPARE(tabStops(false),
                 QStringList({"Image7", "hilfep", "stat", "qt_tabwidget_tabbar", "Image2", "Image3", "cbspiel",
                              "cbdruck"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::AltModifier);
        QCOMPARE(f.prog->druckmodus(), 0);
        QCOMPARE(QApplication::focusWidget(), f.find("cbspiel")); // no board after the print page
    }

    void controlsAtTheirPlaces()
    {
        AppFixture f("en");
        QCOMPARE(f.prog->windowTitle(), QStringLiteral("Vantrell Sudoku 1.2"));
        QCOMPARE(f.prog->size(), QSize(737, 582));
        QCOMPARE(f.find("pc")->geometry(), QRect(8, 8, 509, 549));
        QCOMPARE(f.find("gbtitel")->geometry(), QRect(530, 24, 200, 97));
        QCOMPARE(f.find("Bevel1")->geometry(), QRect(8, 8, 485, 505));
        QCOMPARE(f.find("Image2")->geometry(), QRect(8, 66, 89, 21));
        // The help memo grows downwards from its designed 185 x 71 where a text needs it.
        const QRect memo = f.find("hilfep")->geometry();
        QCOMPARE(memo.topLeft(), QPoint(8, 18));
        QCOMPARE(memo.width(), 185);
        QVERIFY(memo.height() >= 71);
        for (int i = 1; i <= 6; ++i) {
            auto *field = f.find<PictureBox>(qPrintable(QStringLiteral("x%1").arg(i)));
            QVERIFY(field->isHidden());
            QCOMPARE(field->picture().size(), QSize(15, 15));
        }
        QVERIFY(!f.prog->gameTimer()->isActive());
        QCOMPARE(f.prog->gameTimer()->interval(), 50);
        QCOMPARE(f.prog->weg()->interval(), 10);
        QVERIFY(f.find("gb2")->isHidden());
        for (const char *name : {"Image2", "Label2", "Image3", "Label3", "Image4", "Label4", "Image7", "Label5"})
            QCOMPARE(f.find(name)->cursor().shape(), Qt::PointingHandCursor);

        // Resizing keeps the column at its distance from the right edge and the board centred.
        f.prog->show();
        f.prog->resize(900, 700);
        QCOMPARE(f.find("gb1")->x(), 900 - 207);
        QCOMPARE(f.find("pc")->size(), QSize(509 + 163, 549 + 118));
    }

    void helpTextsShownWhole_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("de") << "de";
    }
    void helpTextsShownWhole()
    {
        QFETCH(QString, language);
        AppFixture f(language);
        const LanguageTexts &t = f.prog->texts();
        f.prog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.prog));
        checkHelpShownWhole(f, t.helpWelcome);
        f.prog->pc()->setCurrentIndex(1);
        checkHelpShownWhole(f, t.helpPrint);
        f.prog->pc()->setCurrentIndex(0);
        checkHelpShownWhole(f, t.helpPlay);
        f.combo("cbspiel")->setCurrentIndex(0);
        f.prog->spielstartenClick();
        checkHelpShownWhole(f, QStringList{t.mouseHelp[0], t.mouseHelp[1], t.mouseHelp[2]}.join('\n'));
        // The grown box stays clear of the status bar, also at the smallest window size.
        f.prog->resize(1, 1);
        QVERIFY(f.find("gb3")->geometry().bottom() < f.prog->stat()->geometry().top());
    }

    // While a puzzle or a page is built the program shows that it is busy: a busy cursor,
    // and the start caption and the tabs drawn as disabled. Both come back afterwards.
    void busyWhileBuilding_data()
    {
        QTest::addColumn<bool>("page");
        QTest::newRow("game") << false;
        QTest::newRow("page") << true;
    }
    void busyWhileBuilding()
    {
        QFETCH(bool, page);
        AppFixture f("en");
        f.prog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.prog));
        f.prog->FormActivate();
        QWidget *caption = f.find(page ? "Label5" : "Label4");
        QWidget *tabs = f.prog->pc()->tabBar();
        if (page) {
            f.prog->pc()->setCurrentIndex(1);
            f.combo("cbdruck")->setCurrentIndex(0);
        }
        f.combo("cbspiel")->setCurrentIndex(0);
        QVERIFY(reddishPixels(caption) > 10);
        QVERIFY(reddishPixels(tabs) > 10);
        QVERIFY(!QApplication::overrideCursor());

        bool seen = false;
        int captionRed = -1, tabsRed = -1;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        // Runs inside the generator's first pass, which lets events through.
        QTimer::singleShot(0, f.prog, [&] {
            seen = true;
            captionRed = reddishPixels(caption);
            tabsRed = reddishPixels(tabs);
            cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        });
        if (page)
            f.prog->vorschaudruckClick();
        else
            f.prog->spielstartenClick();
        QVERIFY(seen);
        QCOMPARE(cursor, Qt::WaitCursor);
        QCOMPARE(captionRed, 0);
        QCOMPARE(tabsRed, 0);

        if (page)
            appWindows().druckfenster->Image2Click();
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(reddishPixels(caption) > 10);
        QVERIFY(reddishPixels(tabs) > 10);
    }

    // However small the player makes the window, the right-hand column and the status bar
    // stay whole, before the first game and in every layout of the column.
    void smallestWindowKeepsTheColumn()
    {
        AppFixture f("en");
        f.prog->show();
        f.prog->FormActivate();
        const auto check = [&] {
            f.prog->resize(300, 200);
            QCoreApplication::processEvents();
            const int statusTop = f.prog->stat()->geometry().top();
            for (const char *box : {"gbtitel", "gb1", "gb3"})
                QVERIFY2(f.find(box)->geometry().bottom() < statusTop, box);
            if (!f.find("gb2")->isHidden())
                QVERIFY(f.find("gb2")->geometry().bottom() < statusTop);
            QVERIFY(f.find("gbtitel")->x() >= f.find("pc")->x());
        };
        check();
        f.combo("cbspiel")->setCurrentIndex(7); // the custom game shows three more boxes
        check();
        f.prog->pc()->setCurrentIndex(1);
        check();
        f.combo("cbspiel")->setCurrentIndex(0);
        f.combo("cbspielart")->setCurrentIndex(0);
        f.prog->pc()->setCurrentIndex(0);
        f.prog->spielstartenClick(); // a game of the smallest board
        check();
    }

    void columnLayouts()
    {
        AppFixture f("de");
        f.prog->FormActivate();
        auto expect = [&](Column c) {
            const Column got = column(f);
            QCOMPARE(got.image4Top, c.image4Top);
            QCOMPARE(got.gb1Height, c.gb1Height);
            QCOMPARE(got.gb2Top, c.gb2Top);
            QCOMPARE(got.gb3Top, c.gb3Top);
            QCOMPARE(f.find("Label4")->y(), f.find("Image4")->y() + 4);
        };
        expect({42, 70, 209, 209});                 // play page, a preset
        chooseEntry(f.combo("cbspiel"), 7);         // the custom game
        expect({114, 142, 281, 281});
        f.prog->pc()->setCurrentIndex(1);           // the player picks the print page
        QCOMPARE(f.prog->druckmodus(), 1);
        expect({114, 94, 233, 312});
        chooseEntry(f.combo("cbspiel"), 7 - 1);     // a preset on the print page
        expect({72, 46, 185, 264});
        chooseEntry(f.combo("cbspiel"), 7);         // custom while the print page is shown
        expect({144, 118, 257, 336});
        QVERIFY(!f.combo("cbelemente")->isHidden());
        f.prog->pc()->setCurrentIndex(0);
        f.prog->pc()->setCurrentIndex(1);
        QVERIFY(f.combo("cbelemente")->isHidden()); // back on the print page it hides again
    }

    void pageChangeStopsTheGame()
    {
        AppFixture f("en");
        f.prog->FormActivate();
        f.prog->gameTimer()->start();
        f.find("spielfeld")->show();
        f.prog->pc()->setCurrentIndex(1);
        QVERIFY(!f.prog->gameTimer()->isActive());
        QVERIFY(f.find("spielfeld")->isHidden());
        QVERIFY(f.find("Image4")->isHidden());
        QVERIFY(!f.find("gb2")->isHidden());
        QCOMPARE(f.find<QPlainTextEdit>("hilfep")->toPlainText(), englishTexts().helpPrint);
        f.prog->pc()->setCurrentIndex(0);
        QCOMPARE(f.prog->druckmodus(), 0);
        QVERIFY(!f.prog->gameTimer()->isActive());
        QVERIFY(f.find("spielfeld")->isHidden());
        QVERIFY(f.find("gb2")->isHidden());
        QCOMPARE(f.find<QPlainTextEdit>("hilfep")->toPlainText(), englishTexts().helpPlay);

        // Programmatic selections leave the mode alone.
        f.prog->pc()->selectPage(1);
        QCOMPARE(f.prog->druckmodus(), 0);
        QVERIFY(f.find("gb2")->isHidden());
    }

    void activationKeepsThePrintPageInPrintMode()
    {
        AppFixture f("en");
        f.prog->FormActivate();
        QCOMPARE(f.prog->pc()->currentIndex(), 0);
        f.prog->pc()->setCurrentIndex(1);
        f.prog->FormActivate();
        QCOMPARE(f.prog->pc()->currentIndex(), 1);
        f.prog->weg()->start();
        f.prog->wegTimer();
        QVERIFY(!f.prog->weg()->isActive());
    }

    void statusBarLink_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<bool>("link");
        QTest::newRow("319") << 319 << false;
        QTest::newRow("320") << 320 << true;
        QTest::newRow("369") << 369 << true;
        QTest::newRow("370") << 370 << true;
        QTest::newRow("549") << 549 << true;
        QTest::newRow("right end") << 736 << true;
        QTest::newRow("0") << 0 << false;
    }
    void statusBarLink()
    {
        QFETCH(int, x);
        QFETCH(bool, link);
        AppFixture f("en");
        f.prog->statClick(x);
        QCOMPARE(f.opened.size(), link ? 1 : 0);
        if (link)
            QCOMPARE(f.opened.first(), QStringLiteral("http://www.%1/donate&rf=sus").arg(QLatin1String(build::softwareSiteEn)));
        f.prog->statMouseMove(x);
        QCOMPARE(f.prog->stat()->cursor().shape(), link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }

    void addressesByLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("donate");
        QTest::addColumn<QString>("helpWindow");
        const QString de = QLatin1String(build::homeSiteDe), en = QLatin1String(build::homeSiteEn);
        const QString donateDe = QStringLiteral("http://www.%1/spenden&rf=sus").arg(QLatin1String(build::softwareSiteDe));
        const QString donateEn = QStringLiteral("http://www.%1/donate&rf=sus").arg(QLatin1String(build::softwareSiteEn));
        QTest::newRow("de") << "de" << "http://www." + de + "/&rf=sus" << donateDe << "hilfe";
        QTest::newRow("en") << "en" << "http://www." + en + "/&rf=sus" << donateEn << "hilfe_en";
        QTest::newRow("other") << "fr" << "http://www." + en + "/&rf=sus" << donateDe << "hilfe_en";
    }
    void addressesByLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, home);
        QFETCH(QString, donate);
        QFETCH(QString, helpWindow);
        AppFixture f(language);
        f.prog->Label3Click();
        f.prog->statClick(330);
        QCOMPARE(f.opened, (QStringList{home, donate}));
        f.prog->Label2Click();
        QWidget *shown = nullptr;
        for (QWidget *w : f.windows->creationOrder())
            if (w->isVisible())
                shown = w;
        QVERIFY(shown);
        QCOMPARE(shown->objectName(), helpWindow);
    }

    void languageTexts()
    {
        {
            AppFixture f("de");
            QCOMPARE(f.find<QLabel>("Label2")->text(), QStringLiteral("Informationen"));
            QCOMPARE(f.prog->stat()->panelText(0), QStringLiteral("Herzlich Willkommen"));
            QCOMPARE(f.prog->pc()->tabText(1), QStringLiteral("Druckmodus"));
            QCOMPARE(comboText(f.combo("cbspiel")), QStringLiteral("Klassisch Fortgeschritten"));
            QCOMPARE(comboText(f.combo("cbspielart")), QStringLiteral("9x9 Felder Klassisch"));
            QCOMPARE(comboText(f.combo("cbelemente")), QStringLiteral("Elemente: Blaue Zahlen"));
            QCOMPARE(comboText(f.combo("cbgeloest")), QStringLiteral("Eingetragene Elemente: 1"));
            QCOMPARE(comboText(f.combo("cbdruck")), QStringLiteral("6 Felder pro Seite"));
            QCOMPARE(f.combo("cbelemente")->count(), 5);
            QCOMPARE(f.find<QPlainTextEdit>("hilfep")->toPlainText(), germanTexts().helpWelcome);
        }
        {
            AppFixture f("en");
            QCOMPARE(f.find<QLabel>("Label4")->text(), QStringLiteral("Start Game"));
            QCOMPARE(f.find<QGroupBox>("gb3")->title(), QStringLiteral("Help"));
            QCOMPARE(comboText(f.combo("cbspiel")), QStringLiteral("Classical Sudoku Advanced"));
            QCOMPARE(comboText(f.combo("cbspielart")), QStringLiteral("9x9 Classical"));
            QCOMPARE(comboText(f.combo("cbelemente")), QStringLiteral("Elements: Blue Numbers"));
            QCOMPARE(comboText(f.combo("cbgeloest")), QStringLiteral("Elements Set: 1"));
            QCOMPARE(comboText(f.combo("cbdruck")), QStringLiteral("6 Fields per Page"));
            QCOMPARE(f.combo("cbspiel")->itemText(7), QStringLiteral("User Defined"));
            QCOMPARE(f.prog->stat()->panelText(3), QLatin1String(build::homeSiteEn) + QStringLiteral("/donate - Thank you very much!"));
        }
        {
            AppFixture f("fr");
            QCOMPARE(f.find<QLabel>("Label2")->text(), QStringLiteral("Informationen"));
            QCOMPARE(f.find<QGroupBox>("gb1")->title(), QStringLiteral("Spiel"));
            QCOMPARE(f.combo("cbspiel")->count(), 8);
            QCOMPARE(f.combo("cbspiel")->itemText(3), QString());
            QCOMPARE(comboText(f.combo("cbspiel")), QString());
            QCOMPARE(comboText(f.combo("cbgeloest")), QStringLiteral("1"));
            QCOMPARE(f.find<QPlainTextEdit>("hilfep")->toPlainText(), QString());
            QVERIFY(f.prog->texts().pointsSuffix.isEmpty());
        }
    }

    void countListsFollowTheType_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("initial");
        const int rows[8][3] = {{3, 6, 4}, {6, 10, 8}, {8, 16, 12}, {11, 28, 19}, {15, 32, 23}, {18, 50, 34}, {23, 60, 41}, {23, 60, 41}};
        for (int i = 0; i < 8; ++i)
            QTest::addRow("entry %d", i) << i << rows[i][0] << rows[i][1] << rows[i][2];
    }
    void countListsFollowTheType()
    {
        QFETCH(int, entry);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        QFETCH(int, initial);
        AppFixture f("de");
        f.prog->FormActivate();
        chooseEntry(f.combo("cbspielart"), entry);
        QComboBox *counts = f.combo("cbgeloest");
        QCOMPARE(counts->count(), highest - lowest + 1);
        QCOMPARE(counts->itemText(0), QStringLiteral("Eingetragene Elemente: %1").arg(lowest));
        QCOMPARE(counts->itemText(counts->count() - 1), QStringLiteral("Eingetragene Elemente: %1").arg(highest));
        QCOMPARE(comboText(counts), QStringLiteral("Eingetragene Elemente: %1").arg(initial));
    }

    void chosenCountSurvivesActivations()
    {
        AppFixture f("en");
        f.prog->FormActivate();
        QComboBox *counts = f.combo("cbgeloest");
        QCOMPARE(comboText(counts), QStringLiteral("Elements Set: 41"));
        counts->setCurrentIndex(counts->findText(QStringLiteral("Elements Set: 30")));
        f.prog->FormActivate();
        QCOMPARE(comboText(counts), QStringLiteral("Elements Set: 30"));
        // A changed type rebuilds the list once; later activations keep the new choice.
        chooseEntry(f.combo("cbspielart"), 0);
        QCOMPARE(comboText(counts), QStringLiteral("Elements Set: 4"));
        counts->setCurrentIndex(0);
        f.prog->FormActivate();
        QCOMPARE(comboText(counts), QStringLiteral("Elements Set: 3"));
    }

    void typedKeysChangeNoBox()
    {
        AppFixture f("en");
        f.prog->FormActivate();
        for (const char *name : {"cbspiel", "cbspielart", "cbgeloest", "cbelemente", "cbdruck"}) {
            QComboBox *box = f.combo(name);
            const QString before = comboText(box);
            QTest::keyClicks(box, QStringLiteral("2x Free!"));
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(comboText(box), before);
        }
        // Deleting the preset text turns the panel into the custom game.
        QComboBox *spiel = f.combo("cbspiel");
        spiel->lineEdit()->selectAll();
        QTest::keyClick(spiel->lineEdit(), Qt::Key_Delete);
        QCOMPARE(comboText(spiel), QStringLiteral("User Defined"));
        QVERIFY(!f.combo("cbspielart")->isHidden());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
