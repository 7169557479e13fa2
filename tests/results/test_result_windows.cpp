#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QWindow>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTextBoundaryFinder>
#include <QUrl>
#include <QtTest>

#ifdef VANTRELL_HAVE_XCB
#include <xcb/xcb.h>
#endif

using namespace vantrell;
using namespace vantrell::testing;

namespace {

QWidget *windowNamed(AppFixture &f, const QString &name)
{
    for (QWidget *w : f.windows->creationOrder())
        if (w->objectName() == name)
            return w;
    return nullptr;
}

// Types text as a keyboard or an input method delivers it: one key event per character
// the player sees, however many UTF-16 units it takes.
void typeText(QWidget *field, const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (int at = 0, next; (next = finder.toNextBoundary()) >= 0; at = next)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.mid(at, next - at), Qt::NoModifier);
}

int characters(const QString &text)
{
    int count = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

// The result of a solved game, as the board hands it to the highscore window.
void fillResult(Tgew_high *high)
{
    high->findChild<QLabel *>("lapunkte")->setText("30123");
    high->findChild<QLabel *>("laspielart")->setText("1");
    high->findChild<QLabel *>("laaufgedeckt")->setText("23");
    high->findChild<QLabel *>("laelemente")->setText("B");
}

// Shows a result window the way a solved game does: the main window is disabled by it.
void showResult(AppFixture &f, QWidget *window)
{
    f.prog->show();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTRY_VERIFY(!f.prog->isEnabled());
}

} // namespace

