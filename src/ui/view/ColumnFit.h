#pragma once
// How wide each column of a list is for the room the list has: numbers keep
// the width they were given, text columns share what is left, and when even
// the smallest text columns leave too little, the numbers give up room too,
// so that no shown column reaches past the list's edge. A number that no
// longer fits is then drawn cut with an ellipsis and shown whole in a
// tooltip, never clipped by the edge where nothing says it is cut.

#include <span>
#include <vector>

namespace varnel::ui {

struct WantedColumn {
    int width = 0;  // 0: the column is hidden
    bool number = false;
};

// Pixel widths, one per column; hidden columns stay 0. `textMinimum` is the
// least a shown text column keeps while any room is left.
std::vector<int> FitColumnWidths(std::span<const WantedColumn> wanted, int room, int textMinimum);

}  // namespace varnel::ui
