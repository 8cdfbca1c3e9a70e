#pragma once
// What the three result lists show, kept apart from the list controls: the
// rows of the expandable tree, its order, shares, and the rankings of the
// largest files and folders below a folder. Portable, so it is tested and
// measured natively on results of millions of nodes.

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/ScanModel.h"
#include "ui/view/ListSorting.h"
#include "model/SizeMeasure.h"
#include "ui/view/SubtreeIndex.h"

namespace varnel::ui {

inline constexpr std::size_t RankingLimit = 30;

// The name the lists show: a root without a name (a drive) shows its path.
std::wstring_view DisplayName(core::NodeView node) noexcept;

// Percent of `reference` (the root for NoIndex) that `node` takes in
// `measure`; 0 for indices out of range and for a reference of size 0.
double ShareOf(const core::ScanResult& result, std::uint64_t node, std::uint64_t reference, core::SizeMeasure measure);

// Sibling order of the tree: by size in `measure` (descending or
// ascending), folders before files of equal size, then by display name in
// ordinal order.
bool TreeOrderBefore(core::NodeView a, core::NodeView b, bool descending, core::SizeMeasure measure);

// Eight bytes: a tree expanded all the way has a row per node.
struct TreeRow {
    std::uint32_t node;
    std::int32_t depth;
};

// The largest files in `measure` below `folder` (the root for NoIndex),
// largest first, at most RankingLimit.
std::vector<std::uint64_t> CollectLargestFiles(const core::ScanResult& result, const SubtreeIndex& index,
                                               std::uint64_t folder, core::SizeMeasure measure);
// The largest folders below `folder`, the folder itself excluded, at most `limit`.
std::vector<std::uint64_t> CollectLargestFolders(const core::ScanResult& result, const SubtreeIndex& index,
                                                 std::uint64_t folder, std::size_t limit, core::SizeMeasure measure);

struct RankingRows {
    std::vector<std::uint64_t> nodes;
    std::vector<double> shares;  // percent of the ranked folder, one per row
};

struct Rankings {
    RankingRows files;
    RankingRows folders;
};
// Both rankings, ranked and shared out in `measure`.
Rankings ComputeRankings(const core::ScanResult& result, const SubtreeIndex& index, std::uint64_t folder,
                         core::SizeMeasure measure);
// The root's rankings, the same as ComputeRankings gives, without an index:
// a parent always comes before its children, so with one root every node is
// below it, and the nodes are read in the order they are stored. None when
// the result holds another root (whose nodes are not below the root).
std::optional<Rankings> ComputeRootRankings(const core::ScanResult& result, core::SizeMeasure measure);

// The tree list's rows: the root, and below every expanded folder its
// children in tree order, depth first.
class ResultTree {
public:
    // Starts over for a new result: only the root is expanded.
    void Reset(const core::ScanResult* result);

    void Rebuild();
    // Expands or collapses the folder on `row` when it has children; returns
    // whether anything changed (rows are rebuilt then).
    bool ToggleExpand(std::size_t row);
    // Expands or collapses one folder; false when it has no children or
    // already was so.
    bool SetExpanded(std::size_t row, bool expanded);
    // Expands the folder on `row` and every folder below it.
    bool ExpandSubtree(std::size_t row);
    // The row of the folder that holds the one on `row`; none for the root.
    std::optional<std::size_t> ParentRow(std::size_t row) const;
    void SetSortDescending(bool descending);
    bool SortDescending() const noexcept { return order_.descending; }
    // Orders every level by `order`; names compare with `compare`.
    void SetSortOrder(SortOrder order, NameCompare compare);
    SortOrder Order() const noexcept { return order_; }
    // The size siblings are ordered by; the rows are built again.
    void SetSizeMeasure(core::SizeMeasure measure);
    bool IsExpanded(std::uint64_t node) const { return expanded_.contains(node); }
    // What the order by change reads; null for none. The rows are built again.
    void SetChange(const ResultChange* change);

    const std::vector<TreeRow>& Rows() const noexcept { return rows_; }
    std::optional<std::size_t> FindRow(std::uint64_t node) const;

    // Expands every folder above `node` so that it gets a row; false when
    // the node is out of range.
    bool ExpandTo(std::uint64_t node);
    // Follows a renumbering of the result's nodes (NoIndex for the nodes that
    // went): the expanded folders stay expanded, the rows are built again.
    void Renumber(const std::vector<std::uint64_t>& newIndexOf);

private:
    const core::ScanResult* result_ = nullptr;
    std::unordered_set<std::uint64_t> expanded_;
    std::vector<TreeRow> rows_;
    SortOrder order_ = DefaultSortOrder(0);
    NameCompare compare_ = OrdinalCompare;
    core::SizeMeasure measure_ = core::SizeMeasure::Logical;
    const ResultChange* change_ = nullptr;
};

// True when the node is a folder with at least one child: it can expand.
bool HasExpander(const core::ScanResult& result, std::uint64_t node);

}  // namespace varnel::ui
