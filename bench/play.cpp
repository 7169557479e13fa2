// Cost of a click on the board (hit test, entering, one-cell redraw, solution check) and
// of redrawing the whole board, for the classic and a free board.
//   play [repetitions]   (default 2000)
#include "bench/bench_util.h"
#include "core/generator.h"
#include "core/puzzle.h"
#include "core/random.h"
#include "play/board_input.h"
#include "play/board_renderer.h"
#include "resources/pictures.h"

#include <QGuiApplication>
#include <chrono>

using namespace vantrell;

namespace {

double microsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    QObject owner;
    const BoardPictures lists = createPictureLists(&owner);
    RandSeed(99);
    bench::printMachine("Board clicks and redraws");
    std::printf("| board | one click median (us) | one click p95 (us) | full board median (ms) | full board p95 (ms) |\n");
    std::printf("|---|---|---|---|---|\n");
    for (int spielart : {1, 6}) {
        GameState state;
        state.spielart = spielart;
        state.groesse = spielart == 1 ? 9 : spielart;
        state.elemente = 'B';
        state.aufgedeckt = spielart == 1 ? 30 : 12;
        Spiel2Generieren(state);
        Spiel3Vorbereiten(state);
        BoardCanvas board;
        BoardBitmaps bitmaps;
        prepareBoard(board, spielart, state.groesse);
        const int n = state.groesse;

        std::vector<double> clicks, full;
        for (int i = 0; i < repetitions; ++i) {
            const int px = Random(45 * n), py = Random(45 * n);
            const auto start = std::chrono::steady_clock::now();
            if (const auto hit = locateClick(px, py, n)) {
                applyClick(state, i % 3 == 0 ? BoardButton::Right : BoardButton::Left, *hit);
                Ausgabe(board, state, lists, bitmaps, hit->x, hit->x, hit->y, hit->y);
                volatile bool solved = Pruefen(state);
                (void)solved;
            }
            clicks.push_back(microsSince(start));
        }
        for (int i = 0; i < repetitions / 10; ++i) {
            const auto start = std::chrono::steady_clock::now();
            Ausgabe(board, state, lists, bitmaps, 1, n, 1, n);
            full.push_back(microsSince(start) / 1000.0);
        }
        std::printf("| %s | %.1f | %.1f | %.3f | %.3f |\n", spielart == 1 ? "classic 9x9" : "free 6x6",
                    bench::percentile(clicks, 50), bench::percentile(clicks, 95), bench::percentile(full, 50),
                    bench::percentile(full, 95));
    }
    return 0;
}
