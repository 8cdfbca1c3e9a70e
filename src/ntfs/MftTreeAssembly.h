#pragma once
// Turns the flat list of MFT names into the scan tree: an index from parent
// record to names, a depth-first walk from the scanned folder's record, and
// the one-line trace of counts and timings. Record numbers are dense (a
// record's number is its place in the MFT), so what is looked up by record
// lives in arrays indexed by record number, not in hash tables.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "ntfs/MftEnumeration.h"
#include "ntfs/MftRecord.h"
#include "ntfs/NtfsLayout.h"
#include "model/ScanModel.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::core {

// What the walk needs of one name, 40 bytes where a parse entry takes 56:
// the parent is where the name is filed. Record numbers fit 32 bits, as
// ScanMftVolume refuses a larger MFT. A folder has no size, so its size's
// place holds the sequence number its children's parent references carry;
// a file's own sequence number was settled by ApplyFileFacts and nothing
// asks for it again. The two flags ride in the attribute bits that hold
// $FILE_NAME's index flags on disk, which parsing clears.
// Trivial, so the index is allocated without being zeroed first.
class MftLink {
public:
    MftLink() = default;
    explicit MftLink(const MftEntry& entry) noexcept
        : sizeOrSequence_(entry.isDirectory ? entry.recordSequence : entry.size),
          sizeOnDisk_(entry.isDirectory ? 0 : entry.sizeOnDisk),
          lastWriteTime_(entry.lastWriteTime),
          recordNumber_(static_cast<std::uint32_t>(entry.recordNumber)),
          attributesAndFlags_((entry.attributes & ~FlagBits) | (entry.isDirectory ? IsDirectoryFlag : 0) |
                              (entry.isNameSurrogate ? IsNameSurrogateFlag : 0)),
          namePositionLow_(entry.namePositionLow),
          parentSequence_(entry.parentSequence),
          namePositionHigh_(entry.namePositionHigh),
          nameLength_(entry.nameLength) {}

    std::uint64_t Size() const noexcept { return IsDirectory() ? 0 : sizeOrSequence_; }
    std::uint64_t SizeOnDisk() const noexcept { return sizeOnDisk_; }
    std::uint64_t LastWriteTime() const noexcept { return lastWriteTime_; }
    std::uint64_t RecordNumber() const noexcept { return recordNumber_; }
    // A folder's; 0 (accepts any) for a file.
    std::uint16_t RecordSequence() const noexcept {
        return IsDirectory() ? static_cast<std::uint16_t>(sizeOrSequence_) : 0;
    }
    std::uint16_t ParentSequence() const noexcept { return parentSequence_; }
    std::uint32_t Attributes() const noexcept { return attributesAndFlags_ & ~FlagBits; }
    bool IsDirectory() const noexcept { return (attributesAndFlags_ & IsDirectoryFlag) != 0; }
    bool IsNameSurrogate() const noexcept { return (attributesAndFlags_ & IsNameSurrogateFlag) != 0; }
    std::size_t NameLength() const noexcept { return nameLength_; }
    StoredName NameInStore() const noexcept {
        return {(std::uint64_t{namePositionHigh_} << 32) | namePositionLow_, nameLength_};
    }
    std::wstring_view Name(const NameStore& names) const noexcept {
        return names.View((std::uint64_t{namePositionHigh_} << 32) | namePositionLow_, nameLength_);
    }

private:
    // Bits that parsing never leaves in an entry's attributes.
    static constexpr std::uint32_t IsDirectoryFlag = ntfs::filename::FlagHasFileNameIndex;
    static constexpr std::uint32_t IsNameSurrogateFlag = ntfs::filename::FlagHasViewIndex;
    static constexpr std::uint32_t FlagBits = IsDirectoryFlag | IsNameSurrogateFlag;
    std::uint64_t sizeOrSequence_;
    std::uint64_t sizeOnDisk_;
    std::uint64_t lastWriteTime_;
    std::uint32_t recordNumber_;
    std::uint32_t attributesAndFlags_;
    std::uint32_t namePositionLow_;
    std::uint16_t parentSequence_;
    std::uint8_t namePositionHigh_;
    std::uint8_t nameLength_;
};
static_assert(sizeof(MftLink) == 40);