class TestResultWindows : public QObject {
    Q_OBJECT
private slots:
    void nameFieldCountsWhatThePlayerSees_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString letters29(29, QLatin1Char('a'));
        const QString emoji = QStringLiteral("\U0001F600");
        const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
        const QString accented = QStringLiteral("e\u0301");
        QTest::newRow("29 letters and an emoji") << letters29 + emoji << letters29 + emoji;
        QTest::newRow("30 letters, then an emoji") << letters29 + "b" + emoji << letters29 + "b";
        QTest::newRow("a family of three is one character")
            << QString(28, QLatin1Char('a')) + family + "bc" << QString(28, QLatin1Char('a')) + family + "b";
        QTest::newRow("letters with a combining accent") << accented.repeated(31) << accented.repeated(30);
        QTest::newRow("emoji only") << emoji.repeated(31) << emoji.repeated(30);
    }
    void nameFieldCountsWhatThePlayerSees()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        AppFixture f("en");
        Tgew_high *high = appWindows().gewHigh;
        fillResult(high);
        showResult(f, high);
        auto *edit1 = high->findChild<QLineEdit *>("Edit1");
        edit1->setFocus();
        edit1->selectAll();
        QTest::keyClick(edit1, Qt::Key_Delete);
        typeText(edit1, typed);
        QCOMPARE(edit1->text(), kept);
        QCOMPARE(characters(edit1->text()), std::min(characters(typed), 30));

        // Both the shown and the submitted address carry the name whole.
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(kept));
        QVERIFY(high->findChild<QLineEdit *>("Edit3")->text().contains("&name=" + encoded + "&code="));
        high->Image2Click();
        QCOMPARE(f.opened.size(), 1);
        QVERIFY2(!f.opened.first().contains("%3F"), qPrintable(f.opened.first()));
        QCOMPARE(QUrl(f.opened.first()).query(QUrl::FullyDecoded).section("&name=", 1).section("&code=", 0, 0), kept);
    }

    // The address is longer than its field: the field shows where it goes, its start, also
    // after a new name changed it and after an edit was undone.
    void linkFieldShowsItsStart()
    {
        AppFixture f("de");
        Tgew_high *high = appWindows().gewHigh;
        fillResult(high);
        showResult(f, high);
        auto *link = high->findChild<QLineEdit *>("Edit3");
        QVERIFY(link->fontMetrics().horizontalAdvance(link->text()) > link->width());
        QCOMPARE(link->cursorPosition(), 0);
        auto *name = high->findChild<QLineEdit *>("Edit1");
        name->setFocus();
        typeText(name, QStringLiteral("Ada"));
        QCOMPARE(link->cursorPosition(), 0);
        link->setFocus();
        link->end(false);
        typeText(link, QStringLiteral("x"));
        QCOMPARE(link->cursorPosition(), 0);
        QVERIFY(link->text().startsWith(QStringLiteral("http://www.")));
    }

    void nameFieldCutsPastedAndInsertedText()
    {
        AppFixture f("de");
        Tgew_high *high = appWindows().gewHigh;
        fillResult(high);
        showResult(f, high);
        auto *edit1 = high->findChild<QLineEdit *>("Edit1");
        edit1->setFocus();
        edit1->clear();
        // A pasted name longer than the field keeps its beginning.
        QGuiApplication::clipboard()->setText(QStringLiteral("0123456789").repeated(3) + QStringLiteral("\U0001F600xyz"));
        QTest::keyClick(edit1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit1->text(), QStringLiteral("0123456789").repeated(3));
        // Typing into a full name changes nothing of what is there.
        QTest::keyClick(edit1, Qt::Key_Home);
        typeText(edit1, QStringLiteral("\U0001F600"));
        QCOMPARE(edit1->text(), QStringLiteral("0123456789").repeated(3));
        // After a deletion there is room for one character again, wherever the cursor is.
        QTest::keyClick(edit1, Qt::Key_Delete);
        typeText(edit1, QStringLiteral("\U0001F600"));
        QCOMPARE(edit1->text(), QStringLiteral("\U0001F600") + QStringLiteral("123456789") + QStringLiteral("0123456789").repeated(2));
    }

    // Submit where no browser can be opened: the window stays with its code and says how to
    // go on by hand; a later activation keeps the code, and a Submit that gets through sends it.
    void submitWithoutABrowser_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("says");
        QTest::newRow("en") << "en" << "No web browser could be opened";
        QTest::newRow("de") << "de" << "konnte kein Webbrowser geöffnet werden";
    }
    void submitWithoutABrowser()
    {
        QFETCH(QString, language);
        QFETCH(QString, says);
        AppFixture f(language);
        f.browserFound = false;
        Tgew_high *high = appWindows().gewHigh;
        fillResult(high);
        showResult(f, high);
        auto *code = high->findChild<QLineEdit *>("Edit2");
        const QString shown = code->text();
        QVERIFY(!shown.isEmpty());
        QString message;
        QTimer::singleShot(0, [&message] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        high->Image2Click();
        QVERIFY2(message.contains(says), qPrintable(message));
        QCOMPARE(f.opened.size(), 1);
        QVERIFY(high->isVisible());
        QVERIFY(!f.prog->isEnabled());
        QCOMPARE(code->text(), shown);
        QCOMPARE(high->pruefcode(), shown);
        // Ready to be copied.
        QCOMPARE(high->focusWidget(), code);
        QCOMPARE(code->selectedText(), shown);
        high->FormActivate(); // the window comes to the front again
        QCOMPARE(code->text(), shown);

        f.browserFound = true;
        high->Image2Click();
        QVERIFY(!high->isVisible());
        QVERIFY(f.prog->isEnabled());
        QCOMPARE(f.opened.size(), 2);
        QVERIFY(f.opened.last().endsWith("&code=" + shown));
    }

    // A close that reaches a result window without a click on its buttons (the window
    // manager's close button, Alt+F4) must not leave the main window disabled.
    // Each way of answering a result window leaves it and enables the main window; only
    // submitting sends. Enter answers as the first button, Escape and a close as the window's
    // own way out; Tab and Space reach and press either button.
    void answeringTheWindow_data()
    {
        QTest::addColumn<bool>("highscore");
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("sent");
        QTest::newRow("congratulation: close") << false << "close" << false;
        QTest::newRow("congratulation: Escape") << false << "Escape" << false;
        QTest::newRow("congratulation: Enter") << false << "Return" << false;
        QTest::newRow("congratulation: Space on OK") << false << "Space" << false;
        QTest::newRow("highscore: close") << true << "close" << false;
        QTest::newRow("highscore: Escape") << true << "Escape" << false;
        QTest::newRow("highscore: Enter in the name") << true << "Return" << true;
        QTest::newRow("highscore: Tab to submit, Space") << true << "Tab Tab Tab Space" << true;
        QTest::newRow("highscore: Tab to decline, Enter") << true << "Tab Tab Tab Tab Return" << false;
    }
    void answeringTheWindow()
    {
        QFETCH(bool, highscore);
        QFETCH(QString, way);
        QFETCH(bool, sent);
        AppFixture f("en");
        fillResult(appWindows().gewHigh);
        QWidget *window = highscore ? static_cast<QWidget *>(appWindows().gewHigh) : appWindows().gewKein;
        QWidget *first = window->findChild<QWidget *>(highscore ? "Edit1" : "Image2");
        showResult(f, window);
        QCOMPARE(QApplication::focusWidget(), first);
        if (way == QLatin1String("close")) {
            QVERIFY(window->close());
        } else {
            const QMetaEnum keys = QMetaEnum::fromType<Qt::Key>();
            for (const QString &key : way.split(QLatin1Char(' ')))
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(keys.keyToValue(qPrintable("Key_" + key))));
        }
        QVERIFY(!window->isVisible());
        QVERIFY(f.prog->isEnabled());
        QVERIFY(f.prog->isVisible());
        QCOMPARE(f.opened.size(), sent ? 1 : 0);
        // Shown again for the next solved game, it works as before, from its first control.
        showResult(f, window);
        QCOMPARE(QApplication::focusWidget(), first);
        if (highscore)
            appWindows().gewHigh->Image3Click();
        else
            appWindows().gewKein->Image2Click();
        QVERIFY(f.prog->isEnabled());
    }

    void minimisedWindowsComeBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("congratulation") << "gew_kein";
        QTest::newRow("highscore") << "gew_high";
        QTest::newRow("print dialog") << "druckfenster";
    }
    void minimisedWindowsComeBack()
    {
        QFETCH(QString, name);
        AppFixture f("en");
        QWidget *window = windowNamed(f, name);
        QVERIFY(window);
        f.prog->setEnabled(false); // as a solved game or a preparation does
        f.prog->show();
        window->show();
        window->setWindowState(window->windowState() | Qt::WindowMinimized);
        QTRY_VERIFY(!window->isMinimized());
        QVERIFY(window->isVisible());
        QVERIFY(!f.prog->isEnabled()); // still waiting for the player's answer
    }

    // On X11 (run under Xvfb): the windows that wait for the player ask the window manager
    // through the Motif hints for no close, minimise or maximise, neither as a function nor
    // as a decoration (window managers that draw buttons from the decorations would
    // otherwise draw them all).
    void captionButtonsAreNotAskedFor_data() { minimisedWindowsComeBack_data(); }
    void captionButtonsAreNotAskedFor()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
