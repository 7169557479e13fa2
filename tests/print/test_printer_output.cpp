// Prints real pages through a private CUPS scheduler (see tests/support/cups) and reads the
// PDF that lands in the queue's file back with poppler's tools; then makes the scheduler
// refuse, hold, fall silent, break off in the middle of a document, and vanish.
#include "print/page_field.h"
#include "print/puzzles.h"
#include "print/printer_layout.h"
#include "print/printer_output.h"
#include "print/printed_pdf.h"
#include "print/private_scheduler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <optional>
#include <thread>

using namespace vantrell;
using namespace vantrell::testing;

Q_DECLARE_METATYPE(vantrell::PrintFailure)

namespace {

const QString kQueue = QStringLiteral("vantrell-test");

const QString kFooterLong = QStringLiteral("Vantrell Sudoku - vantrell-media.com");

// A page as the print dialog hands it over: each picture with the puzzle it shows, or the
// pictures alone.
std::vector<PrintedField> composedPage(int count, bool withPuzzles = true)
{
    std::vector<PrintedField> fields;
    for (int i = 0; i < count; ++i) {
        const PageFieldPuzzle puzzle = pageFieldPuzzle(vantrell::testing::generatedPuzzle(1, 32, 7 + i), kFooterLong,
                                                       QStringLiteral("Sudoku - vantrell-media.com"));
        fields.emplace_back(drawPageField(puzzle), withPuzzles ? std::optional(puzzle) : std::nullopt);
    }
    return fields;
}

using vantrell::testing::waitForJob;
std::optional<QString> run(const QString &program, const QStringList &arguments)
{
    return vantrell::testing::toolOutput(program, arguments);
}

// Jobs the scheduler still has to print.
QString pendingJobs()
{
    return run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("not-completed"), QStringLiteral("-o")})
        .value_or(QStringLiteral("lpstat failed"))
        .trimmed();
}

QString infoField(const QString &pdfinfo, const QString &field)
{
    for (const QString &line : pdfinfo.split(QLatin1Char('\n')))
        if (line.startsWith(field + QLatin1Char(':')))
            return line.mid(field.size() + 1).trimmed();
    return {};
}

} // namespace

class TestPrinterOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (const QString missing = privateSchedulerMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty());
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty());
        QVERIFY(service.printerNames().contains(kQueue));
    }

    // One page with the squares where the layout puts them, and the document title.
    // The puzzles reach the printer as lines and text, not as screen pictures; fields
    // without their puzzle still print their picture.
    void printsOnePageWithTheSquares_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("withPuzzles");
        QTest::newRow("1 per page") << 1 << true;
        QTest::newRow("2 per page") << 2 << true;
        QTest::newRow("6 per page") << 6 << true;
        QTest::newRow("6 per page, pictures alone") << 6 << false;
    }
    void printsOnePageWithTheSquares()
    {
        QFETCH(int, count);
        QFETCH(bool, withPuzzles);
        const QString pdfPath = cupsDir() + QStringLiteral("/out/job.pdf");
        QFile::remove(pdfPath);

        const PrintOutcome outcome = service.print(kQueue, composedPage(count, withPuzzles), count);
        QVERIFY2(outcome.ok, qPrintable(outcome.reason));
        QVERIFY(outcome.jobId > 0);
        QVERIFY(outcome.notice.isEmpty());
        QVERIFY2(waitForJob(pdfPath), "the job did not reach the queue's file");
        // Kept beside the test for a look at the printed page.
        const QString kept = QStringLiteral("printed-%1%2.pdf").arg(count).arg(withPuzzles ? "" : "-pictures");
        QFile::remove(kept);
        QFile::copy(pdfPath, kept);

        const QString info = run(QStringLiteral("pdfinfo"), {pdfPath}).value_or(QString());
        QCOMPARE(infoField(info, QStringLiteral("Pages")), QStringLiteral("1"));
        QCOMPARE(infoField(info, QStringLiteral("Title")), PrinterService::documentTitle());

        const auto resolutions = vantrell::testing::imageResolutions(pdfPath);
        QVERIFY(resolutions);
        const QString text = run(QStringLiteral("pdftotext"), {pdfPath, QStringLiteral("-")}).value_or(QString());
        const auto digits = std::count_if(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        if (withPuzzles) {
            QStringList listed;
            for (int ppi : *resolutions)
                listed << QString::number(ppi);
            QVERIFY2(resolutions->isEmpty(), qPrintable(QStringLiteral("images at %1 ppi").arg(listed.join(QStringLiteral(", ")))));
            // Every square's given digits (32 each) and its footer, as text.
            QCOMPARE(text.count(kFooterLong), count);
            QCOMPARE(int(digits), 32 * count);
        } else {
            QCOMPARE(resolutions->size(), count);
            QCOMPARE(int(digits), 0);
        }

        // The queue's page: A4 with 12 pt unprintable on each side.
        const QPageLayout layout = service.lastPageLayout();
        const double resolution = PrinterService::resolution;
        const QRect printable = layout.paintRectPixels(PrinterService::resolution);
        const QRectF paper = layout.fullRectPixels(PrinterService::resolution);
        QVERIFY(resolution >= 300);
        QVERIFY(qAbs(paper.width() - 595 / 72.0 * resolution) <= 2);
        QVERIFY(qAbs(printable.left() - 12 / 72.0 * resolution) <= 1);
        QVERIFY(qAbs(printable.top() - 12 / 72.0 * resolution) <= 1);
        qInfo("printable area %d x %d device pixels at %g dpi", printable.width(), printable.height(), resolution);

        const int dpi = 100;
        const QString base = QDir(cupsDir()).filePath(QStringLiteral("page-%1").arg(count));
        QVERIFY(run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                         QStringLiteral("-singlefile"), pdfPath, base}));
        QImage page(base + QStringLiteral(".pgm"));
        QVERIFY(!page.isNull());
        const double scale = dpi / resolution; // device pixels to rendered pixels
        QVERIFY(qAbs(page.width() - paper.width() * scale) <= 2);
        QVERIFY(qAbs(page.height() - paper.height() * scale) <= 2);

        const std::vector<PageSquare> squares = printerSquares(count, printable.width(), printable.height());
        QCOMPARE(int(squares.size()), count);
        auto dark = [&](double x, double y) {
            return qGray(page.pixel(qBound(0, qRound(x), page.width() - 1), qBound(0, qRound(y), page.height() - 1))) < 128;
        };
        // Rendered coordinate of the middle of pixel p of a 425-pixel page field whose
        // square starts at squareStart (device pixels of the printable area from origin).
        auto rendered = [&](int origin, int squareStart, int side, double p) {
            return (origin + squareStart + (p + 0.5) * side / 425.0) * scale;
        };
        QList<QRectF> placed;
        for (const PageSquare &sq : squares) {
            const int side = sq.right - sq.left;
            QCOMPARE(sq.bottom - sq.top, side);
            // The outer block lines, around picture pixels 5 and 410, sampled along their
            // length.
            for (double edge : {5.0, 410.0})
                for (int step = 1; step < 20; ++step) {
                    const double p = 5 + step * 405 / 20.0;
                    const double vx = rendered(printable.left(), sq.left, side, edge);
                    const double vy = rendered(printable.top(), sq.top, side, p);
                    const double hx = rendered(printable.left(), sq.left, side, p);
                    const double hy = rendered(printable.top(), sq.top, side, edge);
                    QVERIFY2(dark(vx, vy), qPrintable(QStringLiteral("vertical edge at %1, %2").arg(vx).arg(vy)));
                    QVERIFY2(dark(hx, hy), qPrintable(QStringLiteral("horizontal edge at %1, %2").arg(hx).arg(hy)));
                }
            placed.append(QRectF((printable.left() + sq.left) * scale, (printable.top() + sq.top) * scale,
                                 side * scale, side * scale).adjusted(-2, -2, 2, 2));
        }
        // The thick frame is closed: at 600 dpi the outer block lines (picture pixels 4 to 6
        // and 409 to 411) meet in every corner of every square, with no bite out of it.
        const int fine = 600;
        const QString fineBase = QDir(cupsDir()).filePath(QStringLiteral("fine-%1").arg(count));
        QVERIFY(run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(fine), QStringLiteral("-gray"),
                                         QStringLiteral("-singlefile"), pdfPath, fineBase}));
        QImageReader::setAllocationLimit(512); // a whole A4 page at 600 dpi
        const QImage finePage(fineBase + QStringLiteral(".pgm"));
        QVERIFY(!finePage.isNull());
        for (const PageSquare &sq : squares) {
            const double perPixel = double(sq.right - sq.left) / 425 * fine / resolution;
            const QPointF origin((printable.left() + sq.left) * fine / resolution,
                                 (printable.top() + sq.top) * fine / resolution);
            for (const double cornerX : {4.0, 409.0})
                for (const double cornerY : {4.0, 409.0}) {
                    // Inside the 3 x 3 picture pixels where the lines cross, clear of the
                    // rendered edges.
                    const QRect crossing = QRectF(origin + QPointF(cornerX, cornerY) * perPixel,
                                                  QSizeF(3, 3) * perPixel)
                                               .adjusted(1, 1, -1, -1)
                                               .toAlignedRect()
                                               .adjusted(1, 1, -1, -1);
                    for (int y = crossing.top(); y <= crossing.bottom(); ++y)
                        for (int x = crossing.left(); x <= crossing.right(); ++x)
                            QVERIFY2(qGray(finePage.pixel(x, y)) < 128,
                                     qPrintable(QStringLiteral("gap in the frame's corner at %1, %2 (600 dpi)").arg(x).arg(y)));
                }
        }

        // Nothing is printed outside the squares.
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 200) {
                    const bool inside = std::any_of(placed.begin(), placed.end(),
                                                    [&](const QRectF &r) { return r.contains(x + 0.5, y + 0.5); });
                    QVERIFY2(inside, qPrintable(QStringLiteral("ink outside the squares at %1, %2").arg(x).arg(y)));
                }
    }

    // A printer picked by name stays selected; the standard choice then prints there too.
    void pickedPrinterStaysSelected()
    {
        const QString second = cupsDir() + QStringLiteral("/out/second.pdf");
        const QString first = cupsDir() + QStringLiteral("/out/job.pdf");
        QFile::remove(first);
        QFile::remove(second);
        PrintOutcome outcome = service.print(QStringLiteral("vantrell-second"), composedPage(1), 1);
        QVERIFY2(outcome.ok, qPrintable(outcome.reason));
        QVERIFY(waitForJob(second));
        QCOMPARE(service.selectedPrinterName(), QStringLiteral("vantrell-second"));

        QFile::remove(second);
        outcome = service.print(std::nullopt, composedPage(2), 2);
        QVERIFY2(outcome.ok, qPrintable(outcome.reason));
        QVERIFY(waitForJob(second));
        QVERIFY(!QFile::exists(first));
    }

    // The standard choice on a fresh service prints on the system default.
    void standardChoicePrintsOnTheDefault()
    {
        PrinterService fresh;
        QCOMPARE(fresh.selectedPrinterName(), kQueue);
        const QString first = cupsDir() + QStringLiteral("/out/job.pdf");
        QFile::remove(first);
        const PrintOutcome outcome = fresh.print(std::nullopt, composedPage(6), 6);
        QVERIFY2(outcome.ok, qPrintable(outcome.reason));
        QVERIFY(waitForJob(first));
    }

    // The scheduler answers, but takes no job: the player is told why and nothing prints.
    void unusablePrinterIsReported_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("breakIt");  // a command that makes the printer unusable
        QTest::addColumn<QString>("mendIt");   // the command that undoes it, or empty
        QTest::addColumn<PrintFailure>("failure");
        QTest::addColumn<QString>("schedulerSays");
        QTest::newRow("rejecting jobs") << "vantrell-second" << "cupsreject" << "cupsaccept" << PrintFailure::JobRefused
                                        << "not accepting jobs";
        QTest::newRow("removed after the list") << "vantrell-removable" << "lpadmin -x" << "" << PrintFailure::PrinterGone
                                                << "";
        QTest::newRow("never there") << "no-such-printer" << "" << "" << PrintFailure::PrinterGone << "";
    }
    void unusablePrinterIsReported()
    {
        QFETCH(QString, printer);
        QFETCH(QString, breakIt);
        QFETCH(QString, mendIt);
        QFETCH(PrintFailure, failure);
        QFETCH(QString, schedulerSays);
        PrinterService fresh;
        QVERIFY(fresh.printerNames().contains(kQueue));
        const QString file = cupsDir() + QStringLiteral("/out/%1.pdf").arg(printer.section(QLatin1Char('-'), 1));
        QFile::remove(file);
        auto command = [&](const QString &line) {
            QStringList words = line.split(QLatin1Char(' '));
            return run(words.takeFirst(), words << printer).has_value();
        };
        if (!breakIt.isEmpty())
            QVERIFY(command(breakIt));
        const PrintOutcome outcome = fresh.print(printer, composedPage(1), 1);
        if (!mendIt.isEmpty())
            QVERIFY(command(mendIt));
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.failure, std::optional(failure));
        QCOMPARE(outcome.jobId, 0);
        QVERIFY2(outcome.reason.contains(QLatin1Char('"') + printer + QLatin1Char('"')), qPrintable(outcome.reason));
        QVERIFY2(outcome.reason.contains(schedulerSays), qPrintable(outcome.reason));
        QCOMPARE(pendingJobs(), QString());
        QVERIFY(!QFile::exists(file));
    }

    // A stopped printer takes the job and keeps it: that is a print, with a note saying so.
    void stoppedPrinterHoldsTheJob()
    {
        const QString file = cupsDir() + QStringLiteral("/out/second.pdf");
        QFile::remove(file);
        QVERIFY(run(QStringLiteral("cupsdisable"), {QStringLiteral("vantrell-second")}));
        PrinterService fresh;
        const PrintOutcome outcome = fresh.print(QStringLiteral("vantrell-second"), composedPage(2), 2);
        QVERIFY2(outcome.ok, qPrintable(outcome.reason));
        QVERIFY(outcome.jobId > 0);
        QCOMPARE(outcome.notice, heldJobText(QStringLiteral("vantrell-second"), outcome.jobId));
        QVERIFY2(pendingJobs().contains(QStringLiteral("vantrell-second-%1").arg(outcome.jobId)), qPrintable(pendingJobs()));
        QVERIFY(!QFile::exists(file));
        QVERIFY(run(QStringLiteral("cupsenable"), {QStringLiteral("vantrell-second")}));
        QVERIFY2(waitForJob(file), "the held job was not printed once the printer was started");
    }

    // A scheduler that takes connections but never answers: the print and the printer list
    // give up after about five seconds, and the event loop runs all the while.
    void silentSchedulerIsCutOff()
    {
        PrinterService fresh;
        QTimer ticker;
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        {
            FrozenScheduler frozen;
            QVERIFY(frozen.frozen());
            const std::vector<PrintedField> page = composedPage(1);
            clock.start();
            const PrintOutcome outcome = fresh.print(std::nullopt, page, 1);
            const qint64 printMs = clock.restart();
            const int printTicks = ticks;
            const QStringList names = fresh.printerNames();
            const qint64 listMs = clock.elapsed();
            qInfo("print gave up after %lld ms (%d timer ticks), the printer list after %lld ms", printMs, printTicks,
                  listMs);
            QVERIFY(!outcome.ok);
            QCOMPARE(outcome.failure, std::optional(PrintFailure::ServiceSilent));
            QVERIFY(outcome.reason.contains(QStringLiteral("does not answer")));
            QVERIFY(printMs >= 3000 && printMs <= 5300);
            QVERIFY2(printTicks >= printMs / 50 / 2, "the event loop stood still while the print waited");
            QVERIFY(names.isEmpty());
            QVERIFY(listMs <= 5300);
        }
        // Once it answers again, nothing of the abandoned print turns up, and printing works.
        QTest::qWait(1000);
        QCOMPARE(pendingJobs(), QString());
        QVERIFY(fresh.printerNames().contains(kQueue));
        const PrintOutcome again = fresh.print(std::nullopt, composedPage(1), 1);
        QVERIFY2(again.ok, qPrintable(again.reason));
    }

    // The scheduler takes part of the document, then hangs, stops reading that connection
    // alone, or drops it: the page is never reported as printed, the reason is what
    // happened, and where the scheduler still answers the job is cancelled.
    void unconfirmedDocumentIsNotPrinted_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<PrintFailure>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("scheduler hangs") << "freeze" << PrintFailure::JobUnconfirmed << "no answer in time";
        QTest::newRow("document stalls") << "stall" << PrintFailure::PageUnconfirmed << "no answer in time";
        QTest::newRow("connection drops") << "drop" << PrintFailure::PageUnconfirmed << "";
    }
    void unconfirmedDocumentIsNotPrinted()
    {
        QFETCH(QString, mode);
        QFETCH(PrintFailure, failure);
        QFETCH(QString, reason);
        const QString pdfPath = cupsDir() + QStringLiteral("/out/job.pdf");
        QFile::remove(pdfPath);
        SchedulerProxy proxy(QStringLiteral(VANTRELL_TEST_PROXY));
        QVERIFY(proxy.started());
        PrinterService fresh;
        proxy.setMode(mode);
        const PrintOutcome outcome = fresh.print(std::nullopt, composedPage(1), 1);
        QVERIFY(proxy.tripped());
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.failure, std::optional(failure));
        QVERIFY2(outcome.reason.contains(reason) && !outcome.reason.contains(QStringLiteral("successful")),
                 qPrintable(outcome.reason));
        if (failure == PrintFailure::PageUnconfirmed)
            QCOMPARE(pendingJobs(), QString());
        // The scheduler is back: what the hang left is cleared away, and the next page prints.
        proxy.setMode(QStringLiteral("pass"));
        const auto cleared = [] {
            run(QStringLiteral("cancel"), {QStringLiteral("-a")});
            return pendingJobs().isEmpty();
        };
        QTRY_VERIFY_WITH_TIMEOUT(cleared(), 10000);
        const PrintOutcome again = fresh.print(std::nullopt, composedPage(1), 1);
        QVERIFY2(again.ok, qPrintable(again.reason));
        QVERIFY(waitForJob(pdfPath));
    }

    // Runs last: the scheduler is killed, its socket stays behind with nobody listening.
    void goneSchedulerIsReported()
    {
        PrinterService fresh;
        QVERIFY(fresh.printerNames().contains(kQueue));
        QVERIFY(::kill(schedulerPid(), SIGKILL) == 0);
        QTest::qWait(300); // its sockets close with it
        QElapsedTimer clock;
        clock.start();
        const PrintOutcome outcome = fresh.print(std::nullopt, composedPage(1), 1);
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.failure, std::optional(PrintFailure::ServiceUnreachable));
        QVERIFY2(outcome.reason.contains(cupsDir() + QStringLiteral("/cups.sock: Connection refused")),
                 qPrintable(outcome.reason));
        QVERIFY(clock.elapsed() < 2000);
    }

private:
    PrinterService service;
};

QTEST_MAIN(TestPrinterOutput)
#include "test_printer_output.moc"
