#include <gtest/gtest.h>

#include "app/ProgressThrottle.h"

namespace varnel::app {
namespace {

TEST(ProgressThrottle, PublishesTheFirstReportThenAtMostOnePer200Ms) {
    constexpr std::int64_t Ms = 1'000'000;
    ProgressThrottle throttle;
    EXPECT_TRUE(throttle.ShouldPublish(5'000 * Ms));
    EXPECT_FALSE(throttle.ShouldPublish(5'000 * Ms + 1));
    EXPECT_FALSE(throttle.ShouldPublish(5'199 * Ms));
    EXPECT_TRUE(throttle.ShouldPublish(5'200 * Ms));
    EXPECT_FALSE(throttle.ShouldPublish(5'300 * Ms)) << "measured from the last publish, not the last report";
    EXPECT_TRUE(throttle.ShouldPublish(5'400 * Ms));
}

TEST(ProgressThrottle, AClockReadingZeroDoesNotResetTheInterval) {
    ProgressThrottle throttle;
    EXPECT_TRUE(throttle.ShouldPublish(0));
    EXPECT_FALSE(throttle.ShouldPublish(1'000));
}

}  // namespace
}  // namespace varnel::app
