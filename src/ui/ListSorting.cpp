#include "ui/ListSorting.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "ui/ResultColumns.h"
#include "ui/ResultView.h"

namespace varnel::ui {

using core::ScanNode;

namespace {

enum class SortField { Name, Path, Size, FileCount, FolderCount };

SortField FieldOf(int listIndex, int column) {
    static constexpr SortField tree[] = {SortField::Name,      SortField::Size,        SortField::Size,
                                         SortField::FileCount, SortField::FolderCount, SortField::Path};
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
// folder count, so it sorts below every folder by those columns.
int CompareField(const ScanNode& a, const ScanNode& b, SortField field, NameCompare compare) {
    switch (field) {
        case SortField::Name: return compare(DisplayName(a), DisplayName(b));
        case SortField::Path: return compare(a.path, b.path);
        case SortField::Size: return CompareNumbers(DisplaySize(a), DisplaySize(b));
        case SortField::FileCount:
            if (a.isDirectory != b.isDirectory) return a.isDirectory ? 1 : -1;
            return CompareNumbers(a.fileCount, b.fileCount);
        case SortField::FolderCount:
            if (a.isDirectory != b.isDirectory) return a.isDirectory ? 1 : -1;
            return CompareNumbers(a.folderCount, b.folderCount);
    }
    return 0;
}

int Directed(int comparison, bool descending) { return descending ? -comparison : comparison; }

}  // namespace

int OrdinalCompare(const std::wstring& a, const std::wstring& b) {
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

bool TreeSiblingBefore(const ScanNode& a, const ScanNode& b, SortOrder order, NameCompare compare) {
    const SortField field = FieldOf(0, order.column);
    if (field != SortField::Size) {
        if (const int c = Directed(CompareField(a, b, field, compare), order.descending); c != 0) {
            return c < 0;
        }
        return TreeOrderBefore(a, b, true);
    }
    return TreeOrderBefore(a, b, order.descending);
}

void SortRankingRows(const core::ScanResult& result, int listIndex, SortOrder order, NameCompare compare,
                     std::vector<std::uint64_t>& nodes, std::vector<double>& shares) {
    order = ValidSortOrder(listIndex, order);
    if (nodes.size() != shares.size()) {
        return;
    }
    const SortField field = FieldOf(listIndex, order.column);
    std::vector<std::size_t> positions(nodes.size());
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    std::stable_sort(positions.begin(), positions.end(), [&](std::size_t x, std::size_t y) {
        return Directed(CompareField(result.nodes[nodes[x]], result.nodes[nodes[y]], field, compare),
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
