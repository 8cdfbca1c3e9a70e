#include "ui/view/ListSorting.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <tuple>

#include "ui/view/ResultChange.h"
#include "ui/view/ResultColumns.h"
#include "ui/view/ResultView.h"

namespace varnel::ui {

using core::NodeView;

namespace {

enum class SortField { Name, Path, Size, FileCount, FolderCount, Change };

SortField FieldOf(int listIndex, int column) {
    static constexpr SortField tree[] = {SortField::Name,      SortField::Size,        SortField::Size,
                                         SortField::FileCount, SortField::FolderCount, SortField::Path,
                                         SortField::Change};
    static constexpr SortField files[] = {SortField::Size, SortField::Size, SortField::Name, SortField::Path};
    static constexpr SortField folders[] = {SortField::Size, SortField::Size, SortField::FileCount,
                                            SortField::FolderCount, SortField::Path};
    switch (listIndex) {
        case 0: return tree[column];
        case 1: return files[column];
        default: return folders[column];
    }
}

int CompareNumbers(std::uint64_t a, std::uint64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Ascending comparison of one column's values. A file shows no file or
// folder count, so it sorts below every folder by those columns. Paths are
// derived, so the caller makes them once per row and hands them in.
int CompareField(NodeView a, NodeView b, std::wstring_view pathA, std::wstring_view pathB, SortField field,
                 NameCompare compare, core::SizeMeasure measure, const ResultChange* change = nullptr) {
    switch (field) {
        case SortField::Name: return compare(DisplayName(a), DisplayName(b));
        case SortField::Path: return compare(pathA, pathB);
        case SortField::Size: return CompareNumbers(core::DisplaySize(a, measure), core::DisplaySize(b, measure));
        case SortField::FileCount:
            if (a.IsDirectory() != b.IsDirectory()) return a.IsDirectory() ? 1 : -1;
            return CompareNumbers(a.FileCount(), b.FileCount());
        case SortField::FolderCount:
            if (a.IsDirectory() != b.IsDirectory()) return a.IsDirectory() ? 1 : -1;
            return CompareNumbers(a.FolderCount(), b.FolderCount());
        case SortField::Change: {
            // Rows without a change (files, no comparison) below every other.
            const auto changeA = change != nullptr ? change->ChangeOf(a, measure) : std::nullopt;
            const auto changeB = change != nullptr ? change->ChangeOf(b, measure) : std::nullopt;
            if (changeA.has_value() != changeB.has_value()) return changeA ? 1 : -1;
            return !changeA || *changeA == *changeB ? 0 : (*changeA < *changeB ? -1 : 1);
        }
    }
    return 0;
}

// Every row's path when the order needs them, none otherwise.
template <class Index>
std::vector<std::wstring> PathsFor(const core::ScanTree& nodes, const std::vector<Index>& rows, SortField field) {
    std::vector<std::wstring> paths;
    if (field == SortField::Path) {
        paths.reserve(rows.size());
        for (const Index row : rows) {
            paths.push_back(nodes[row].Path());
        }
    }
    return paths;
}

std::wstring_view PathAt(const std::vector<std::wstring>& paths, std::size_t at) {
    return at < paths.size() ? std::wstring_view(paths[at]) : std::wstring_view();
}

int Directed(int comparison, bool descending) { return descending ? -comparison : comparison; }

}  // namespace

int OrdinalCompare(std::wstring_view a, std::wstring_view b) {
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (mismatch.first == a.end()) return mismatch.second == b.end() ? 0 : -1;
    if (mismatch.second == b.end()) return 1;
    return static_cast<std::uint32_t>(*mismatch.first) < static_cast<std::uint32_t>(*mismatch.second) ? -1 : 1;
}

SortOrder DefaultSortOrder(int listIndex) {
    return {listIndex == 0 ? ShareColumnOfTree : ShareColumnOfRankings, true};
}

SortOrder ClickedSortOrder(int listIndex, SortOrder current, int column) {
    if (column == current.column) {
        return {column, !current.descending};
    }
    const auto columns = ColumnsOf(listIndex);
    const bool number = column >= 0 && static_cast<std::size_t>(column) < columns.size() && columns[static_cast<std::size_t>(column)].number;
    return ValidSortOrder(listIndex, {column, number});
}

SortOrder ValidSortOrder(int listIndex, SortOrder order) {
    if (listIndex < 0 || listIndex > 2 || order.column < 0 ||
        static_cast<std::size_t>(order.column) >= ColumnsOf(listIndex).size()) {
        return DefaultSortOrder(listIndex < 0 || listIndex > 2 ? 0 : listIndex);
    }
    return order;
}

void SortSiblings(const core::ScanTree& nodes, std::vector<std::uint32_t>& children, SortOrder order,
                  NameCompare compare, core::SizeMeasure measure, const ResultChange* change) {
    const SortField field = FieldOf(0, order.column);
    if (field == SortField::Size) {
        std::sort(children.begin(), children.end(), [&](std::uint32_t a, std::uint32_t b) {
            return TreeOrderBefore(nodes[a], nodes[b], order.descending, measure);
        });
        return;
    }
    const std::vector<std::wstring> paths = PathsFor(nodes, children, field);
    std::vector<std::size_t> positions(children.size());
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    std::sort(positions.begin(), positions.end(), [&](std::size_t x, std::size_t y) {
        const NodeView a = nodes[children[x]];
        const NodeView b = nodes[children[y]];
        if (const int c = Directed(CompareField(a, b, PathAt(paths, x), PathAt(paths, y), field, compare, measure, change),
                                   order.descending);
            c != 0) {
            return c < 0;
        }
        return TreeOrderBefore(a, b, true, measure);
    });
    std::vector<std::uint32_t> sorted;
    sorted.reserve(children.size());
    for (const std::size_t at : positions) {
        sorted.push_back(children[at]);
    }
    children = std::move(sorted);
}

void SortRankingRows(const core::ScanResult& result, int listIndex, SortOrder order, NameCompare compare,
                     core::SizeMeasure measure, std::vector<std::uint64_t>& nodes, std::vector<double>& shares) {
    order = ValidSortOrder(listIndex, order);
    if (nodes.size() != shares.size()) {
        return;
    }
    const SortField field = FieldOf(listIndex, order.column);
    const std::vector<std::wstring> paths = PathsFor(result.nodes, nodes, field);
    std::vector<std::size_t> positions(nodes.size());
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    std::stable_sort(positions.begin(), positions.end(), [&](std::size_t x, std::size_t y) {
        return Directed(CompareField(result.nodes[nodes[x]], result.nodes[nodes[y]], PathAt(paths, x),
                                     PathAt(paths, y), field, compare, measure),
                        order.descending) < 0;
    });
    std::vector<std::uint64_t> sortedNodes;
    std::vector<double> sortedShares;
    for (const std::size_t at : positions) {
        sortedNodes.push_back(nodes[at]);
        sortedShares.push_back(shares[at]);
    }
    nodes = std::move(sortedNodes);
    shares = std::move(sortedShares);
}

}  // namespace varnel::ui
