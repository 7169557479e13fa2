// Renders the windows a player sees into PNGs (in windows/ of the test's working folder) so
// that every change can be looked at, and checks that each picture shows its background.
#include "core/random.h"
#include "print/u_druckfenster.h"
#include "results/u_gew_high.h"
#include "results/u_gew_kein.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"
#include "widgets/status_bar.h"

#include <QDir>
#include <QLabel>
#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

QImage save(QWidget *window, const QString &name)
{
    QCoreApplication::processEvents();
    const QImage picture = window->grab().toImage();
    QDir().mkpath(QStringLiteral("windows"));
    picture.save(QStringLiteral("windows/%1.png").arg(name));
    return picture;
}

// The row on which the letters of a line of text in area stand: the lowest row that holds
// a good share of the ink (descenders are thin and do not count).
int baseline(const QImage &picture, const QRect &area)
{
    std::vector<int> ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int n = 0;
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(picture.pixel(x, y)) < 190;
        ink.push_back(n);
    }
    const int most = *std::max_element(ink.begin(), ink.end());
    for (int i = static_cast<int>(ink.size()) - 1; i >= 0; --i)
        if (most > 0 && 5 * ink[i] >= 2 * most)
            return area.top() + i;
    return -1;
}

// The points label continues the picture's line "... solved the Sudoku with": same face as
// the window, standing on the same row.
void checkPointsLine(QWidget *window, const QImage &picture)
{
    const auto *label = window->findChild<QLabel *>("Label1");
    QCOMPARE(label->font().family(), appWindows().prog->font().family());
    const QRect text = label->geometry();
    const QRect before(20, text.top() - 4, text.left() - 30, text.height() + 8);
    QCOMPARE(baseline(picture, text), baseline(picture, before));
}

} // namespace

class TestWindowPictures : public QObject {
    Q_OBJECT
private slots:
    void windowsOfBothLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("de") << "de";
    }
    void windowsOfBothLanguages()
    {
        QFETCH(QString, language);
        AppFixture f(language);
        f.prog->show();
        f.prog->FormActivate();
        const QImage start = save(f.prog, language + "_main_start");
        QCOMPARE(start.pixelColor(725, 480), QColor(236, 233, 216));

        // A game in progress with entries and marks.
        f.combo("cbspiel")->setCurrentIndex(7);
        f.combo("cbspielart")->setCurrentIndex(7);
        f.combo("cbelemente")->setCurrentIndex(language == "de" ? 2 : 0);
        RandSeed(3);
        f.prog->spielstartenClick();
        GameState &g = f.prog->game();
        int done = 0;
        for (int x = 1; x <= 9 && done < 12; ++x)
            for (int y = 1; y <= 9 && done < 12; ++y)
                if (g.eingabe(x, y) == 0) {
                    const int v = g.loesung(x, y);
                    if (done % 2 == 0)
                        f.prog->spielfeldMouseDown(Qt::LeftButton, {45 * (x - 1) + 15 * ((v - 1) % 3) + 7, 45 * (y - 1) + 15 * ((v - 1) / 3) + 7});
                    else
                        f.prog->spielfeldMouseDown(Qt::RightButton, {45 * (x - 1) + 22, 45 * (y - 1) + 7});
                    ++done;
                }
        save(f.prog, language + "_main_game");

        f.prog->stat()->setPanelText(2, "26480" + f.prog->texts().pointsSuffix);
        appWindows().gewKein->show();
        appWindows().gewKein->FormActivate();
        checkPointsLine(appWindows().gewKein, save(appWindows().gewKein, language + "_gew_kein"));
        appWindows().gewKein->Image2Click();

        Tgew_high *high = appWindows().gewHigh;
        high->findChild<QLabel *>("lapunkte")->setText("26480");
        high->findChild<QLabel *>("laspielart")->setText("1");
        high->findChild<QLabel *>("laaufgedeckt")->setText("40");
        high->findChild<QLabel *>("laelemente")->setText("B");
        high->show();
        high->FormActivate();
        checkPointsLine(high, save(high, language + "_gew_high"));
        high->Image3Click();

        f.prog->pc()->setCurrentIndex(1);
        f.combo("cbspiel")->setCurrentIndex(0);
        f.combo("cbdruck")->setCurrentIndex(1);
        f.prog->vorschaudruckClick();
        save(appWindows().druckfenster, language + "_print_dialog");
        save(f.prog, language + "_main_print_page");
        appWindows().druckfenster->Image2Click();
        save(appWindows().start, language + "_splash");
    }
};

QTEST_MAIN(TestWindowPictures)
#include "test_window_pictures.moc"
