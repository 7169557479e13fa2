// The one random generator the whole game shares.
#pragma once

#include <cstdint>

namespace vantrell {

// Uniform integer 0..k-1; 0 when k <= 1.
int Random(int k);
// Seeds the shared generator from the clock.
void Randomize();
// Seeds the shared generator with a fixed value (tests, benchmarks).
void RandSeed(std::uint64_t seed);

} // namespace vantrell