// The names filed by parent record: one counting sort of the entries, so a
// folder's names lie side by side, in ascending entry order, and the index
// is one array of links and one 32-bit start per record.
class MftChildIndex {
public:
    // The names whose parent reference is `record`; none empty, "." or "..".
    std::span<const MftLink> ChildrenOf(std::uint64_t record) const noexcept {
        if (record + 1 >= start_.size()) {
            return {};
        }
        return {links_.get() + start_[record], start_[record + 1] - start_[record]};
    }
    // Records at and above this have no names below them.
    std::uint64_t RecordLimit() const noexcept { return start_.empty() ? 0 : start_.size() - 1; }
    // The names whose parent reference lies beyond the MFT, with that
    // reference's record number, in entry order. Only a damaged volume has any.
    struct BeyondLink {
        std::uint64_t parentRecordNumber;
        MftLink link;
    };
    const std::vector<BeyondLink>& LinksBeyond() const noexcept { return beyond_; }
    std::size_t MemoryBytes() const noexcept {
        return start_.capacity() * sizeof(std::uint32_t) + (start_.empty() ? 0 : start_.back()) * sizeof(MftLink);
    }

private:
    friend MftChildIndex BuildChildren(MftEntryList& entries, const NameStore& names, std::uint64_t recordLimit,
                                       const ScanCancellationToken& token);
    std::vector<std::uint32_t> start_;  // record -> first place in links_; one more than RecordLimit()
    std::unique_ptr<MftLink[]> links_;
    std::vector<BeyondLink> beyond_;
};

// Places in the index are 32-bit: a longer list cannot become a tree anyway.
inline constexpr std::uint64_t MftMaxEntries = 0xFFFFFFFEu;
// Links keep 32-bit record numbers. NTFS itself numbers no more files.
inline constexpr std::uint64_t MftMaxRecords = 0xFFFFFFFFu;

// Progress of one scan; reports come only from PopulateTree.
struct MftProgressState {
    const ScanProgressCallback& callback;  // may be empty
    std::uint64_t interval = ProgressFileInterval;
    ScanProgress progress;
};

// Files the names whose parent record is below recordLimit (the MFT's
// record count: every name's own record lies below it, so no other parent
// can be reached); the others are kept aside as LinksBeyond. Names that
// never become nodes (empty, "." and "..", as `names` holds them) are not
// filed, so the walk need not read a name to skip it. The entries
// are freed as they are filed, so the parse list and the index are never
// whole at the same time. Gives an empty index when the token is cancelled
// (the entries kept only when that was before filing began) or the list
// holds more than MftMaxEntries names, or recordLimit exceeds MftMaxRecords.
MftChildIndex BuildChildren(MftEntryList& entries, const NameStore& names, std::uint64_t recordLimit,
                            const ScanCancellationToken& token);

// A folder's record and the sequence number its children's parent references
// must carry (0 accepts any).
struct MftFolderReference {
    std::uint64_t recordNumber = 0;
    std::uint16_t sequence = 0;
};

// The sequence number of the folder whose record is recordNumber, as its own
// names give it; nothing when no name makes that record a folder.
std::optional<std::uint16_t> FindFolderSequence(const MftEntryList& entries, std::uint64_t recordNumber);

// Which names of the folder it starts from a walk takes.
enum class MftLinkFilter : std::uint8_t {
    SequenceFits,     // those whose parent reference fits the folder's sequence number: the tree
    SequenceDiffers,  // only the others: names left pointing at a record since reused
};

// A file whose bytes on disk no volume of the scanned size can hold: they
// are left out of every total.
struct MftOversizedFile {
    std::uint64_t recordNumber = 0;
    std::uint64_t nodeIndex = 0;
    std::uint64_t sizeOnDisk = 0;
};

