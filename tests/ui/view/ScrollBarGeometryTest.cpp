#include <gtest/gtest.h>

#include "ui/view/ScrollBarGeometry.h"

namespace varnel::ui {
namespace {

// Each bar at its first, middle and last position: the thumb stays inside
// the track, touches its ends at the range's ends, and the position read
// back from where it is drawn is the one drawn, to within what one pixel of
// travel stands for (a drag never jumps past a row it could reach).
TEST(ScrollBarGeometry, ThumbAndPositionAgreeAlongTheTrack) {
    const struct {
        const char* what;
        int length, thickness;
        ScrollRange range;
        bool thumb;
    } cases[] = {
        {"100,000 rows", 400, 17, {0, 99'999, 20, 0}, true},
        {"pixels across", 300, 17, {0, 999, 283, 0}, true},
        {"a range below zero", 200, 25, {-50, 49, 10, 0}, true},
        {"no page given", 200, 17, {0, 9, 0, 0}, true},
        {"everything in view", 400, 17, {0, 9, 20, 0}, false},
        {"no room between the arrows", 30, 17, {0, 99, 10, 0}, false},
        {"the track just as long as the thumb", 51, 17, {0, 99, 10, 0}, false},
    };
    for (const auto& c : cases) {
        const std::int64_t last = c.range.maximum - std::max<std::int64_t>(c.range.page, 1) + 1;
        for (const std::int64_t position : {c.range.minimum, (c.range.minimum + last) / 2, last}) {
            ScrollRange range = c.range;
            range.position = position;
            const ScrollBarGeometry bar = ScrollBarGeometry::Compute(c.length, c.thickness, range);
            SCOPED_TRACE(::testing::Message() << c.what << " at " << position);
            EXPECT_LE(2 * bar.arrow, c.length);
            EXPECT_EQ(bar.PartAt(0), ScrollBarPart::LineBack);
            EXPECT_EQ(bar.PartAt(c.length - 1), ScrollBarPart::LineForward);
            ASSERT_EQ(bar.thumbLength > 0, c.thumb);
            if (!c.thumb) {
                EXPECT_EQ(bar.PositionForThumb(c.length / 2, range), position) << "nothing to drag";
                continue;
            }
            EXPECT_GE(bar.thumbLength, std::min(c.thickness, c.length - 2 * bar.arrow)) << "big enough to grab";
            EXPECT_GE(bar.thumbStart, bar.arrow);
            EXPECT_LE(bar.thumbStart + bar.thumbLength, c.length - bar.arrow);
            EXPECT_EQ(bar.thumbStart == bar.arrow, position == c.range.minimum);
            EXPECT_EQ(bar.thumbStart + bar.thumbLength == c.length - bar.arrow, position == last);
            EXPECT_EQ(bar.PartAt(bar.thumbStart), ScrollBarPart::Thumb);
            const std::int64_t travel = c.length - 2 * bar.arrow - bar.thumbLength;
            const std::int64_t perPixel = (last - c.range.minimum + travel - 1) / travel;
            EXPECT_NEAR(static_cast<double>(bar.PositionForThumb(bar.thumbStart, range)), static_cast<double>(position),
                        static_cast<double>(perPixel));
            EXPECT_EQ(bar.PositionForThumb(-1000, range), c.range.minimum) << "dragged past the start";
            EXPECT_EQ(bar.PositionForThumb(c.length + 1000, range), last) << "dragged past the end";
        }
    }
}

}  // namespace
}  // namespace varnel::ui
