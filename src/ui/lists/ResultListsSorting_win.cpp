// Sorting the three result lists by a header click: the tree keeps its
// expanded folders and selection, a ranking keeps its selected row.

#include "ui/lists/ResultLists_win.h"

#include <commctrl.h>

#include "ui/lists/NaturalCompare_win.h"
#include "ui/view/ResultColumns.h"

namespace varnel::ui {

void ResultLists::SortBy(int listIndex, int column) {
    if (listIndex < 0 || listIndex > 2) {
        return;
    }
    auto orders = sortOrders_;
    orders[static_cast<std::size_t>(listIndex)] =
        ClickedSortOrder(listIndex, orders[static_cast<std::size_t>(listIndex)], column);
    SetSortOrders(orders);
}

void ResultLists::SetSortOrders(const std::array<SortOrder, 3>& orders) {
    const auto previous = sortOrders_;
    for (std::size_t l = 0; l < orders.size(); ++l) {
        sortOrders_[l] = ValidSortOrder(static_cast<int>(l), orders[l]);
    }
    RenameColumns();
    if (sortOrders_[0] != previous[0]) {
        rows_.SetSortOrder(sortOrders_[0], NaturalCompare);
        RebuildTreeList();
        if (selectedNode_ != core::NoIndex) {
            SelectTreeNode(selectedNode_);
        }
    }
    for (int l = 1; l <= 2; ++l) {
        if (sortOrders_[static_cast<std::size_t>(l)] != previous[static_cast<std::size_t>(l)]) {
            ResortRanking(l);
        }
    }
}

void ResultLists::ResortRanking(int listIndex) {
    const HWND list = listIndex == 1 ? files_ : folders_;
    RankingRows& rows = listIndex == 1 ? rankings_.files : rankings_.folders;
    if (rows.nodes.empty()) {
        return;
    }
    const std::uint64_t selected = RankingNodeAt(list, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    SortRankingRows(result_, listIndex, sortOrders_[static_cast<std::size_t>(listIndex)], NaturalCompare, measure_,
                    rows.nodes, rows.shares);
    FillRankingList(list, rows);
    for (std::size_t row = 0; row < rows.nodes.size(); ++row) {
        if (rows.nodes[row] == selected) {
            const int at = static_cast<int>(row);
            ListView_SetItemState(list, at, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list, at, FALSE);
        }
    }
}

void ResultLists::ShowSortArrows() {
    const auto lists = Handles();
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const HWND header = headers_[l];
        const SortOrder order = sortOrders_[l];
        const int count = header != nullptr ? Header_GetItemCount(header) : 0;
        for (int i = 0; i < count; ++i) {
            HDITEMW item{};
            item.mask = HDI_FORMAT;
            Header_GetItem(header, i, &item);
            const int shown = item.fmt;
            item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if (i == order.column && !(l == 0 && i == ShareColumnOfTree)) {
                item.fmt |= order.descending ? HDF_SORTDOWN : HDF_SORTUP;
            }
            // Each change is announced to the list twice: only real ones are made.
            if (item.fmt != shown) Header_SetItem(header, i, &item);
        }
    }
}

}  // namespace varnel::ui
