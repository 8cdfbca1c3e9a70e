#include "ui/view/ResultChange.h"

#include <algorithm>
#include <utility>

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
    const FolderSnapshot now = core::MakeFolderSnapshot(result, 0);
    core::SnapshotComparison comparison = core::CompareSnapshots(earlier_, now);
    earlierOf_.assign(static_cast<std::size_t>(result.nodes.size()), NotAFolder);
    for (std::size_t folder = 0; folder < now.nodeOf.size(); ++folder) {
        earlierOf_[static_cast<std::size_t>(now.nodeOf[folder])] = comparison.earlierOf[folder];
    }
    gone_ = std::move(comparison.gone);
    topGone_ = std::move(comparison.topGone);
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

std::vector<std::uint64_t> ResultChange::GrewMost(const core::ScanResult& result, const SubtreeIndex& index,
                                                  std::uint64_t folder, std::size_t limit,
                                                  core::SizeMeasure measure) const {
    std::vector<std::pair<std::int64_t, std::uint64_t>> kept;  // a heap whose top is the last kept
    if (!active_ || limit == 0) {
        return {};
    }
    const auto before = [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; };
    std::span<const std::uint32_t> below = index.Subtree(folder == core::NoIndex ? result.rootIndex : folder);
    if (!below.empty()) {
        below = below.subspan(1);  // the folder itself is not ranked
    }
    for (const std::uint32_t node : below) {
        const std::optional<std::int64_t> change = ChangeOf(result.nodes[node], measure);
        if (!change || *change <= 0) {
            continue;
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
    }
    std::sort_heap(kept.begin(), kept.end(), before);
    std::vector<std::uint64_t> nodes;
    nodes.reserve(kept.size());
    for (const auto& entry : kept) {
        nodes.push_back(entry.second);
    }
    return nodes;
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
