#include "print/u_druckfenster.h"
#include "support/app_fixture.h"
#include "widgets/controls.h"
#include "widgets/page_control.h"
#include "widgets/status_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

using namespace vantrell;
using namespace vantrell::testing;

namespace {

// Prepares a page of `perPage` (entry 0, 1, 2 = 1, 2, 6 fields) for the preset entry.
QList<int> preparePage(AppFixture &f, int perPageEntry, int presetEntry = 0)
{
    f.prog->show();
    f.prog->FormActivate();
    f.prog->pc()->setCurrentIndex(1);
    f.combo("cbspiel")->setCurrentIndex(presetEntry);
    f.combo("cbdruck")->setCurrentIndex(perPageEntry);
    QList<int> progress;
    auto *gauge = appWindows().druckfenster->findChild<QProgressBar *>("gauge1");
    const auto connection = QObject::connect(gauge, &QProgressBar::valueChanged, [&](int v) { progress << v; });
    f.prog->vorschaudruckClick();
    QObject::disconnect(connection);
    return progress;
}

QSize fieldSize(AppFixture &f, int i) { return f.find<PictureBox>(qPrintable(QStringLiteral("x%1").arg(i)))->picture().size(); }

} // namespace

class TestPrintMode : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // No scheduler answers here: printing must fail loudly, never silently.
        qputenv("CUPS_SERVER", QByteArray("/nonexistent/vantrell-test.sock"));
    }

    void composesSixThenOne()
    {
        AppFixture f("en");
        const QList<int> progress = preparePage(f, 2, 0); // six 4x4 puzzles
        QCOMPARE(progress, (QList<int>{17, 33, 50, 67, 83, 100}));
        QCOMPARE(f.prog->felderproseite(), 6);
        QVERIFY(!f.prog->isEnabled());
        Tdruckfenster *dialog = appWindows().druckfenster;
        QCOMPARE(dialog->state(), Tdruckfenster::State::Ready);
        QVERIFY(dialog->findChild<QLabel *>("verdeck")->isHidden());
        QVERIFY(!dialog->findChild<QComboBox *>("cbdruck")->isHidden());
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(fieldSize(f, i), QSize(200, 200));
        QCOMPARE(f.prog->stat()->panelText(0), QStringLiteral("Ready. Have Fun!"));
        QCOMPARE(f.find<PictureBox>("druckseite")->picture(), f.find<PictureBox>("x6")->picture());

        dialog->Image2Click(); // cancel
        QVERIFY(f.prog->isEnabled());
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(fieldSize(f, i), QSize(1, 1));
        QCOMPARE(f.find<PictureBox>("druckseite")->picture().size(), QSize(200, 200)); // the preview stays
        // The dialog left the play page in front; the main window's weg timer brings the
        // print page back and stops.
        QTRY_COMPARE(f.prog->pc()->currentIndex(), 1);
        QVERIFY(!f.prog->weg()->isActive());
        QCOMPARE(f.prog->druckmodus(), 1);

        const QList<int> single = preparePage(f, 0, 6); // one classic puzzle
        QCOMPARE(single, (QList<int>{0, 100})); // reset to 0, then one field
        QCOMPARE(fieldSize(f, 1), QSize(425, 425));
        for (int i = 2; i <= 6; ++i)
            QCOMPARE(fieldSize(f, i), QSize(1, 1));
        dialog->Image2Click();
    }

    // The band behind the buttons and the cover over them are cream, not the dialog's
    // button-face grey, while the page is composed and when it is ready.
    void creamBandAndCover()
    {
        AppFixture f("en");
        Tdruckfenster *dialog = appWindows().druckfenster;
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->state(), Tdruckfenster::State::Covered);
        const QRgb cream = qRgb(255, 253, 240);
        QImage covered = dialog->grab().toImage();
        for (QPoint at : {QPoint(73, 121), QPoint(150, 140), QPoint(250, 130), QPoint(392, 152)})
            QCOMPARE(QColor(covered.pixel(at)), QColor(cream));
        dialog->uncover();
        QImage ready = dialog->grab().toImage();
        for (QPoint at : {QPoint(190, 121), QPoint(192, 150), QPoint(294, 140), QPoint(376, 152)})
            QCOMPARE(QColor(ready.pixel(at)), QColor(cream));
        dialog->Image2Click();
    }

    // Keys do what the buttons do, once the page is ready: Enter on the print button, which
    // has the focus then, prints (here the printer fails and the dialog stays), Escape cancels.
    void printerFailureKeepsTheDialogReady()
    {
        AppFixture f("de");
        QStringList errors;
        Tdruckfenster::setErrorReporter([&](const QString &reason) { errors << reason; });
        Tdruckfenster *dialog = appWindows().druckfenster;
        bool keysWhileCovered = false;
        QTimer::singleShot(0, dialog, [&] { // while the page is composed
            QTest::keyClick(dialog, Qt::Key_Return);
            QTest::keyClick(dialog, Qt::Key_Escape);
            keysWhileCovered = dialog->state() == Tdruckfenster::State::Covered && dialog->isVisible();
        });
        preparePage(f, 1, 0);
        QVERIFY(keysWhileCovered);
        QVERIFY(errors.isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), dialog->findChild<QWidget *>("Image1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        Tdruckfenster::setErrorReporter({});
        QCOMPARE(errors.size(), 1);
        QVERIFY(!errors.first().isEmpty());
        QCOMPARE(dialog->state(), Tdruckfenster::State::Ready);
        QVERIFY(dialog->isVisible());
        QVERIFY(!f.prog->isEnabled());
        QCOMPARE(fieldSize(f, 1), QSize(200, 200)); // the page is kept for another try
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QVERIFY(f.prog->isEnabled());
    }

    void printerChoiceStaysAcrossPreparations()
    {
        AppFixture f("en");
        preparePage(f, 0, 0);
        auto *choice = appWindows().druckfenster->findChild<QComboBox *>("cbdruck");
        setComboText(choice, QStringLiteral("Office Laser"));
        appWindows().druckfenster->Image2Click();
        preparePage(f, 0, 0);
        QCOMPARE(comboText(choice), QStringLiteral("Office Laser"));
        appWindows().druckfenster->Image2Click();
    }

    void closingWhileAPageIsComposedAbandonsIt()
    {
        AppFixture f("en");
        QTimer::singleShot(0, f.prog, &QWidget::close);
        preparePage(f, 2, 6); // six classic puzzles would take seconds
        QVERIFY(f.prog->isClosing());
        QCOMPARE(appWindows().druckfenster->state(), Tdruckfenster::State::Covered);
        QVERIFY(f.prog->stat()->panelText(0) != QStringLiteral("Ready. Have Fun!"));
    }

    void dialogByLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("printCaption");
        QTest::addColumn<QString>("cancelCaption");
        QTest::addColumn<bool>("dash");
        QTest::newRow("de") << "de" << "Drucken" << "Drucken" << "Abbrechen" << true;
        QTest::newRow("en") << "en" << "Print" << "Print" << "Break" << false;
        QTest::newRow("other") << "xx" << "Drucken" << "Drucken" << "Abbrechen" << true;
    }
    void dialogByLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, title);
        QFETCH(QString, printCaption);
        QFETCH(QString, cancelCaption);
        QFETCH(bool, dash);
        AppFixture f(language);
        Tdruckfenster *dialog = appWindows().druckfenster;
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->size(), QSize(400, 155));
        QCOMPARE(dialog->findChild<QLabel *>("Label3")->text(), printCaption);
        QCOMPARE(dialog->findChild<QLabel *>("Label4")->text(), cancelCaption);
        QCOMPARE(!dialog->findChild<QLabel *>("Label1")->isHidden(), dash);
        QCOMPARE(comboText(dialog->findChild<QComboBox *>("cbdruck")), QStringLiteral("Standart"));
        QCOMPARE(dialog->findChild<QWidget *>("gauge1")->geometry(), QRect(79, 64, 313, 17));
        QCOMPARE(dialog->findChild<QWidget *>("verdeck")->geometry(), QRect(72, 120, 321, 33));
    }

    void closingWhileComposingIsRefused()
    {
        AppFixture f("en");
        Tdruckfenster *dialog = appWindows().druckfenster;
        f.prog->show();
        dialog->show();
        QCOMPARE(dialog->state(), Tdruckfenster::State::Covered);
        QVERIFY(!dialog->close());
        dialog->uncover();
        QVERIFY(dialog->close()); // a ready dialog closes like a cancel
        QVERIFY(f.prog->isEnabled());
        QCOMPARE(dialog->state(), Tdruckfenster::State::Hidden);
    }
};

QTEST_MAIN(TestPrintMode)
#include "test_print_mode.moc"
