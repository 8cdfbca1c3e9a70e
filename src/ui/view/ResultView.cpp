#include "ui/view/ResultView.h"

#include <algorithm>

#include "model/LargestNodes.h"

namespace varnel::ui {

using core::NodeView;
using core::NoIndex;
using core::ScanResult;

std::wstring_view DisplayName(NodeView node) noexcept {
    const std::wstring_view name = node.Name();
    return name.empty() ? node.OwnPath() : name;
}

double ShareOf(const ScanResult& result, std::uint64_t node, std::uint64_t reference, core::SizeMeasure measure) {
    const auto count = result.nodes.size();
    if (node >= count) {
        return 0.0;
    }
    const std::uint64_t base = reference == NoIndex ? result.rootIndex : reference;
    if (base >= count) {
        return 0.0;
    }
    const std::uint64_t total = core::DisplaySize(result.nodes[base], measure);
    if (total == 0) {
        return 0.0;
    }
    return static_cast<double>(core::DisplaySize(result.nodes[node], measure)) * 100.0 / static_cast<double>(total);
}

bool TreeOrderBefore(NodeView a, NodeView b, bool descending, core::SizeMeasure measure) {
    const std::uint64_t sizeA = core::DisplaySize(a, measure);
    const std::uint64_t sizeB = core::DisplaySize(b, measure);
    if (sizeA != sizeB) {
        return descending ? sizeA > sizeB : sizeA < sizeB;
    }
    if (a.IsDirectory() != b.IsDirectory()) {
        return a.IsDirectory();
    }
    // Ordinal by UTF-16 code unit, shorter first on a common prefix.
    const std::wstring_view nameA = DisplayName(a);
    const std::wstring_view nameB = DisplayName(b);
    return std::lexicographical_compare(nameA.begin(), nameA.end(), nameB.begin(), nameB.end(),
                                        [](wchar_t x, wchar_t y) {
                                            return static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(y);
                                        });
}

namespace {

std::span<const std::uint32_t> Below(const ScanResult& result, const SubtreeIndex& index, std::uint64_t folder) {
    return index.Subtree(folder == NoIndex ? result.rootIndex : folder);
}

// The largest of `below` that `accept` takes. When `below` is every node of
// the result (the root's rankings), they are read in the order they are
// stored instead of depth first: the same nodes, so the same ranking (its
// order does not depend on the candidates' order), at a fraction of the
// memory traffic of hopping through hundreds of megabytes of nodes.
template <class Accept>
std::vector<std::uint64_t> Largest(const ScanResult& result, std::span<const std::uint32_t> below, std::size_t limit,
                                   core::SizeMeasure measure, Accept accept) {
    if (below.size() == result.nodes.size()) {
        return core::LargestNodes(result.nodes, core::IndicesBelow{result.nodes.size()}, limit, measure, accept);
    }
    return core::LargestNodes(result.nodes, below, limit, measure, accept);
}

}  // namespace

std::vector<std::uint64_t> CollectLargestFiles(const ScanResult& result, const SubtreeIndex& index,
                                               std::uint64_t folder, core::SizeMeasure measure) {
    return Largest(result, Below(result, index, folder), RankingLimit, measure,
                   [](NodeView n) { return !n.IsDirectory(); });
}

std::vector<std::uint64_t> CollectLargestFolders(const ScanResult& result, const SubtreeIndex& index,
                                                 std::uint64_t folder, std::size_t limit, core::SizeMeasure measure) {
    const std::span<const std::uint32_t> below = Below(result, index, folder);
    if (below.empty()) {
        return {};
    }
    const std::uint64_t self = below.front();  // the folder itself is not ranked
    return Largest(result, below, limit, measure,
                   [self](NodeView n) { return n.IsDirectory() && n.Index() != self; });
}

namespace {

// Below the merged root of several drives, the drive roots themselves are
// the largest folders by construction and would crowd out the rest: that
// many more are ranked, to be left out again.
bool IsMergedRoot(const ScanResult& result, std::uint64_t reference) {
    return reference == result.rootIndex && result.rootPath == core::MergedRootName && reference < result.nodes.size();
}
std::size_t FolderRankingLimit(const ScanResult& result, std::uint64_t reference) {
    return RankingLimit + (IsMergedRoot(result, reference) ? result.nodes[reference].Children().size() : 0);
}

// Both rankings of `reference` from its largest files and folders (at most
// FolderRankingLimit of them), shared out.
Rankings RankingsOf(const ScanResult& result, std::uint64_t reference, const std::vector<std::uint64_t>& files,
                    const std::vector<std::uint64_t>& folders, core::SizeMeasure measure) {
    Rankings rankings;
    const std::uint64_t total = reference < result.nodes.size() ? core::DisplaySize(result.nodes[reference], measure) : 0;
    const auto share = [total](std::uint64_t size) {
        return total == 0 ? 0.0 : static_cast<double>(size) * 100.0 / static_cast<double>(total);
    };
    for (const std::uint64_t file : files) {
        rankings.files.nodes.push_back(file);
        rankings.files.shares.push_back(share(core::DisplaySize(result.nodes[file], measure)));
    }
    const bool mergedRoot = IsMergedRoot(result, reference);
    for (const std::uint64_t folderNode : folders) {
        if (rankings.folders.nodes.size() == RankingLimit) {
            break;
        }
        if (mergedRoot && result.nodes[folderNode].Parent() == reference) {
            continue;
        }
        rankings.folders.nodes.push_back(folderNode);
        rankings.folders.shares.push_back(share(core::DisplaySize(result.nodes[folderNode], measure)));
    }
    return rankings;
}

}  // namespace

Rankings ComputeRankings(const ScanResult& result, const SubtreeIndex& index, std::uint64_t folder,
                         core::SizeMeasure measure) {
    if (result.nodes.empty()) {
        return {};
    }
    const std::uint64_t reference = folder == NoIndex ? result.rootIndex : folder;
    return RankingsOf(result, reference, CollectLargestFiles(result, index, folder, measure),
                      CollectLargestFolders(result, index, folder, FolderRankingLimit(result, reference), measure),
                      measure);
}

std::optional<Rankings> ComputeRootRankings(const ScanResult& result, core::SizeMeasure measure) {
    const std::uint64_t count = result.nodes.size();
    const std::uint64_t root = result.rootIndex;
    if (root >= count) {
        return Rankings{};
    }
    // One pass for both rankings: the nodes are read once.
    core::LargestKeeper files(result.nodes, RankingLimit, measure);
    core::LargestKeeper folders(result.nodes, FolderRankingLimit(result, root), measure);
    for (std::uint64_t n = 0; n < count; ++n) {
        const NodeView node = result.nodes[n];
        if (!node.IsDirectory()) {
            files.Offer(n);
        } else if (n != root) {
            if (node.Parent() == NoIndex) {
                return std::nullopt;
            }
            folders.Offer(n);
        }
    }
    return RankingsOf(result, root, files.Take(), folders.Take(), measure);
}

bool HasExpander(const ScanResult& result, std::uint64_t node) {
    return node < result.nodes.size() && !result.nodes[node].Children().empty();
}

void ResultTree::Reset(const ScanResult* result) {
    result_ = result;
    expanded_.clear();
    rows_.clear();
    if (result_ != nullptr && result_->rootIndex < result_->nodes.size()) {
        expanded_.insert(result_->rootIndex);
    }
    Rebuild();
}

void ResultTree::Rebuild() {
    rows_.clear();
    if (result_ == nullptr || result_->rootIndex >= result_->nodes.size()) {
        return;
    }
    const auto& nodes = result_->nodes;
    // Depth first without recursion: children are pushed in reverse order so
    // that the first in tree order comes off the stack first.
    std::vector<TreeRow> stack{{static_cast<std::uint32_t>(result_->rootIndex), 0}};
    std::vector<std::uint32_t> children;
    while (!stack.empty()) {
        const TreeRow row = stack.back();
        stack.pop_back();
        rows_.push_back(row);
        if (!expanded_.contains(row.node)) {
            continue;
        }
        const std::span<const std::uint32_t> below = nodes[row.node].Children();
        children.assign(below.begin(), below.end());
        SortSiblings(nodes, children, order_, compare_, measure_, change_);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            stack.push_back({*it, row.depth + 1});
        }
    }
}

