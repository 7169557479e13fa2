// The print dialog's print click against a private CUPS scheduler (tests/support/cups): what
// the player sees when the scheduler refuses, holds or ignores the page.
#include "print/printed_pdf.h"
#include "print/private_scheduler.h"
#include "print/puzzles.h"
#include "print/u_druckfenster.h"
#include "widgets/controls.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <array>


using namespace vantrell;
using namespace vantrell::testing;

namespace {

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!ok)
        qWarning() << program << arguments << "failed:" << process.readAllStandardError();
    return ok;
}

// The main window as far as the dialog sees it: six page fields and the count.
class FakeMainWindow : public QWidget, public PrintHost {
public:
    FakeMainWindow()
    {
        for (int i = 1; i <= 6; ++i) {
            auto *field = new PictureBox(this);
            field->setPicture(QImage(1, 1, QImage::Format_RGB32));
            fields_[std::size_t(i - 1)] = field;
        }
    }
    // A page of one field, as the preparation leaves it.
    void compose()
    {
        QImage picture(200, 200, QImage::Format_RGB32);
        picture.fill(Qt::white);
        setField(picture);
    }
    std::int32_t felderproseite() const override { return 1; }
    PictureBox *pageField(int i) const override { return i >= 1 && i <= 6 ? fields_[std::size_t(i - 1)] : nullptr; }
    std::optional<PageFieldPuzzle> pageFieldPuzzle(int i) const override { return i == 1 ? puzzle : std::nullopt; }
    void pageFieldsCleared() override { puzzle.reset(); }
    QSize fieldSize() const { return fields_[0]->picture().size(); }
    void setField(const QImage &picture) { fields_[0]->setPicture(picture); }

    std::optional<PageFieldPuzzle> puzzle; // what the window says x1 shows

private:
    std::array<PictureBox *, 6> fields_{};
};

PageFieldPuzzle somePuzzle(std::uint64_t seed)
{
    return pageFieldPuzzle(vantrell::testing::generatedPuzzle(4, 8, seed), QStringLiteral("Vantrell Sudoku - here"),
                           QStringLiteral("Sudoku - here"));
}

} // namespace

class TestPrintDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (const QString missing = privateSchedulerMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        // Queues whose names look like markup: one refuses every job, one is removed by a test.
        for (const QString &queue : {kRefusing, kRemovable})
            QVERIFY(run(QStringLiteral("lpadmin"),
                        {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
                         QStringLiteral("file://%1/out/markup.pdf").arg(cupsDir()), QStringLiteral("-P"),
                         QStringLiteral(VANTRELL_TEST_PPD)}));
        QVERIFY(run(QStringLiteral("cupsreject"), {kRefusing}));
    }

    void init()
    {
        main_ = std::make_unique<FakeMainWindow>();
        main_->setEnabled(false); // as while a page is prepared
        dialog_ = std::make_unique<Tdruckfenster>(nullptr, main_.get(), main_.get());
        dialog_->show();
        // The printer list comes in while the page would be composed.
        QTRY_VERIFY(choice()->count() > 0);
        main_->compose();
        dialog_->uncover();
    }

    void cleanup()
    {
        Tdruckfenster::setErrorReporter({});
        Tdruckfenster::setNoticeReporter({});
        dialog_.reset();
        main_.reset();
    }

    // A printer that takes no page: a message box shows why, with the printer's name as it
    // is even where it looks like markup, and the dialog stays ready with its page for
    // another printer.
    void unusablePrinterKeepsTheDialogReady_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::newRow("refusing") << kRefusing;
        QTest::newRow("removed after the list") << kRemovable;
    }
    void unusablePrinterKeepsTheDialogReady()
    {
        QFETCH(QString, queue);
        QVERIFY(choice()->findText(queue) >= 0);
        pick(queue);
        if (queue == kRemovable)
            QVERIFY(run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue}));
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        bool plainLabel = false;
        QTimer boxWatch;
        connect(&boxWatch, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->text();
            format = box->textFormat();
            // What the label really renders: markup would leave no "<h1>" in its text.
            for (auto *label : box->findChildren<QLabel *>())
                plainLabel |= label->text() == shown && label->textFormat() == Qt::PlainText;
            box->button(QMessageBox::Ok)->click();
        });
        boxWatch.start(20);
        dialog_->Image1Click();
        boxWatch.stop();

        QVERIFY2(shown.contains(QLatin1Char('"') + queue + QLatin1Char('"')), qPrintable(shown));
        QCOMPARE(format, Qt::PlainText);
        QVERIFY(plainLabel);
        QCOMPARE(dialog_->state(), Tdruckfenster::State::Ready);
        QVERIFY(dialog_->isVisible());
        QVERIFY(!main_->isEnabled());
        QCOMPARE(main_->fieldSize(), QSize(200, 200));
        QVERIFY(!QFile::exists(cupsDir() + QStringLiteral("/out/markup.pdf")));
    }

    // A stopped printer takes the page: the dialog closes as after any print, and a note
    // says where the page waits.
    void heldPageClosesWithANote()
    {
        QStringList errors, notices;
        Tdruckfenster::setErrorReporter([&](const QString &text) { errors << text; });
        Tdruckfenster::setNoticeReporter([&](const QString &text) { notices << text; });
        QVERIFY(run(QStringLiteral("cupsdisable"), {QStringLiteral("vantrell-second")}));
        pick(QStringLiteral("vantrell-second"));
        dialog_->Image1Click();
        QVERIFY(run(QStringLiteral("cupsenable"), {QStringLiteral("vantrell-second")}));
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.first().contains(QStringLiteral("\"vantrell-second\" is stopped")), qPrintable(notices.first()));
        QCOMPARE(dialog_->state(), Tdruckfenster::State::Hidden);
        QVERIFY(main_->isEnabled());
        QCOMPARE(main_->fieldSize(), QSize(1, 1));
    }

    // A scheduler that never answers: neither showing the dialog nor the print click holds
    // the game; the click says so within about five seconds, and the dialog stays ready.
    void silentSchedulerDoesNotHoldTheGame()
    {
        QStringList errors;
        Tdruckfenster::setErrorReporter([&](const QString &text) { errors << text; });
        dialog_->hide();
        // Whatever happens below, the scheduler answers again after 15 s.
        std::optional<FrozenScheduler> frozen(std::in_place);
        QVERIFY(frozen->frozen());
        QTimer ticker;
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);

        QElapsedTimer clock;
        clock.start();
        dialog_->printerService().refreshPrinterNames();
        dialog_->show();
        const qint64 showMs = clock.restart();
        main_->compose();
        dialog_->uncover();
        // A window-manager close while the page is in flight waits for the answer.
        bool closedDuringWait = true;
        QTimer::singleShot(500, dialog_.get(), [&] { closedDuringWait = dialog_->close(); });
        dialog_->Image1Click();
        const qint64 clickMs = clock.elapsed();
        frozen.reset();
        qInfo("showing took %lld ms, the print click %lld ms with %d timer ticks", showMs, clickMs, ticks);

        QVERIFY(showMs < 1000);
        QVERIFY(clickMs <= 5500);
        QVERIFY2(ticks >= clickMs / 50 / 2, "the event loop stood still during the print click");
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QStringLiteral("does not answer")), qPrintable(errors.first()));
        QVERIFY(!closedDuringWait);
        QCOMPARE(dialog_->state(), Tdruckfenster::State::Ready);
        QVERIFY(dialog_->isVisible());
        QCOMPARE(main_->fieldSize(), QSize(200, 200));
        QVERIFY(choice()->count() > 0); // the list it had stays
    }

    // The window's puzzle goes to the printer, as text and lines, only where the page
    // field's picture is that very puzzle; otherwise the picture is printed as it is.
    void printsThePuzzleOnlyWhereThePictureShowsIt_data()
    {
        QTest::addColumn<bool>("withPuzzle");
        QTest::addColumn<std::uint64_t>("pictureSeed");
        QTest::addColumn<bool>("printedAsText");
        QTest::newRow("picture and its puzzle") << true << std::uint64_t(5) << true;
        QTest::newRow("puzzle of another picture") << true << std::uint64_t(6) << false;
        QTest::newRow("picture alone") << false << std::uint64_t(5) << false;
    }
    void printsThePuzzleOnlyWhereThePictureShowsIt()
    {
        QFETCH(bool, withPuzzle);
        QFETCH(std::uint64_t, pictureSeed);
        QFETCH(bool, printedAsText);
        const QString pdfPath = cupsDir() + QStringLiteral("/out/job.pdf");
        QFile::remove(pdfPath);
        main_->setField(drawPageField(somePuzzle(pictureSeed)));
        if (withPuzzle)
            main_->puzzle = somePuzzle(5);
        pick(QStringLiteral("vantrell-test"));
        QStringList errors;
        Tdruckfenster::setErrorReporter([&](const QString &text) { errors << text; });
        dialog_->Image1Click();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QCOMPARE(dialog_->state(), Tdruckfenster::State::Hidden);
        QVERIFY(!main_->puzzle); // cleared with the page fields

        QVERIFY2(vantrell::testing::waitForJob(pdfPath), "the job did not reach the queue's file");
        const auto images = vantrell::testing::imageResolutions(pdfPath);
        QVERIFY(images);
        QCOMPARE(images->size(), printedAsText ? 0 : 1);
        const QString text = vantrell::testing::toolOutput(QStringLiteral("pdftotext"), {pdfPath, QStringLiteral("-")})
                                 .value_or(QString());
        QCOMPARE(text.contains(QStringLiteral("Sudoku - here")), printedAsText);
    }

private:
    QComboBox *choice() { return dialog_->findChild<QComboBox *>(QStringLiteral("cbdruck")); }
    // What the player's pick from the list does.
    void pick(const QString &printer)
    {
        const int index = choice()->findText(printer);
        QVERIFY(index >= 0);
        choice()->setCurrentIndex(index);
        emit choice()->activated(index);
    }

    const QString kRefusing = QStringLiteral("<h1>BIG");
    const QString kRemovable = QStringLiteral("<b>GONE");
    std::unique_ptr<FakeMainWindow> main_;
    std::unique_ptr<Tdruckfenster> dialog_;
};

QTEST_MAIN(TestPrintDialog)
#include "test_print_dialog.moc"
