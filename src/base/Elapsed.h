#pragma once

#include <chrono>
#include <cstdint>

namespace varnel::core {

// Monotonic high-resolution clock for scan timing.
using ScanClock = std::chrono::steady_clock;

// Whole milliseconds between two instants, truncated toward zero.
std::int64_t MeasureElapsedMs(ScanClock::time_point start, ScanClock::time_point end);

}  // namespace varnel::core
