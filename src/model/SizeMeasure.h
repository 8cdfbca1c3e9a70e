#pragma once
// Which of a node's two sizes the lists show, share, rank and order by:
// its length, or the bytes it takes on disk. Portable; chosen in the
// Settings menu (or by varnelscan --size) and handed to every view and
// report function, never kept globally.

#include <cstdint>

#include "model/ScanTree.h"

namespace varnel::core {

enum class SizeMeasure { Logical, OnDisk };

// A folder's total, a file's own size, in the chosen measure.
inline std::uint64_t DisplaySize(NodeView node, SizeMeasure measure) noexcept {
    return measure == SizeMeasure::OnDisk ? node.TotalSizeOnDisk() : node.TotalSize();
}

}  // namespace varnel::core
