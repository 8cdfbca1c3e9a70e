#pragma once
// Decoding of single MFT file records: the update-sequence check, the names a
// record gives a file or folder, and the run list of a non-resident
// attribute. Pure functions over bytes, safe to call from several threads on
// different records; nothing here reads the disk.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/ChunkedArray.h"
#include "model/NameStore.h"

namespace varnel::core {

// One long name of one file or folder. Millions of these are held between
// reading the MFT and building the tree, so the name itself lives in the
// parse output's name store and the entry keeps only where: no string, no
// allocation per name.
struct MftEntry {
    std::uint64_t recordNumber = 0;        // base record that owns the name
    std::uint64_t parentRecordNumber = 0;  // folder holding the name
    std::uint64_t size = 0;                // unnamed data stream; 0 for a folder
    std::uint64_t sizeOnDisk = 0;          // clusters that stream takes; 0 when kept in the record
    std::uint64_t lastWriteTime = 0;       // FILETIME the file's data last changed; 0 when unknown
    std::uint32_t attributes = 0;          // Win32 attribute bits only (0x10 folder, 0x400 reparse)
    std::uint32_t namePositionLow = 0;     // with namePositionHigh: the name's place in the store
    std::uint16_t recordSequence = 0;      // sequence number of the owning base record
    std::uint16_t parentSequence = 0;      // sequence number the parent reference expects; 0 accepts any
    std::uint8_t namePositionHigh = 0;
    std::uint8_t nameLength = 0;           // NTFS names hold at most 255 UTF-16 units
    bool isDirectory : 1 = false;
    // A reparse point that names another place (junction, mount point,
    // symbolic link), or one whose tag could not be read: never entered.
    // Other reparse folders (cloud files) are entered like any folder.
    bool isNameSurrogate : 1 = false;
    // Read from an extension record: kind, size and reparse state wait for
    // ApplyFileFacts, which settles or removes the name.
    bool isProvisional : 1 = false;

    std::uint64_t NamePosition() const noexcept {
        return (std::uint64_t{namePositionHigh} << 32) | namePositionLow;
    }
    void SetNamePosition(std::uint64_t position) noexcept {
        namePositionLow = static_cast<std::uint32_t>(position);
        namePositionHigh = static_cast<std::uint8_t>(position >> 32);
    }
};
static_assert(sizeof(MftEntry) == 56, "an MFT scan holds one entry per name");

// Entries in chunks: a list of millions never copies itself to grow.
using MftEntryList = ChunkedArray<MftEntry, 14>;

// Whether a reference's sequence number fits a record's. 0 on either side is
// not checked: NTFS writes references without one for some metadata.
inline bool SequenceMatches(std::uint16_t referenced, std::uint16_t record) noexcept {
    return referenced == 0 || record == 0 || referenced == record;
}

// What one record of a file spread over several records (a base record with
// an attribute list, or an extension record) knows about the whole file.
// NTFS moves attributes out of a full base record: a folder's name may stand
// in an extension record that carries no folder flag, a stream may start in
// one, a reparse point may lie in another. The facts of all records of a file
// are joined after the whole MFT is read (ApplyFileFacts).
struct MftFileFacts {
    std::uint64_t recordNumber = 0;  // the record these facts come from
    std::uint64_t baseRecordNumber = 0;
    // The base record's own sequence number (from the base record), or the
    // one the extension record's base reference expects.
    std::uint16_t baseSequence = 0;
    bool isBase = false;          // from the base record: isDirectory is known
    bool isDirectory = false;
    bool hasDataSize = false;     // holds the start (lowest VCN 0) of the unnamed stream
    bool hasReparsePoint = false;
    bool isNameSurrogate = false;  // with hasReparsePoint
    bool hasWriteTime = false;     // from the base record's $STANDARD_INFORMATION
    std::uint64_t lastWriteTime = 0;
    std::uint64_t dataSize = 0;
    std::uint64_t allocatedSize = 0;  // with hasDataSize: bytes the stream takes on the volume
};

// What a record turned out to be. Every record but a parsed one yields no
// names; the trace counts each kind, and a damaged volume's error rows say
// which one kept a referenced record out.
enum class MftRecordVerdict : std::uint8_t {
    Parsed,              // in use and well formed
    NotInUse,            // a free record (its file was deleted)
    NeverUsed,           // zeros where the signature stands: never written
    NotFileRecord,       // neither "FILE" nor "BAAD", or shorter than a header
    MarkedBad,           // "BAAD": NTFS itself found the record damaged
    BadUpdateSequence,   // an update sequence that fits the record nowhere
    Torn,                // a sector's check value differs: a torn write
    MalformedAttribute,  // an attribute shorter than its header or running past the record
};
inline constexpr std::size_t MftRecordVerdictCount = 8;

// Why such a record is not used, as a clause ("is marked BAAD"); the trace's
// short name of the verdict.
const char* DescribeVerdict(MftRecordVerdict verdict) noexcept;
const char* VerdictTraceName(MftRecordVerdict verdict) noexcept;

// A name of a file that its base record's attribute list places in another
// record: if that record is lost, so is the name.
struct MftNameRecordReference {
    std::uint64_t baseRecordNumber = 0;
    std::uint64_t recordNumber = 0;  // the extension record holding the name
};

// What parsing records yields, in ascending record order. Every name is
// written once, into `names`, and read from there until the tree is built.
struct MftParseOutput {
    MftEntryList entries;
    NameStore names;
    std::vector<MftFileFacts> multiRecordFiles;
    // Names that resident attribute lists place in extension records, one
    // per extension record and base.
    std::vector<MftNameRecordReference> nameRecords;
    // Base records whose attribute list lies outside the record: which other
    // records hold their names is read later (AppendNameRecords).
    std::vector<std::uint64_t> outsideAttributeLists;
    std::array<std::uint64_t, MftRecordVerdictCount> verdicts{};  // records of each verdict

