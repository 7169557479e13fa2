// Page fields live for the whole run: each preparation grows the pictures the last one left
// behind, so whatever those pictures held shows up in the corner of the next page.
#include "print/page_field.h"
#include "print/u_druckfenster.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"
#include "ui/u_prog.h"

#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

PictureBox *field(AppFixture &f, int i) { return f.find<PictureBox>(qPrintable(QStringLiteral("x%1").arg(i))); }

void prepareSixFields(AppFixture &f, int presetEntry)
{
    f.prog->show();
    f.prog->FormActivate();
    f.prog->pc()->setCurrentIndex(1);
    f.combo("cbspiel")->setCurrentIndex(presetEntry);
    f.combo("cbdruck")->setCurrentIndex(2);
    f.prog->vorschaudruckClick();
    QCOMPARE(appWindows().druckfenster->state(), Tdruckfenster::State::Ready);
    // Each page field's puzzle is kept for the printer, and is what the field shows.
    for (int i = 1; i <= 6; ++i) {
        const std::optional<PageFieldPuzzle> puzzle = f.prog->pageFieldPuzzle(i);
        QVERIFY2(puzzle && pageFieldShows(field(f, i)->picture(), *puzzle), qPrintable(QStringLiteral("x%1").arg(i)));
    }
}

// The four columns left of the grid and the four rows above it are never drawn on.
QString firstStainInMargin(const QImage &picture)
{
    for (int y = 0; y < qMin(4, picture.height()); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xffffff) != 0xffffff)
                return QStringLiteral("(%1, %2) = %3").arg(x).arg(y).arg(picture.pixel(x, y) & 0xffffff, 6, 16);
    for (int x = 0; x < qMin(4, picture.width()); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if ((picture.pixel(x, y) & 0xffffff) != 0xffffff)
                return QStringLiteral("(%1, %2) = %3").arg(x).arg(y).arg(picture.pixel(x, y) & 0xffffff, 6, 16);
    return {};
}

} // namespace

class TestPageFieldReuse : public QObject {
    Q_OBJECT
private slots:
    void secondPreparationStartsWhite_data()
    {
        QTest::addColumn<bool>("cancel"); // else the dialog is just hidden, as closing it does
        QTest::addColumn<int>("firstPreset");
        QTest::addColumn<int>("secondPreset");
        QTest::newRow("cancel, 4x4 then classic") << true << 0 << 6;
        QTest::newRow("hidden, classic then 4x4") << false << 6 << 0;
    }
    void secondPreparationStartsWhite()
    {
        QFETCH(bool, cancel);
        QFETCH(int, firstPreset);
        QFETCH(int, secondPreset);
        AppFixture f("en");
        Tdruckfenster *dialog = appWindows().druckfenster;

        prepareSixFields(f, firstPreset);
        if (cancel)
            dialog->Image2Click();
        else
            dialog->hide();
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(field(f, i)->picture().size(), QSize(1, 1));
            QCOMPARE(field(f, i)->picture().pixel(0, 0) & 0xffffff, 0xffffffu);
            QVERIFY(!f.prog->pageFieldPuzzle(i));
        }

        prepareSixFields(f, secondPreset);
        for (int i = 1; i <= 6; ++i)
            QVERIFY2(firstStainInMargin(field(f, i)->picture()).isEmpty(),
                     qPrintable(QStringLiteral("x%1 %2").arg(i).arg(firstStainInMargin(field(f, i)->picture()))));
        QVERIFY(firstStainInMargin(f.find<PictureBox>("druckseite")->picture()).isEmpty());
        dialog->Image2Click();
    }
};

QTEST_MAIN(TestPageFieldReuse)
#include "test_page_field_reuse.moc"
