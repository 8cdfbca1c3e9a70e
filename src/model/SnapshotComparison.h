#pragma once
// What changed between two folder snapshots of the same root: for each
// folder now, its size then (or that it is new), and the folders that are
// gone. Folders are matched by name below matched parents, so a folder that
// moved counts as gone in one place and new in the other. Portable.

#include <cstdint>
#include <vector>

#include "model/FolderSnapshot.h"

namespace varnel::core {

struct SnapshotComparison {
    // Per folder of the later snapshot: its folder in the earlier one, or
    // NoFolder when it is new.
    std::vector<std::uint32_t> earlierOf;
    // Per folder of the later snapshot: total size now minus then (its whole
    // size when new), held to the range of a signed 64-bit number.
    std::vector<std::int64_t> change;
    // Folders of the earlier snapshot with no match now, parents before
    // children; `topGone` marks those whose parent is still there.
    std::vector<std::uint32_t> gone;
    std::vector<bool> topGone;  // same length as `gone`

    bool IsNew(std::size_t laterFolder) const noexcept { return earlierOf[laterFolder] == FolderSnapshot::NoFolder; }
};

SnapshotComparison CompareSnapshots(const FolderSnapshot& earlier, const FolderSnapshot& later);

// a - b without wrapping, held to the signed range.
std::int64_t SizeChange(std::uint64_t later, std::uint64_t earlier) noexcept;

}  // namespace varnel::core
