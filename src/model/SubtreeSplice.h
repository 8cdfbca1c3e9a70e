#pragma once
// Puts a fresh scan of one folder in place of that folder's old subtree.
// The tree is append-only and ordered parent-first, so instead of patching
// it in place the splice builds a new tree from the old nodes before and
// around the folder and the new subtree where the folder was: simpler than
// moving nodes, and the old result stays whole until the new one is ready.
// Portable.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::core {

struct SplicedResult {
    ScanResult result;
    // Each old node's index in the new result; NoIndex for the nodes of the
    // replaced subtree, apart from the folder itself, which maps to its new
    // place.
    std::vector<std::uint64_t> newIndexOf;
};

// Builds `old` with the subtree of folder `folder` replaced by the tree of
// `rescan` (a completed scan of that folder's path). The folder keeps its
// name and place; its figures, and every ancestor's, are summed again; scan
// errors inside the folder are replaced by the rescan's. Nothing, with
// `old` untouched, when `folder` is not a folder of `old`, when the rescan
// has no tree, or when the two would not fit one tree; `rescan` is consumed.
std::optional<SplicedResult> SpliceSubtree(const ScanResult& old, std::uint64_t folder, ScanResult&& rescan);

// The folder of `result` whose path (as NodeView::Path spells it) is `path`,
// found by walking down from the root; NoIndex when there is none. Lets a
// rescan find its folder again after the result was renumbered meanwhile.
std::uint64_t FindFolder(const ScanResult& result, const std::wstring& path);

}  // namespace varnel::core
