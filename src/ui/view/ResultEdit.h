#pragma once
// Changes to a shown result after the item behind a node left the disk
// (deleted from the window), so the lists can be updated without a rescan,
// and the one-line CSV text of a node that the window copies for the user.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::ui {

// What removing a subtree did: for every old index the node's new one
// (NoIndex for the nodes that went).
struct RemovedSubtree {
    std::vector<std::uint64_t> newIndexOf;
};

// Removes `node` and everything below it from `result`: the node leaves its
// parent's children, every ancestor loses the node's bytes, files and
// folders, the remaining nodes are renumbered in their old order (so every
// parent still comes before its children), and scan errors of paths inside
// the removed item go with it. The root, and indices out of range, are
// refused: the result is left as it was and nothing is returned.
std::optional<RemovedSubtree> RemoveSubtree(core::ScanResult& result, std::uint64_t node);

// The bytes, file count and folder count that deleting `node` takes away,
// as the confirmation names them. Always the length, whichever size the
// lists show: it is the figure the shell's own dialogs name.
struct DeletionFacts {
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
};
DeletionFacts FactsOf(core::NodeView node) noexcept;

// One CSV line, without a line end: name, size in bytes (the length, as in
// the export's size column), files, folders and full path (files and
// folders empty for a file). Fields are quoted as the export quotes them
// (base/CsvField.h); numbers are plain digits so that a spreadsheet reads
// them in any language.
std::wstring CsvRowOf(core::NodeView node);

}  // namespace varnel::ui
