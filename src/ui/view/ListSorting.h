#pragma once
// The order of the three result lists by any of their columns: the tree's
// siblings under each folder and the rows of both rankings. Portable; the
// natural name order of the shell comes in as a comparison function, so the
// rules are the same with any name order.

#include <cstdint>
#include <string_view>
#include <vector>

#include "model/ScanModel.h"
#include "model/SizeMeasure.h"

namespace varnel::ui {

class ResultChange;

// A list's order: one of its columns (as in ResultColumns.h) and a direction.
struct SortOrder {
    int column = 0;
    bool descending = true;
    friend bool operator==(const SortOrder&, const SortOrder&) = default;
};

// Negative, zero or positive as `a` sorts before, with or after `b`. Views,
// so that names are compared where the tree keeps them, never copied.
using NameCompare = int (*)(std::wstring_view a, std::wstring_view b);
int OrdinalCompare(std::wstring_view a, std::wstring_view b);

// The order each list starts with: the tree by share, largest first; the
// rankings by share too, which is the order they are ranked in.
SortOrder DefaultSortOrder(int listIndex);
// The order after a click on `column`: the same column flips its direction;
// another column starts with numbers largest first and texts from A.
SortOrder ClickedSortOrder(int listIndex, SortOrder current, int column);
// Clamps a stored order to the columns `listIndex` has; the default for
// anything out of range.
SortOrder ValidSortOrder(int listIndex, SortOrder order);

// Puts a folder's children in the tree's (list 0) sibling order. By share
// or size this is exactly TreeOrderBefore; by another column, ties fall back
// to it (largest first). By the path column each path is made once. Sizes
// are compared in `measure`; changes, when the order asks for them, in `change`.
void SortSiblings(const core::ScanTree& nodes, std::vector<std::uint32_t>& children, SortOrder order,
                  NameCompare compare, core::SizeMeasure measure, const ResultChange* change = nullptr);

// Reorders a ranking's rows (list 1 files, list 2 folders) and their shares
// together. Rows that tie keep their present order, so the default order
// (by share, largest first) leaves a freshly ranked list as it was.
void SortRankingRows(const core::ScanResult& result, int listIndex, SortOrder order, NameCompare compare,
                     core::SizeMeasure measure, std::vector<std::uint64_t>& nodes, std::vector<double>& shares);

}  // namespace varnel::ui
