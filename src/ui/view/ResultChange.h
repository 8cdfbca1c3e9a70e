#pragma once
// The shown result set against an earlier folder snapshot of its root: for
// each folder, what it was then (or that it is new), its change in either
// size measure, the folders below one that grew most, and what is gone.
// Files have no snapshot entry, so they have no change. Portable.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/FolderSnapshot.h"
#include "model/ScanModel.h"
#include "model/SizeMeasure.h"
#include "ui/view/SubtreeIndex.h"

namespace varnel::ui {

class ResultChange {
public:
    // No comparison: every node answers none.
    ResultChange() = default;
    // Matches every folder of `result` with `earlier` (by name below matched
    // parents, as varnelscan --compare does).
    ResultChange(const core::ScanResult& result, core::FolderSnapshot earlier);

    bool Active() const noexcept { return active_; }
    std::int64_t EarlierTakenAt() const noexcept { return earlier_.takenAt; }
    const core::FolderSnapshot& Earlier() const noexcept { return earlier_; }
    // The comparison again after the result changed in place (a deletion or
    // a rescanned folder renumbers its nodes).
    void Refresh(const core::ScanResult& result);

    // Size now minus size then, held to the signed range; a new folder's
    // whole size. None for a file, a node out of range or no comparison.
    std::optional<std::int64_t> ChangeOf(core::NodeView node, core::SizeMeasure measure) const;
    bool IsNew(std::uint64_t node) const noexcept;

    // The folders below `folder` (itself excluded) that grew, most first,
    // at most `limit`; equal growth keeps the lower index first.
    std::vector<std::uint64_t> GrewMost(const core::ScanResult& result, const SubtreeIndex& index,
                                        std::uint64_t folder, std::size_t limit, core::SizeMeasure measure) const;
    // The root's GrewMost with `limit` in both measures, worked out ahead
    // without the subtree index: the window shows that ranking first, and
    // on ten million nodes it takes a third of a second, which the
    // comparer's worker spends instead. Kept until Refresh.
    void RankRootGrowth(const core::ScanResult& result, std::size_t limit);

    struct Gone {
        std::uint64_t folders = 0;  // every folder gone, the ones inside gone ones too
        std::uint64_t bytes = 0;    // their former total: each outermost gone folder once
    };
    Gone GoneSince(core::SizeMeasure measure) const;
    // The former paths of the outermost gone folders, in the snapshot's order.
    std::vector<std::wstring> GonePaths() const;

private:
    static constexpr std::uint32_t NotAFolder = 0xFFFFFFFEu;

    bool active_ = false;
    core::FolderSnapshot earlier_;
    // Per node: its folder in `earlier_`, FolderSnapshot::NoFolder when new,
    // NotAFolder for a file.
    std::vector<std::uint32_t> earlierOf_;
    std::vector<std::uint32_t> gone_;  // folders of `earlier_` with no match now
    std::vector<bool> topGone_;
    std::size_t rankedLimit_ = 0;  // of rootGrewMost_; 0 for none
    std::array<std::vector<std::uint64_t>, 2> rootGrewMost_;  // by measure
};

}  // namespace varnel::ui
