#include "ui/view/ResultChange.h"

#include <algorithm>
#include <span>
#include <utility>

#include "model/NameIndex.h"
#include "model/SnapshotComparison.h"

namespace varnel::ui {

using core::FolderSnapshot;

ResultChange::ResultChange(const core::ScanResult& result, FolderSnapshot earlier)
    : active_(true), earlier_(std::move(earlier)) {
    Refresh(result);
}

void ResultChange::Refresh(const core::ScanResult& result) {
    if (!active_) {
        return;
    }
    // The rule of CompareSnapshots, read straight from the result rather
    // than from a snapshot made of it first (which would copy every
    // folder's name): a root matches a root; below it, only a folder whose
    // parent matched can have been there before, by its name.
    constexpr std::uint32_t None = FolderSnapshot::NoFolder;
    const auto keyOf = [this](std::uint32_t folder) {
        return std::pair<std::uint32_t, std::wstring_view>(earlier_.folders[folder].parent, earlier_.NameOf(folder));
    };
    core::NameIndex<decltype(keyOf)> byParentAndName(earlier_.folders.size(), keyOf);
    for (std::size_t i = 0; i < earlier_.folders.size(); ++i) {
        byParentAndName.FindOrAdd(earlier_.folders[i].parent, earlier_.NameOf(i), static_cast<std::uint32_t>(i));
    }
    earlierOf_.assign(static_cast<std::size_t>(result.nodes.size()), NotAFolder);
    std::vector<bool> matched(earlier_.folders.size(), false);
    for (const core::NodeView node : result.nodes) {
        if (!node.IsDirectory()) {
            continue;
        }
        const std::wstring_view name = node.OwnPath().empty() ? node.Name() : node.OwnPath();
        std::uint32_t then = None;
        if (node.Parent() == core::NoIndex) {
            then = byParentAndName.Find(None, name);
        } else if (node.Parent() < node.Index()) {  // parents come first; anything else matches nothing
            const std::uint32_t parentThen = earlierOf_[static_cast<std::size_t>(node.Parent())];
            if (parentThen != None && parentThen != NotAFolder) {
                then = byParentAndName.Find(parentThen, name);
            }
        }
        earlierOf_[static_cast<std::size_t>(node.Index())] = then;
        if (then != None) {
            matched[then] = true;
        }
    }
    gone_.clear();
    topGone_.clear();
    rankedLimit_ = 0;
    for (std::vector<std::uint64_t>& ranked : rootGrewMost_) {
        ranked.clear();
    }
    for (std::size_t i = 0; i < earlier_.folders.size(); ++i) {
        if (!matched[i]) {
            const std::uint32_t parent = earlier_.folders[i].parent;
            gone_.push_back(static_cast<std::uint32_t>(i));
            topGone_.push_back(parent == None || matched[parent]);
        }
    }
}

std::optional<std::int64_t> ResultChange::ChangeOf(core::NodeView node, core::SizeMeasure measure) const {
    if (node.Index() >= earlierOf_.size()) {
        return std::nullopt;
    }
    const std::uint32_t then = earlierOf_[static_cast<std::size_t>(node.Index())];
    if (then == NotAFolder) {
        return std::nullopt;
    }
    std::uint64_t before = 0;
    if (then != FolderSnapshot::NoFolder) {
        const FolderSnapshot::Folder& folder = earlier_.folders[then];
        before = measure == core::SizeMeasure::OnDisk ? folder.totalSizeOnDisk : folder.totalSize;
    }
    return core::SizeChange(core::DisplaySize(node, measure), before);
}

bool ResultChange::IsNew(std::uint64_t node) const noexcept {
    return node < earlierOf_.size() && earlierOf_[static_cast<std::size_t>(node)] == FolderSnapshot::NoFolder;
}

namespace {

// The `limit` nodes of `candidates` whose change is the greatest positive
// one, most first; equal growth keeps the lower index first, so the order
// the candidates come in does not matter.
template <class Candidates, class ChangeOf>
std::vector<std::uint64_t> GreatestGrowth(const Candidates& candidates, std::size_t limit, const ChangeOf& changeOf) {
    std::vector<std::pair<std::int64_t, std::uint64_t>> kept;  // a heap whose top is the last kept
    const auto before = [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; };
    candidates([&](std::uint64_t node) {
        const std::optional<std::int64_t> change = changeOf(node);
        if (!change || *change <= 0) {
            return;
        }
        const std::pair<std::int64_t, std::uint64_t> candidate{*change, node};
        if (kept.size() < limit) {
            kept.push_back(candidate);
            std::push_heap(kept.begin(), kept.end(), before);
        } else if (before(candidate, kept.front())) {
            std::pop_heap(kept.begin(), kept.end(), before);
            kept.back() = candidate;
            std::push_heap(kept.begin(), kept.end(), before);
        }
    });
    std::sort_heap(kept.begin(), kept.end(), before);
    std::vector<std::uint64_t> nodes;
    nodes.reserve(kept.size());
    for (const auto& entry : kept) {
        nodes.push_back(entry.second);
    }
    return nodes;
}

}  // namespace

std::vector<std::uint64_t> ResultChange::GrewMost(const core::ScanResult& result, const SubtreeIndex& index,
                                                  std::uint64_t folder, std::size_t limit,
                                                  core::SizeMeasure measure) const {
    if (!active_ || limit == 0) {
        return {};
    }
    if ((folder == core::NoIndex || folder == result.rootIndex) && limit == rankedLimit_) {
        return rootGrewMost_[static_cast<std::size_t>(measure)];
    }
    std::span<const std::uint32_t> below = index.Subtree(folder == core::NoIndex ? result.rootIndex : folder);
    if (!below.empty()) {
        below = below.subspan(1);  // the folder itself is not ranked
    }
    return GreatestGrowth(
        [&](const auto& consider) {
            for (const std::uint32_t node : below) {
                consider(node);
            }
        },
        limit, [&](std::uint64_t node) { return ChangeOf(result.nodes[node], measure); });
}

void ResultChange::RankRootGrowth(const core::ScanResult& result, std::size_t limit) {
    if (!active_ || limit == 0 || result.rootIndex >= result.nodes.size()) {
        return;
    }
    // The nodes below the root, found without the index: parents come
    // before their children.
    std::vector<bool> belowRoot(static_cast<std::size_t>(result.nodes.size()), false);
    belowRoot[static_cast<std::size_t>(result.rootIndex)] = true;
    for (const core::NodeView node : result.nodes) {
        if (node.Parent() < node.Index() && belowRoot[static_cast<std::size_t>(node.Parent())]) {
            belowRoot[static_cast<std::size_t>(node.Index())] = true;
        }
    }
    belowRoot[static_cast<std::size_t>(result.rootIndex)] = false;  // the root itself is not ranked
    const auto candidates = [&](const auto& consider) {
        for (std::size_t node = 0; node < belowRoot.size(); ++node) {
            if (belowRoot[node]) {
                consider(node);
            }
        }
    };
    for (const core::SizeMeasure measure : {core::SizeMeasure::Logical, core::SizeMeasure::OnDisk}) {
        rootGrewMost_[static_cast<std::size_t>(measure)] =
            GreatestGrowth(candidates, limit, [&](std::uint64_t node) { return ChangeOf(result.nodes[node], measure); });
    }
    rankedLimit_ = limit;
}

ResultChange::Gone ResultChange::GoneSince(core::SizeMeasure measure) const {
    Gone gone;
    gone.folders = gone_.size();
    for (std::size_t i = 0; i < gone_.size(); ++i) {
        if (topGone_[i]) {
            const FolderSnapshot::Folder& folder = earlier_.folders[gone_[i]];
            gone.bytes += measure == core::SizeMeasure::OnDisk ? folder.totalSizeOnDisk : folder.totalSize;
        }
    }
    return gone;
}

std::vector<std::wstring> ResultChange::GonePaths() const {
    std::vector<std::wstring> paths;
    for (std::size_t i = 0; i < gone_.size(); ++i) {
        if (topGone_[i]) {
            paths.push_back(earlier_.PathOf(gone_[i]));
        }
    }
    return paths;
}

}  // namespace varnel::ui
