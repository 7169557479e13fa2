// How long the solution generator takes per game type, and how much of that is the
// generator's own work rather than dead ends waiting for their time budget.
//   generator [runs per type]   (default 200)
#include "bench/bench_util.h"
#include "core/generator.h"
#include "core/random.h"

#include <chrono>
#include <cstdlib>

using namespace vantrell;

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    RandSeed(20261208);
    bench::printMachine("Solution generator, real clock");
    std::printf("| type | runs | passes mean | passes p95 | ms mean | ms median | ms p95 | dead-end wait mean (ms) | own work share |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (int spielart : {3, 4, 5, 6, 7, 8, 9, 1}) {
        std::vector<double> passes, millis;
        double totalNanos = 0, waitNanos = 0;
        int deadEnds = 0;
        for (int i = 0; i < runs; ++i) {
            GameState state;
            state.spielart = spielart;
            state.groesse = spielart == 1 ? 9 : spielart;
            GeneratorStats stats;
            const auto start = std::chrono::steady_clock::now();
            Spiel2Generieren(state, {}, &stats);
            const double nanos = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
            passes.push_back(stats.passes);
            millis.push_back(nanos / 1e6);
            totalNanos += nanos;
            waitNanos += static_cast<double>(stats.deadEndNanos);
            deadEnds += stats.deadEnds;
        }
        const std::string name = spielart == 1 ? "classic 9x9" : std::to_string(spielart) + "x" + std::to_string(spielart) + " free";
        std::printf("| %s | %d | %.1f | %.0f | %.2f | %.2f | %.2f | %.3f | %.2f %% |\n", name.c_str(), runs,
                    bench::mean(passes), bench::percentile(passes, 95), bench::mean(millis),
                    bench::percentile(millis, 50), bench::percentile(millis, 95),
                    deadEnds ? waitNanos / deadEnds / 1e6 : 0.0, 100.0 * (totalNanos - waitNanos) / totalNanos);
        std::fflush(stdout);
    }
    return 0;
}
