#pragma once
// Finding the nodes of a scan result by name, path, size and modification
// time: the window's search and varnelscan --find share it, so both list
// the same matches. Portable.

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "model/ScanModel.h"
#include "model/SizeMeasure.h"

namespace varnel::core {

struct SearchCriteria {
    std::wstring pattern;           // see NamePattern; empty matches everything
    std::uint64_t minimumSize = 0;  // in `measure`; a folder counts with its total
    SizeMeasure measure = SizeMeasure::Logical;
    // FILETIME bounds, 0 for none: after means at or after, before means
    // strictly before. A node whose time is unknown (0) never passes a bound.
    std::uint64_t modifiedAfter = 0;
    std::uint64_t modifiedBefore = 0;
};

// Receives matches in index order, a batch at a time; the span is valid only
// during the call. Returning false stops the search.
using SearchBatchSink = std::function<bool(std::span<const std::uint64_t> matches)>;

// Hands every node below the root (the root itself is no answer) that meets
// `criteria` to `sink`, in batches small enough that the first arrive at
// once on a volume of millions of nodes. Stops early, returning false, when
// `cancel` becomes true or the sink asks; true when every node was looked at.
bool SearchNodes(const ScanResult& result, const SearchCriteria& criteria, const std::atomic<bool>* cancel,
                 const SearchBatchSink& sink);

}  // namespace varnel::core
