#include "app/u_start.h"
#include "core/random.h"
#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "support/app_fixture.h"
#include "widgets/page_control.h"
#include "ui/u_info.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>

#include <QTimer>
#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void createsTheWindowsInOrder()
    {
        AppFixture f("en");
        QStringList names;
        for (QWidget *w : f.windows->creationOrder()) {
            names << w->objectName();
            QVERIFY(!w->isVisible());
        }
        QCOMPARE(names, (QStringList{"start", "prog", "info", "gew_kein", "gew_high", "druckfenster", "hilfe", "hilfe_en"}));
        QCOMPARE(appWindows().info->windowTitle(), QStringLiteral("Informationen"));
    }

    void splashPictureByLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("shown");
        QTest::newRow("de") << "de" << "Image1";
        QTest::newRow("en") << "en" << "Image2";
        QTest::newRow("other") << "xx" << "Image2";
    }
    void splashPictureByLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, shown);
        AppFixture f(language);
        auto *start = static_cast<Tstart *>(appWindows().start);
        QCOMPARE(start->size(), QSize(300, 200));
        QCOMPARE(start->spr()->text(), language);
        QVERIFY(start->spr()->isHidden());
        for (const char *name : {"Image1", "Image2"})
            QCOMPARE(start->findChild<QWidget *>(QLatin1String(name))->isHidden(), shown != QLatin1String(name));
    }

    void ticksShowTheMainWindowThenFade()
    {
        AppFixture f("en");
        auto *start = static_cast<Tstart *>(appWindows().start);
        QCOMPARE(start->timer1()->interval(), 27);
        QVERIFY(start->timer1()->isActive());
        start->timer1()->stop(); // ticks are driven by hand below
        start->timer1()->start();
        start->FormActivate();
        for (int tick = 1; tick <= 49; ++tick)
            start->Timer1Timer();
        QVERIFY(!f.prog->isVisible());
        QCOMPARE(start->opacity(), 255);
        start->Timer1Timer();
        QVERIFY(f.prog->isVisible());
        for (int tick = 51; tick <= 101; ++tick) {
            start->Timer1Timer();
            QCOMPARE(int(start->opacity()), 255 - 5 * (tick - 50));
            QCOMPARE(start->timer1()->isActive(), tick < 101);
        }
        QCOMPARE(start->startzaehler(), 101);
    }

    void clickOnTheSplashShowsTheMainWindowAtOnce()
    {
        AppFixture f("en");
        auto *start = static_cast<Tstart *>(appWindows().start);
        start->show();
        start->Image1Click();
        QVERIFY(f.prog->isVisible());
        QVERIFY(!start->isVisible());
    }

    void startUpEndsWhenTheSplashIsClosedEarly()
    {
        {
            const auto set = startUp("en");
            QVERIFY(set);
            QVERIFY(appWindows().start->isVisible());
            QVERIFY(!appWindows().prog->isVisible());
            QVERIFY(appWindows().hilfeEn);
        }
        // Closed while the windows are still being built: a quit then would be lost.
        bool closedDuringBuild = false;
        QTimer::singleShot(0, [&] {
            closedDuringBuild = appWindows().hilfeEn == nullptr;
            appWindows().start->close();
        });
        const auto set = startUp("en");
        QVERIFY(closedDuringBuild);
        QVERIFY(!set);
        QVERIFY(!appWindows().start);
    }

    // Closing the main window ends the event loop with exit code 0, whatever the other
    // windows are busy with; none of them may keep the program alive.
    void closingTheMainWindowEndsTheProgram_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("a page of six classic puzzles being composed") << "composing page";
        QTest::newRow("a classic puzzle being built") << "building game";
        QTest::newRow("the print dialog ready") << "dialog ready";
        QTest::newRow("the highscore window shown") << "highscore";
    }
    void closingTheMainWindowEndsTheProgram()
    {
        QFETCH(QString, situation);
        AppFixture f("en");
        RandSeed(11);
        f.prog->show();
        f.prog->FormActivate();
        f.combo("cbspiel")->setCurrentIndex(6); // the classic preset with the fewest givens
        if (situation == "composing page") {
            f.prog->pc()->setCurrentIndex(1);
            f.combo("cbdruck")->setCurrentIndex(2);
            QTimer::singleShot(0, f.prog, &Tprog::vorschaudruckClick);
        } else if (situation == "building game") {
            QTimer::singleShot(0, f.prog, &Tprog::spielstartenClick);
        } else if (situation == "dialog ready") {
            f.prog->pc()->setCurrentIndex(1);
            f.combo("cbspiel")->setCurrentIndex(0);
            f.combo("cbdruck")->setCurrentIndex(0);
            f.prog->vorschaudruckClick();
            QCOMPARE(appWindows().druckfenster->state(), Tdruckfenster::State::Ready);
        } else {
            f.prog->setEnabled(false);
            appWindows().gewHigh->show();
        }
        QTimer::singleShot(100, f.prog, &QWidget::close); // while the generator lets events run
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(15000);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(static_cast<Tstart *>(appWindows().start)->closed());
        QVERIFY(f.prog->isClosing());
    }
};

QTEST_MAIN(TestStartUp)
#include "test_start_up.moc"
