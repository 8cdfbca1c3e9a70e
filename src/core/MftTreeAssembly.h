#pragma once
// Turns the flat list of MFT names into the scan tree: an index from parent
// record to names, a depth-first walk from the scanned folder's record, and
// the one-line trace of counts and timings.

#include <cstdint>
#include <optional>
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

// Stops early, with a partial index, when the token is cancelled.
MftChildIndex BuildChildren(const std::vector<MftEntry>& entries, const ScanCancellationToken& token);

// A folder's record and the sequence number its children's parent references
// must carry (0 accepts any).
struct MftFolderReference {
    std::uint64_t recordNumber = 0;
    std::uint16_t sequence = 0;
};

// The sequence number of the folder whose record is recordNumber, as its own
// names give it; nothing when no name makes that record a folder.
std::optional<std::uint16_t> FindFolderSequence(const std::vector<MftEntry>& entries, std::uint64_t recordNumber);

// Adds a node for every name reachable from the root folder below the root
// node. Each folder record is expanded once, under the first of its names the
// walk meets (a crafted volume cannot multiply the nodes by giving folders
// many names), so the walk ends on any data. A name is attached only when its
// parent reference's sequence number fits the folder's record: a name left
// pointing at a record since reused by another folder is an orphan, and like
// every orphan never becomes a node. Name-surrogate reparse folders
// (junctions, symbolic links) get no children; other reparse folders (cloud
// files) are entered. "." and ".." never become nodes. Stops (leaving what
// was added) when the token is cancelled, also between the children of one
// folder. Names are moved out of the entries into the nodes.
void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, const std::wstring& rootPath,
                  MftFolderReference root, std::vector<MftEntry>& entries, const MftChildIndex& children,
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
