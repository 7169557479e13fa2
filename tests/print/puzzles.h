// Puzzles for the print tests, the same on every run: the shared generator is seeded and
// its clock scripted (one millisecond per 64 readings), so no restart depends on the machine.
#pragma once

#include "core/generator.h"
#include "core/puzzle.h"
#include "core/random.h"

#include <cstdint>

namespace vantrell::testing {

// A new puzzle of the game type spielart (1 = classic) with aufgedeckt given cells.
inline GameState generatedPuzzle(int spielart, int aufgedeckt, std::uint64_t seed)
{
    GameState s;
    s.spielart = spielart;
    s.groesse = spielart == 1 ? 9 : spielart;
    s.aufgedeckt = aufgedeckt;
    s.elemente = 'K';
    RandSeed(seed);
    std::int64_t readings = 0;
    GeneratorServices services;
    services.millis = [&readings] { return readings++ / 64; };
    Spiel2Generieren(s, services);
    Spiel3Vorbereiten(s);
    return s;
}

} // namespace vantrell::testing
