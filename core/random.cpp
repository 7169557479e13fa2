#include "core/random.h"

#include <chrono>
#include <random>

namespace vantrell {
namespace {

std::mt19937_64 &generator()
{
    static std::mt19937_64 engine{5489u};
    return engine;
}

} // namespace

int Random(int k)
{
    if (k <= 1)
        return 0;
    // Rejection sampling keeps the draw uniform and the sequence the same on every platform.
    const auto range = static_cast<std::uint64_t>(k);
    const std::uint64_t limit = std::mt19937_64::max() - std::mt19937_64::max() % range;
    std::uint64_t r;
    do {
        r = generator()();
    } while (r >= limit);
    return static_cast<int>(r % range);
}

void Randomize()
{
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    generator().seed(static_cast<std::uint64_t>(now));
}

void RandSeed(std::uint64_t seed) { generator().seed(seed); }

} // namespace vantrell
