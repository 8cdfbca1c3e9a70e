// What of the result lists outlives the program: the tree's order (the
// columns' widths are kept with the columns).

#include "ui/view/ResultColumns.h"
#include "ui/lists/ResultLists_win.h"

namespace varnel::ui {

int ResultLists::TreeSortColumn() const noexcept { return sortOrders_[0].column; }

void ResultLists::ApplyTreeSort(int column, bool descending) {
    auto orders = sortOrders_;
    orders[0] = {column, descending};
    SetSortOrders(orders);  // an order out of range becomes the default
}

}  // namespace varnel::ui
