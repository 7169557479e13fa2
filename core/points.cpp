#include "core/points.h"

#include <algorithm>
#include <limits>

namespace vantrell {

std::int32_t startingPoints(std::int32_t n, std::int32_t aufgedeckt, std::int32_t spielart, char elemente)
{
    const std::int64_t m = n;
    std::int64_t points = m * (m - 1) * (m - 2) * (100 - static_cast<std::int64_t>(aufgedeckt));
    if (spielart == 1)
        points -= 3000;
    if (elemente == 'S')
        points += 100 * (m - 2) * (m - 2);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(points, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t pointsAfterTick(std::int32_t punkte)
{
    return punkte == std::numeric_limits<std::int32_t>::min() ? punkte : punkte - 1;
}

} // namespace vantrell
