// What of the result lists outlives the program: column widths and the
// tree's order.

#include <cmath>

#include "ui/view/ResultColumns.h"
#include "ui/lists/ResultLists_win.h"

namespace varnel::ui {

std::vector<int> ResultLists::ColumnWidthsAt96() const {
    std::vector<int> widths;
    const auto lists = Handles();
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const auto columns = ColumnsOf(static_cast<int>(l));
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const int width = lists[l] ? ListView_GetColumnWidth(lists[l], static_cast<int>(i)) : Scale(columns[i].width);
            widths.push_back(static_cast<int>(std::lround(width * 96.0 / (dpi_ == 0 ? 96 : dpi_))));
        }
    }
    return widths;
}

void ResultLists::ApplyColumnWidthsAt96(const std::vector<int>& remembered) {
    std::size_t expected = 0;
    for (int l = 0; l < 3; ++l) {
        expected += ColumnsOf(l).size();
    }
    std::vector<int> widths = remembered;
    if (widths.size() + 1 == expected) {
        // Remembered before the tree had its change column: the user's other widths still hold.
        widths.insert(widths.begin() + ChangeColumnOfTree, TreeColumns[ChangeColumnOfTree].width);
    }
    if (widths.size() != expected) {
        return;
    }
    const auto lists = Handles();
    std::size_t next = 0;
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const auto columns = ColumnsOf(static_cast<int>(l));
        for (std::size_t i = 0; i < columns.size(); ++i, ++next) {
            ListView_SetColumnWidth(lists[l], static_cast<int>(i), Scale(widths[next]));
        }
    }
    HideUnusedColumns();
}

int ResultLists::TreeSortColumn() const noexcept { return sortOrders_[0].column; }

void ResultLists::ApplyTreeSort(int column, bool descending) {
    auto orders = sortOrders_;
    orders[0] = {column, descending};
    SetSortOrders(orders);  // an order out of range becomes the default
}

}  // namespace varnel::ui
