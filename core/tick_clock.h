// A monotonic millisecond tick count.
#pragma once

#include <cstdint>

namespace vantrell {

std::int64_t TickCount();

} // namespace vantrell
