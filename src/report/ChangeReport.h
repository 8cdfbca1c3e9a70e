#pragma once
// What changed in a root since an earlier snapshot, as varnelscan --compare
// prints it: UTF-8, LF line ends, documented in the README.

#include <cstdint>
#include <string>
#include <vector>

#include "model/FolderSnapshot.h"
#include "model/SnapshotComparison.h"

namespace varnel::report {

// One row per folder: "status,path,change,size_then,size_now", status one
// of same, grew, shrank, new (size_then empty) and gone (size_now empty);
// the folders now in scan order, then the gone ones.
std::string RenderChangeCsv(const core::FolderSnapshot& earlier, const core::FolderSnapshot& later,
                            const core::SnapshotComparison& comparison);

// The date of the earlier snapshot, the `count` folders below the root
// that grew most, and the folders that are gone (the topmost of each gone
// branch), largest first.
std::string RenderChangeSummary(const core::FolderSnapshot& earlier, const core::FolderSnapshot& later,
                                const core::SnapshotComparison& comparison, std::uint64_t count);

// "2026-12-06 23:50 UTC" for seconds since 1970.
std::string UtcDateText(std::int64_t secondsSince1970);

// The folders below the root of `later` that grew, most first, at most `count`.
std::vector<std::uint32_t> GrewMost(const core::FolderSnapshot& later, const core::SnapshotComparison& comparison,
                                    std::uint64_t count);

}  // namespace varnel::report
