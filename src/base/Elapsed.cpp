#include "base/Elapsed.h"

namespace varnel::core {

std::int64_t MeasureElapsedMs(ScanClock::time_point start, ScanClock::time_point end) {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
    return static_cast<std::int64_t>(nanoseconds / 1'000'000);
}

}  // namespace varnel::core
