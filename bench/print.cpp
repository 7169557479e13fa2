// Composing a page of six classic puzzles against six generator runs alone, and printing
// a composed page to a PDF file.
//   print [pages]   (default 15)
#include "bench/bench_util.h"
#include "core/generator.h"
#include "core/puzzle.h"
#include "core/random.h"
#include "print/page_field.h"
#include "print/printer_layout.h"
#include "print/printer_output.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <chrono>

using namespace vantrell;

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

GameState classic()
{
    GameState s;
    s.spielart = 1;
    s.groesse = 9;
    s.aufgedeckt = 40;
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    RandSeed(4711);
    const QString footerLong = QStringLiteral("Vantrell Sudoku - vantrell-media.com");
    const QString footerShort = QStringLiteral("Sudoku - vantrell-media.com");

    std::vector<double> compose, overhead, generateOnly, printing, printingPictures, matching;
    std::vector<PrintedField> lastPage;
    for (int page = 0; page < pages; ++page) {
        // A composed page: per field a generation, the givens and the drawing.
        GameState state = classic();
        std::vector<PrintedField> fields(6, whitePicture(1, 1));
        double generating = 0;
        const auto start = Clock::now();
        for (PrintedField &field : fields) {
            const auto g = Clock::now();
            Spiel2Generieren(state);
            generating += msSince(g);
            Spiel3Vorbereiten(state);
            field.picture = resizedPicture(field.picture, pageFieldSide(9), pageFieldSide(9));
            drawPageFieldInto(field.picture, state, footerLong, footerShort);
            field.puzzle = pageFieldPuzzle(state, footerLong, footerShort);
        }
        compose.push_back(msSince(start));
        overhead.push_back(compose.back() - generating);
        lastPage = fields;

        // Six generator runs alone.
        GameState alone = classic();
        const auto g = Clock::now();
        for (int i = 0; i < 6; ++i)
            Spiel2Generieren(alone);
        generateOnly.push_back(msSince(g));
    }

    // The print dialog's check that each puzzle is what its picture shows.
    for (int run = 0; run < 10; ++run) {
        const auto start = Clock::now();
        for (const PrintedField &field : lastPage)
            if (!pageFieldShows(field.picture, *field.puzzle))
                return 1;
        matching.push_back(msSince(start));
    }

    QTemporaryDir dir;
    std::vector<PrintedField> picturesAlone;
    for (const PrintedField &field : lastPage)
        picturesAlone.emplace_back(field.picture);
    for (auto [page, times] : {std::pair{&lastPage, &printing}, std::pair{&picturesAlone, &printingPictures}})
        for (int run = 0; run < 10; ++run) {
            const auto start = Clock::now();
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(QStringLiteral("page.pdf")));
            printer.setDocName(QStringLiteral("Vantrell Sudoku"));
            QPainter painter(&printer);
            drawPrinterPage(painter, *page, 6);
            painter.end();
            times->push_back(msSince(start));
        }

    bench::printMachine("Print page of six classic puzzles");
    std::printf("| what | runs | median (ms) | p95 (ms) |\n|---|---|---|---|\n");
    std::printf("| compose a page (generation + drawing) | %d | %.1f | %.1f |\n", pages, bench::percentile(compose, 50), bench::percentile(compose, 95));
    std::printf("| six generator runs alone | %d | %.1f | %.1f |\n", pages, bench::percentile(generateOnly, 50), bench::percentile(generateOnly, 95));
    std::printf("| composition beyond its own generator runs | %d | %.2f | %.2f |\n", pages, bench::percentile(overhead, 50), bench::percentile(overhead, 95));
    std::printf("| check six pictures against their puzzles | %d | %.1f | %.1f |\n", 10, bench::percentile(matching, 50), bench::percentile(matching, 95));
    std::printf("| print the page to PDF | %d | %.1f | %.1f |\n", 10, bench::percentile(printing, 50), bench::percentile(printing, 95));
    std::printf("| print the page to PDF, pictures alone | %d | %.1f | %.1f |\n", 10, bench::percentile(printingPictures, 50), bench::percentile(printingPictures, 95));
    return 0;
}
