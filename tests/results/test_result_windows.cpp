#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "support/app_fixture.h"
#include "ui/controls.h"

#include <QGuiApplication>
#include <QWindow>
#include <QLabel>
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
    // A close that reaches a result window without a click on its buttons (the window
    // manager's close button, Alt+F4) must not leave the main window disabled.
    void closeWithoutAButtonIsTheWindowsOwnWayOut_data()
    {
        QTest::addColumn<bool>("highscore");
        QTest::newRow("congratulation") << false;
        QTest::newRow("highscore") << true;
    }
    void closeWithoutAButtonIsTheWindowsOwnWayOut()
    {
        QFETCH(bool, highscore);
        AppFixture f("en");
        fillResult(appWindows().gewHigh);
        QWidget *window = highscore ? static_cast<QWidget *>(appWindows().gewHigh) : appWindows().gewKein;
        showResult(f, window);
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        QVERIFY(f.prog->isEnabled());
        QVERIFY(f.prog->isVisible());
        QVERIFY(f.opened.isEmpty()); // declining sends nothing
        // Shown again for the next solved game, it works as before.
        showResult(f, window);
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