#ifdef VANTRELL_HAVE_XCB
        QFETCH(QString, name);
        AppFixture f("en");
        QWidget *window = windowNamed(f, name);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *c = x11->connection();
        static const char atomName[] = "_MOTIF_WM_HINTS";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof atomName - 1, atomName), nullptr);
        QVERIFY(atom);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, static_cast<xcb_window_t>(window->winId()), atom->atom, XCB_ATOM_ANY, 0, 5), nullptr);
        free(atom);
        QVERIFY(reply);
        QCOMPARE(xcb_get_property_value_length(reply), 20);
        const auto *hints = static_cast<const quint32 *>(xcb_get_property_value(reply));
        const quint32 flags = hints[0], functions = hints[1], decorations = hints[2];
        free(reply);
        QCOMPARE(flags & 3, 3u); // functions and decorations are both given, not left to the window manager
        QCOMPARE(functions & (1 | 8 | 16 | 32), 0u); // not all, no minimise, maximise or close
        QCOMPARE(decorations & (1 | 8 | 16 | 32 | 64), 8u); // a title; not all, no menu, minimise or maximise
#endif
    }

    void theWayBackBringsAMinimisedMainWindowBack()
    {
        AppFixture f("en");
        showResult(f, appWindows().gewKein);
        f.prog->setWindowState(Qt::WindowMinimized);
        QVERIFY(f.prog->isMinimized());
        appWindows().gewKein->Image2Click();
        QVERIFY(!f.prog->isMinimized());
        QVERIFY(f.prog->isEnabled());
    }
};

QTEST_MAIN(TestResultWindows)
#include "test_result_windows.moc"