// The depth-first walk that turns the child index into nodes. It keeps,
// across several starts, which folder records it entered and which files'
// clusters it counted: a folder met from the root and again from a lost
// folder's placeholder is expanded once, and a file's clusters count once.
class MftTreeWalk {
public:
    // `names` holds the links' names; when it is the builder's own store,
    // nodes are appended without copying them.
    MftTreeWalk(ScanTreeBuilder& builder, const NameStore& names, const MftChildIndex& children,
                const ScanCancellationToken& token, MftProgressState& progress);

    // Adds the names below folder (those the filter takes) under the node
    // nodeIndex, and everything below them. Marks the folder entered.
    void Expand(std::uint64_t nodeIndex, MftFolderReference folder,
                MftLinkFilter filter = MftLinkFilter::SequenceFits);
    // Adds the given names (of any parent sequence) and everything below
    // them under the node nodeIndex.
    void Adopt(std::uint64_t nodeIndex, std::span<const MftLink> links);

    bool WasExpanded(std::uint64_t record) const noexcept {
        return record < expanded_.size() && expanded_[static_cast<std::size_t>(record)];
    }
    // Entered folders that also hold names of another sequence number, each
    // once, in the order met.
    const std::vector<MftFolderReference>& FoldersWithStaleNames() const noexcept { return staleFolders_; }

    // Bytes on disk above this are not summed but listed in OversizedFiles.
    void LimitSizeOnDisk(std::uint64_t bytes) noexcept { sizeOnDiskLimit_ = bytes; }
    const std::vector<MftOversizedFile>& OversizedFiles() const noexcept { return oversized_; }

    // Records (ascending) whose first file node the walk remembers, for
    // error rows that name the file's path.
    void Watch(std::vector<std::uint64_t> records) { watched_ = std::move(records); }
    // The first node of a watched record, or NoIndex.
    std::uint64_t NodeOf(std::uint64_t record) const noexcept;

private:
    struct Pending {
        MftFolderReference folder;
        std::uint64_t nodeIndex;
        MftLinkFilter filter;
    };
    // Links from the index were filed without the names no node takes;
    // links handed to Adopt may still hold them.
    enum class LinkNames : std::uint8_t { Usable, MayBeUnusable };
    void AddLinks(const Pending& pending, std::span<const MftLink> list, LinkNames linkNames);
    void Drain();

    ScanTreeBuilder& builder_;
    const NameStore& names_;
    // The names are the tree's own (ScanTreeBuilder::AdoptNames): nodes take
    // them where they lie instead of copies.
    bool namesInTree_;
    const MftChildIndex& children_;
    const ScanCancellationToken& token_;
    MftProgressState& progress_;
    // One bit per record that can have children.
    std::vector<bool> expanded_;
    std::vector<bool> clustersCounted_;
    std::vector<Pending> stack_;
    std::vector<MftFolderReference> staleFolders_;
    std::vector<MftOversizedFile> oversized_;
    std::uint64_t sizeOnDiskLimit_ = ~0ull;
    std::vector<std::uint64_t> watched_;
    std::vector<std::uint64_t> watchedNodes_;  // parallel to watched_
    std::uint64_t step_ = 0;
    bool stopped_ = false;
};

// Adds a node for every name reachable from the root folder below the root
// node. Each folder record is expanded once, under the first of its names the
// walk meets (a crafted volume cannot multiply the nodes by giving folders
// many names), so the walk ends on any data. A name is attached only when its
// parent reference's sequence number fits the folder's record: a name left
// pointing at a record since reused by another folder is an orphan, and like
// every orphan is not reached from the root (MftDamage sets orphans aside).
// Name-surrogate reparse folders (junctions, symbolic links) get no
// children; other reparse folders (cloud files) are entered. "." and ".." never become nodes. Stops (leaving what
// was added) when the token is cancelled, also between the children of one
// folder. The progress's current path is the builder's path of the folder
// being expanded (or of a reported file).
void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, MftFolderReference root,
                  const NameStore& names, const MftChildIndex& children, const ScanCancellationToken& token,
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
