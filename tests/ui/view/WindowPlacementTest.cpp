#include <gtest/gtest.h>

#include "ui/view/WindowPlacement.h"

namespace varnel::ui {
namespace {

TEST(WindowPlacement, RememberedFrameIsScaledAndKeptOnTheWorkArea) {
    const LayoutRect work{0, 0, 1920, 1040};
    const struct {
        const char* name;
        LayoutRect frame;
        std::uint32_t savedDpi, monitorDpi;
        LayoutRect workArea, expected;
    } cases[] = {
        {"monitor now at 150 %", {100, 50, 1000, 600}, 96, 144, work, {100, 50, 1500, 900}},
        {"monitor now at 100 %", {100, 50, 1500, 900}, 144, 96, work, {100, 50, 1000, 600}},
        {"hanging off the right", {1500, 100, 800, 600}, 96, 96, work, {1120, 100, 800, 600}},
        {"monitor gone: up-left", {-2500, -300, 800, 600}, 96, 96, work, {0, 0, 800, 600}},
        {"bigger than the screen", {0, 0, 4000, 3000}, 96, 96, work, {0, 0, 1920, 1040}},
        {"second monitor", {-1800, 20, 900, 700}, 120, 120, {-1920, 0, 1920, 1080}, {-1800, 20, 900, 700}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitRememberedFrame(c.frame, c.savedDpi, c.workArea, c.monitorDpi), c.expected) << c.name;
    }
    EXPECT_EQ(ShareToSetting(0.33), 3300u);
    EXPECT_EQ(ShareToSetting(0.0), 1u);  // 0 would read as "not remembered"
    EXPECT_DOUBLE_EQ(ShareFromSetting(0, 0.5), 0.5);
}

}  // namespace
}  // namespace varnel::ui