    std::wstring_view NameOf(const MftEntry& entry) const noexcept {
        return names.View(entry.NamePosition(), entry.nameLength);
    }
};

// One extent of a non-resident attribute's data on the volume.
struct MftRun {
    std::int64_t startLcn = 0;
    std::uint64_t clusterCount = 0;
};

// Checks the update sequence of a record of record.size() bytes and puts the
// saved bytes back in place (FixUpRecord says why it failed). NTFS protects records in 512-byte strides on
// every volume (a 4096-byte record on a 4K-sector volume has a count of 9);
// a count matching bytesPerSector strides is accepted too. False for a record
// that is too short, not "FILE", has a count that fits neither stride, or is
// torn; strides before a torn one are then already restored, and the caller
// must discard the record.
bool ApplyRecordFixups(std::span<std::byte> record, std::uint32_t bytesPerSector);
MftRecordVerdict FixUpRecord(std::span<std::byte> record, std::uint32_t bytesPerSector);

// Appends the entries of one record (one per long name, in record order) and,
// for a record of a multi-record file, its facts; counts the verdict in
// out.verdicts and returns it. A rejected record, a free one or one with a
// malformed attribute appends nothing. The record is fixed up in place.
// Names in an extension record are provisional (kind, size, reparse point)
// until ApplyFileFacts joins them with their base record.
MftRecordVerdict ParseFileRecord(std::span<std::byte> record, std::uint64_t recordNumber,
                                 std::uint32_t bytesPerSector, MftParseOutput& out);

// Appends, for the attribute list value `list` of base record
// baseRecordNumber, each other record its entries place a name in, once
// (among the references from `first` on).
void AppendNameRecords(std::span<const std::byte> list, std::uint64_t baseRecordNumber,
                       std::vector<MftNameRecordReference>& references, std::size_t first);

// Gives a name the kind of its file and the attributes, size and reparse
// state that follow from it: a folder gets 0x10 and size 0; a file loses 0x10,
// gets 0x80 when no bit is left, and the stream's size and bytes on disk
// when they are known; a
// reparse point gets 0x400. The file's modified time replaces the name's
// own (which NTFS updates only when the name changes) when it is known. Settling a name twice with the same facts
// changes nothing.
void SettleEntry(MftEntry& entry, const MftFileFacts& file) noexcept;

// Decodes mapping pairs into runs. Pairs whose running cluster number is
// negative or whose cluster count is 0 are not stored but still advance the
// running cluster number. clustersDescribed receives the clusters of all
// pairs, stored or not (the attribute's VCN span). False for a pair without
// length bytes, a pair running past the bytes, or a list not ended by a 0 byte.
bool DecodeMappingPairs(std::span<const std::byte> pairs, std::vector<MftRun>& runs,
                        std::uint64_t& clustersDescribed);

// Finds the first unnamed non-resident data attribute of a fixed-up record
// (the MFT's own first record) and appends its runs; dataSize receives its
// data size (0 if negative). False when there is no such attribute or it or
// its run list is malformed.
bool DecodeMftDataRuns(std::span<const std::byte> record, std::vector<MftRun>& runs,
                       std::uint64_t& dataSize);

// NTFS keeps a name's length in one byte.
inline constexpr std::size_t MftMaxNameUnits = 255;

}  // namespace varnel::core
