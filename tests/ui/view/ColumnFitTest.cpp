// Column widths fitted to a list's room: what must hold for any columns and room.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "ui/view/ColumnFit.h"

namespace varnel::ui {
namespace {

TEST(ColumnFit, ShownColumnsFillTheRoomAndNumbersGiveWayOnlyLast) {
    const std::vector<WantedColumn> tree{{260, false}, {100, true}, {110, true}, {80, true}, {80, true}, {0, false}};
    const std::vector<WantedColumn> files{{100, true}, {100, true}, {220, false}, {620, false}};
    const std::vector<WantedColumn> numbersOnly{{0, false}, {90, true}, {60, true}};
    const struct {
        const std::vector<WantedColumn>* columns;
        int room;
        bool numbersWhole;  // every number keeps the width it asked for
    } cases[] = {
        {&tree, 1200, true}, {&tree, 500, true},  {&tree, 442, true}, {&tree, 441, false}, {&tree, 159, false},
        {&tree, 0, false},   {&files, 900, true}, {&files, 344, true}, {&files, 100, false}, {&numbersOnly, 400, true},
        {&numbersOnly, 100, false},
    };
    for (const auto& c : cases) {
        const auto& wanted = *c.columns;
        const std::vector<int> widths = FitColumnWidths(wanted, c.room, 72);
        ASSERT_EQ(widths.size(), wanted.size());
        const bool hasText = std::any_of(wanted.begin(), wanted.end(), [](auto w) { return w.width > 0 && !w.number; });
        const int total = std::accumulate(widths.begin(), widths.end(), 0);
        const int numbers = std::accumulate(wanted.begin(), wanted.end(), 0, [](int sum, auto w) { return sum + (w.number ? w.width : 0); });
        EXPECT_EQ(total, hasText || numbers > c.room ? c.room : numbers) << "room " << c.room;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            EXPECT_GE(widths[i], 0);
            EXPECT_TRUE(wanted[i].width > 0 || widths[i] == 0) << "hidden stays hidden";
            EXPECT_TRUE(!wanted[i].number || (c.numbersWhole ? widths[i] == wanted[i].width : widths[i] <= wanted[i].width))
                << "room " << c.room;
            EXPECT_TRUE(wanted[i].number || wanted[i].width == 0 || c.room < 300 || widths[i] >= 72) << "room " << c.room;
        }
    }
}

}  // namespace
}  // namespace varnel::ui