bool ResultTree::ToggleExpand(std::size_t row) {
    if (result_ == nullptr || row >= rows_.size() || !HasExpander(*result_, rows_[row].node)) {
        return false;
    }
    const std::uint64_t node = rows_[row].node;
    if (!expanded_.erase(node)) {
        expanded_.insert(node);
    }
    Rebuild();
    return true;
}

bool ResultTree::SetExpanded(std::size_t row, bool expanded) {
    if (row >= rows_.size() || IsExpanded(rows_[row].node) == expanded) {
        return false;
    }
    return ToggleExpand(row);
}

bool ResultTree::ExpandSubtree(std::size_t row) {
    if (result_ == nullptr || row >= rows_.size() || !HasExpander(*result_, rows_[row].node)) {
        return false;
    }
    std::vector<std::uint64_t> pending{rows_[row].node};
    while (!pending.empty()) {
        const std::uint64_t node = pending.back();
        pending.pop_back();
        expanded_.insert(node);
        for (const std::uint32_t child : result_->nodes[node].Children()) {
            if (HasExpander(*result_, child)) {
                pending.push_back(child);
            }
        }
    }
    Rebuild();
    return true;
}

std::optional<std::size_t> ResultTree::ParentRow(std::size_t row) const {
    if (row >= rows_.size()) {
        return std::nullopt;
    }
    const std::int32_t depth = rows_[row].depth;
    for (std::size_t i = row; i-- > 0;) {
        if (rows_[i].depth < depth) {
            return i;
        }
    }
    return std::nullopt;
}

void ResultTree::SetSortDescending(bool descending) {
    order_.descending = descending;
    Rebuild();
}

void ResultTree::SetSortOrder(SortOrder order, NameCompare compare) {
    order_ = ValidSortOrder(0, order);
    compare_ = compare != nullptr ? compare : OrdinalCompare;
    Rebuild();
}

void ResultTree::SetChange(const ResultChange* change) {
    change_ = change;
    Rebuild();
}

void ResultTree::SetSizeMeasure(core::SizeMeasure measure) {
    measure_ = measure;
    Rebuild();
}

std::optional<std::size_t> ResultTree::FindRow(std::uint64_t node) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].node == node) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace varnel::ui

namespace varnel::ui {

bool ResultTree::ExpandTo(std::uint64_t node) {
    if (result_ == nullptr || node >= result_->nodes.size()) {
        return false;
    }
    // Parents come before their children: a walk that does not go down ends.
    for (std::uint64_t up = result_->nodes[node].Parent(); up < node; up = result_->nodes[up].Parent()) {
        expanded_.insert(up);
        node = up;
    }
    Rebuild();
    return true;
}

void ResultTree::Renumber(const std::vector<std::uint64_t>& newIndexOf) {
    std::unordered_set<std::uint64_t> kept;
    for (const std::uint64_t node : expanded_) {
        if (node < newIndexOf.size() && newIndexOf[node] != core::NoIndex) {
            kept.insert(newIndexOf[node]);
        }
    }
    expanded_ = std::move(kept);
    Rebuild();
}

}  // namespace varnel::ui
