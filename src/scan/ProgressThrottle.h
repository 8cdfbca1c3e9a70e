#pragma once
// Lets at most one progress snapshot through per interval, so a scan that
// reports thousands of times a second costs the window nothing. Used by one
// reporting thread at a time (the engines serialise their reports).

#include <cstdint>

namespace varnel::app {

class ProgressThrottle {
public:
    static constexpr std::int64_t DefaultIntervalNs = 200'000'000;

    explicit ProgressThrottle(std::int64_t intervalNs = DefaultIntervalNs) : intervalNs_(intervalNs) {}

    // True when a report taken at `nowNs` (monotonic) should be published;
    // the first report always is.
    bool ShouldPublish(std::int64_t nowNs) {
        if (lastPublishNs_ != 0 && nowNs - lastPublishNs_ < intervalNs_) {
            return false;
        }
        // 0 marks "never published"; a clock that reads exactly 0 must not
        // make the next report look like the first.
        lastPublishNs_ = nowNs == 0 ? 1 : nowNs;
        return true;
    }

private:
    std::int64_t intervalNs_;
    std::int64_t lastPublishNs_ = 0;
};

}  // namespace varnel::app
