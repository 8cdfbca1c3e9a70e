#pragma once
// Turns the flat list of MFT names into the scan tree: an index from parent
// record to names, a depth-first walk from the scanned folder's record, and
// the one-line trace of counts and timings.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/MftEnumeration.h"
#include "core/MftRecord.h"
#include "core/ScanModel.h"
#include "core/ScanTreeBuilder.h"

namespace varnel::core {

// Parent record number -> positions of its names in the entry list, each
// list ascending.
using MftChildIndex = std::unordered_map<std::uint64_t, std::vector<std::uint64_t>>;

// Progress of one scan; reports come only from PopulateTree.
struct MftProgressState {
    const ScanProgressCallback& callback;  // may be empty
    std::uint64_t interval = ProgressFileInterval;
    ScanProgress progress;
};

MftChildIndex BuildChildren(const std::vector<MftEntry>& entries);

// Adds a node for every name reachable from rootRecordNumber below the root
// node. Each folder entry is expanded at most once, so the walk ends on any
// data; reparse folders get no children; "." and ".." never become nodes.
// Stops (leaving what was added) when the token is cancelled. Names that
// the walk cannot meet again are moved out of the entries into the nodes.
void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, const std::wstring& rootPath,
                  std::uint64_t rootRecordNumber, std::vector<MftEntry>& entries, const MftChildIndex& children,
                  const ScanCancellationToken& token, MftProgressState& progress);

// The trace line, line feed included.
std::string FormatMftTrace(const MftScanStats& stats, std::int64_t totalMs);

// Whether a value of VARNEL_MFT_TRACE turns the trace on: 1 to 15 characters,
// the first not '0' (so 1, yes and on do; 0, 00 and empty do not).
bool IsMftTraceEnabled(std::wstring_view value);

// Writes the trace line to the standard error stream when VARNEL_MFT_TRACE
// enables it; the variable is read anew on each call.
void WriteMftTrace(const MftScanStats& stats, std::int64_t totalMs);

}  // namespace varnel::core
