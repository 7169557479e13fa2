// Soak run: many games through the real main window, played to the end by clicks with
// marks, clears and wrong entries on the way, and print preparations of random sizes,
// cancelled or printed. Sizes come from VANTRELL_SOAK_GAMES and VANTRELL_SOAK_PAGES.
#include "core/random.h"
#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"

#include <QComboBox>
#include <QFile>
#include <QtTest>
#include <random>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

int envCount(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value >= 0 ? value : fallback;
}

// Resident set size of this process in kilobytes.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

bool underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

class Soak {
public:
    explicit Soak(AppFixture &f) : f_(f), rng_(20261208) {}

    int pick(int k) { return std::uniform_int_distribution<int>(0, k - 1)(rng_); }

    void click(QPoint cell, int value, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint at(45 * (cell.x() - 1) + 15 * ((value - 1) % 3) + pick(15),
                        45 * (cell.y() - 1) + 15 * ((value - 1) / 3) + pick(15));
        // Straight to the board's handler: the event path itself is covered by the game
        // tests, and a thousand games must not depend on the test platform's event timing.
        f_.prog->spielfeldMouseDown(button, at);
    }

    void playGame()
    {
        f_.prog->pc()->setCurrentIndex(0);
        QComboBox *spiel = f_.combo("cbspiel");
        if (pick(2) == 0) {
            spiel->setCurrentIndex(pick(7));
        } else {
            spiel->setCurrentIndex(7);
            f_.combo("cbspielart")->setCurrentIndex(pick(8));
            QComboBox *counts = f_.combo("cbgeloest");
            counts->setCurrentIndex(pick(counts->count()));
            f_.combo("cbelemente")->setCurrentIndex(pick(5));
        }
        QVERIFY2(f_.prog->isEnabled(), "the main window is disabled before a game");
        f_.prog->spielstartenClick();
        QVERIFY(f_.prog->spiellaeuft() == 1);
        const GameState &g = f_.prog->game();
        QList<QPoint> empty;
        for (int x = 1; x <= g.groesse; ++x)
            for (int y = 1; y <= g.groesse; ++y)
                if (g.eingabe(x, y) == 0)
                    empty << QPoint(x, y);
        const int n = g.groesse;
        for (const QPoint &cell : empty) {
            if (pick(4) == 0)
                click(cell, 1 + pick(n), Qt::RightButton); // a mark
            const int right = g.loesung(cell.x(), cell.y());
            if (pick(5) == 0 && n > 1) { // a wrong entry, then cleared
                click(cell, right % n + 1);
                click(cell, 1 + pick(9));
            }
            if (pick(8) == 0)
                click(cell, 1, Qt::MiddleButton);
            if (&cell == &empty.last())
                f_.prog->setPunkte(pick(2) ? 25541 + pick(1000) : 25540 - pick(1000));
            click(cell, right);
        }
        if (empty.isEmpty()) // every cell given: the next click completes the game
            click(QPoint(1, 1), 1);
        QVERIFY2(f_.prog->spiellaeuft() == 0,
                 qPrintable(QStringLiteral("game not ended: window enabled %1, board enabled %2, solved check %3")
                                .arg(f_.prog->isEnabled())
                                .arg(f_.find("spielfeld")->isEnabled())
                                .arg(g.eingabe == g.loesung)));
        Tgew_kein *kein = appWindows().gewKein;
        Tgew_high *high = appWindows().gewHigh;
        QVERIFY(kein->isVisible() != high->isVisible());
        if (kein->isVisible()) {
            kein->FormActivate();
            kein->Image2Click();
        } else {
            high->FormActivate();
            QCOMPARE(high->pruefcode().size(), 23);
            pick(2) ? high->Image2Click() : high->Image3Click();
        }
        QVERIFY(f_.prog->isEnabled());
    }

    // A page of `perPageEntry` (0, 1, 2 = 1, 2, 6 fields) for preset entry `preset`;
    // random ones when negative.
    void preparePage(bool canPrint, int preset = -1, int perPageEntry = -1)
    {
        f_.prog->pc()->setCurrentIndex(1);
        f_.combo("cbspiel")->setCurrentIndex(preset >= 0 ? preset : pick(7));
        f_.combo("cbdruck")->setCurrentIndex(perPageEntry >= 0 ? perPageEntry : pick(3));
        f_.prog->vorschaudruckClick();
        Tdruckfenster *dialog = appWindows().druckfenster;
        QCOMPARE(dialog->state(), Tdruckfenster::State::Ready);
        if (canPrint && pick(2) == 0)
            dialog->Image1Click();
        if (dialog->isVisible())
            dialog->Image2Click();
        QVERIFY(f_.prog->isEnabled());
        f_.prog->wegTimer();
    }

private:
    AppFixture &f_;
    std::mt19937 rng_;
};

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void gamesAndPages()
    {
        const int games = envCount("VANTRELL_SOAK_GAMES", 100);
        const int pages = envCount("VANTRELL_SOAK_PAGES", 20);
        const bool canPrint = qEnvironmentVariableIsSet("VANTRELL_TEST_CUPS_DIR");
        QStringList printerErrors;
        Tdruckfenster::setErrorReporter([&](const QString &reason) { printerErrors << reason; });
        AppFixture f("en");
        f.prog->show();
        f.prog->FormActivate();
        RandSeed(1);
        Soak soak(f);
        long afterFirstHundred = -1;
        const int rounds = std::max(games, pages);
        for (int i = 0; i < rounds; ++i) {
            if (i < games)
                soak.playGame();
            if (QTest::currentTestFailed())
                return;
            // Pages spread evenly over the games.
            if (pages > 0 && i * pages / rounds != (i + 1) * pages / rounds)
                soak.preparePage(canPrint);
            if (QTest::currentTestFailed())
                return;
            if (i + 1 == std::min(100, rounds))
                afterFirstHundred = residentKb();
        }
        const long atEnd = residentKb();
        // One page of six classic puzzles, for the memory figures.
        soak.preparePage(false, 5, 2);
        const long afterPage = residentKb();
        Tdruckfenster::setErrorReporter({});
        if (canPrint)
            QVERIFY2(printerErrors.isEmpty(), qPrintable(printerErrors.join('\n')));
        qInfo("games %d, pages %d, resident memory after 100 rounds %ld kB, at the end %ld kB, "
              "after a page of six classic puzzles %ld kB",
              games, pages, afterFirstHundred, atEnd, afterPage);
        if (underSanitizer() || rounds <= 100)
            return; // the sanitizer's own bookkeeping dominates the resident size
        QVERIFY2(atEnd - afterFirstHundred <= 2048, "memory grew by more than 2 MB");
    }
};

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
