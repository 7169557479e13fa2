#include "core/generator.h"

#include <chrono>

namespace vantrell {
namespace {

bool clashes(const GameState &state, int x, int y, std::int32_t v)
{
    const int n = state.groesse;
    bool fits = true;
    // The last cell of a column or row is filled last, so the first n-1 cells hold
    // every value placed before.
    for (int i = 1; i <= n - 1; ++i) {
        if (state.loesung(x, i) == v)
            fits = false;
        if (state.loesung(i, y) == v)
            fits = false;
    }
    if (state.spielart == 1) {
        const int bx = (x - 1) / 3;
        const int by = (y - 1) / 3;
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j)
                if (state.loesung(3 * bx + i, 3 * by + j) == v)
                    fits = false;
    }
    return !fits;
}

void presetStruckOutValues(GameState &state)
{
    const int n = state.groesse;
    if (presetsStruckOutValues(state.spielart)) {
        for (int x = 1; x <= n; ++x)
            for (int y = 1; y <= n; ++y)
                for (int v = n + 1; v <= kMaxSide; ++v)
                    state.markierungen.value(x, y, v) = 1;
    }
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            for (int sx = 1; sx <= 3; ++sx)
                for (int sy = 1; sy <= 3; ++sy)
                    state.gesperrt(x, y, sx, sy) = state.markierungen(x, y, sx, sy);
}

std::int64_t nanosNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One pass over the board; false when a cell ran out of its time budget.
bool fillPass(GameState &state, const GeneratorServices &services, GeneratorStats *stats)
{
    const int n = state.groesse;
    for (int x = 1; x <= n; ++x) {
        for (int y = 1; y <= n; ++y) {
            const std::int64_t t0 = services.millis();
            const std::int64_t cellStart = stats ? nanosNow() : 0;
            for (;;) {
                const std::int32_t v = services.random(n) + 1;
                const bool fits = !clashes(state, x, y, v);
                const std::int64_t t = services.millis();
                if (fits) {
                    state.loesung(x, y) = v;
                    break;
                }
                if (t > t0 + 1) {
                    if (stats) {
                        ++stats->deadEnds;
                        stats->deadEndNanos += nanosNow() - cellStart;
                    }
                    return false;
                }
            }
        }
    }
    return true;
}

} // namespace

bool presetsStruckOutValues(std::int32_t spielart) { return spielart >= 3 && spielart <= 8; }

bool Spiel2Generieren(GameState &state, const GeneratorServices &services, GeneratorStats *stats)
{
    // A side outside 1..9 has no board to fill; treat it as done rather than index past the grid.
    if (state.groesse < 1 || state.groesse > kMaxSide)
        return true;
    for (int pass = 1;; ++pass) {
        if (stats)
            stats->passes = pass;
        if (services.onPass && !services.onPass(pass))
            return false;
        state.AufNullSetzen(1, 1, 1);
        presetStruckOutValues(state);
        if (fillPass(state, services, stats))
            return true;
    }
}

} // namespace vantrell
