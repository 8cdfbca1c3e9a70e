#pragma once
// Turns the flat list of MFT names into the scan tree: an index from parent
// record to names, a depth-first walk from the scanned folder's record, and
// the one-line trace of counts and timings. Record numbers are dense (a
// record's number is its place in the MFT), so what is looked up by record
// lives in arrays indexed by record number, not in hash tables.

#include <cstdint>
#include <optional>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "core/MftEnumeration.h"
#include "core/MftRecord.h"
#include "core/ScanModel.h"
#include "core/ScanTreeBuilder.h"

namespace varnel::core {

// Parent record number -> positions of its names in the entry list, each
// list ascending: one counting sort of the entries by parent, so the whole
// index is two arrays of 32-bit numbers.
class MftChildIndex {
public:
    // The positions of the names whose parent reference is `record`.
    std::span<const std::uint32_t> ChildrenOf(std::uint64_t record) const noexcept {
        if (record + 1 >= start_.size()) {
            return {};
        }
        return std::span<const std::uint32_t>(order_).subspan(start_[record], start_[record + 1] - start_[record]);
    }
    // Records at and above this have no names below them.
    std::uint64_t RecordLimit() const noexcept { return start_.empty() ? 0 : start_.size() - 1; }
    std::size_t MemoryBytes() const noexcept { return (start_.capacity() + order_.capacity()) * sizeof(std::uint32_t); }

private:
    friend MftChildIndex BuildChildren(const MftEntryList& entries, const ScanCancellationToken& token);
    std::vector<std::uint32_t> start_;  // record -> first place in order_; one more than RecordLimit()
    std::vector<std::uint32_t> order_;
};

// Positions in the index are 32-bit: a longer list cannot become a tree anyway.
inline constexpr std::uint64_t MftMaxEntries = 0xFFFFFFFEu;

// Progress of one scan; reports come only from PopulateTree.
struct MftProgressState {
    const ScanProgressCallback& callback;  // may be empty
    std::uint64_t interval = ProgressFileInterval;
    ScanProgress progress;
};

// Only names whose parent is a folder record of the list are indexed: no
// other parent can be reached. Gives an empty index when the token is
// cancelled or the list holds more than MftMaxEntries names.
MftChildIndex BuildChildren(const MftEntryList& entries, const ScanCancellationToken& token);

// A folder's record and the sequence number its children's parent references
// must carry (0 accepts any).
struct MftFolderReference {
    std::uint64_t recordNumber = 0;
    std::uint16_t sequence = 0;
};

// The sequence number of the folder whose record is recordNumber, as its own
// names give it; nothing when no name makes that record a folder.
std::optional<std::uint16_t> FindFolderSequence(const MftEntryList& entries, std::uint64_t recordNumber);

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
// folder. The progress's current path is the builder's path of the folder
// being expanded (or of a reported file).
void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, MftFolderReference root,
                  const MftParseOutput& parsed, const MftChildIndex& children, const ScanCancellationToken& token,
                  MftProgressState& progress);

// The trace line, line feed included.
std::string FormatMftTrace(const MftScanStats& stats, std::int64_t totalMs);

// Whether a value of VARNEL_MFT_TRACE turns the trace on: 1 to 15 characters,
// the first not '0' (so 1, yes and on do; 0, 00 and empty do not).
bool IsMftTraceEnabled(std::wstring_view value);

// Writes the trace line to the standard error stream when VARNEL_MFT_TRACE
// enables it; the variable is read anew on each call.
void WriteMftTrace(const MftScanStats& stats, std::int64_t totalMs);

}  // namespace varnel::core
