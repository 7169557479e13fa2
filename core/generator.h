// Random filling with restarts: makes a new solved grid in loesung.
#pragma once

#include "core/game_state.h"
#include "core/random.h"
#include "core/tick_clock.h"

#include <cstdint>
#include <functional>

namespace vantrell {

struct GeneratorServices {
    std::function<int(int)> random = Random;            // uniform 0..k-1
    std::function<std::int64_t()> millis = TickCount;   // monotonic milliseconds
    // Called once at the start of every pass with the pass number (1, 2, ...), before the
    // pass touches the state. Returning false stops the generation at once.
    std::function<bool(int pass)> onPass;
};

// Filled in when a caller wants to know where the time went (benchmarks).
struct GeneratorStats {
    int passes = 0;
    int deadEnds = 0;
    std::int64_t deadEndNanos = 0; // time spent in cells that gave up, from their start
};

// Returns true when loesung is complete; false when onPass asked to stop.
// The parameters spielart and groesse must have been set.
bool Spiel2Generieren(GameState &state, const GeneratorServices &services = {}, GeneratorStats *stats = nullptr);

// Values above n are struck out in every board cell on free boards smaller than 9x9.
bool presetsStruckOutValues(std::int32_t spielart);

} // namespace vantrell
