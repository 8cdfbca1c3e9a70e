#pragma once
// Decoding of single MFT file records: the update-sequence check, the names a
// record gives a file or folder, and the run list of a non-resident
// attribute. Pure functions over bytes, safe to call from several threads on
// different records; nothing here reads the disk.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnel::core {

// One long name of one file or folder.
struct MftEntry {
    std::uint64_t recordNumber = 0;        // base record that owns the name
    std::uint64_t parentRecordNumber = 0;  // folder holding the name
    std::uint32_t attributes = 0;          // Win32 attribute bits (0x10 folder, 0x400 reparse)
    std::uint64_t size = 0;                // unnamed data stream; 0 for a folder
    std::wstring name;
    bool isDirectory = false;
};

// The size of the unnamed data stream of a file spread over several records
// (one with an attribute list): its stream may start (lowest VCN 0) in an
// extension record, and some of its names may stand in other extension
// records, so the size must be joined to the names after all records are
// read. Large, fragmented and many-named files are exactly those.
struct MftExtensionSize {
    std::uint64_t baseRecordNumber = 0;
    std::uint64_t size = 0;
};

// What parsing records yields, in ascending record order.
struct MftParseOutput {
    std::vector<MftEntry> entries;
    std::vector<MftExtensionSize> extensionSizes;
};

// One extent of a non-resident attribute's data on the volume.
struct MftRun {
    std::int64_t startLcn = 0;
    std::uint64_t clusterCount = 0;
};

// Checks the update sequence of a record of record.size() bytes and puts the
// saved bytes back in place. NTFS protects records in 512-byte strides on
// every volume (a 4096-byte record on a 4K-sector volume has a count of 9);
// a count matching bytesPerSector strides is accepted too. False for a record
// that is too short, not "FILE", has a count that fits neither stride, or is
// torn; strides before a torn one are then already restored, and the caller
// must discard the record.
bool ApplyRecordFixups(std::span<std::byte> record, std::uint32_t bytesPerSector);

// Appends the entries of one record (one per long name, in record order) and,
// for a record of a multi-record file that holds the start of the unnamed
// data stream, its size. A rejected record, a free one or one with a malformed attribute
// appends nothing. The record is fixed up in place.
void ParseFileRecord(std::span<std::byte> record, std::uint64_t recordNumber,
                     std::uint32_t bytesPerSector, MftParseOutput& out);

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

// Appends UTF-16 code units as the platform's wide string holds text: as they
// are where wchar_t is 16 bits, paired into code points where it is 32 bits
// (unpaired surrogates are kept as they are).
void AppendUtf16(std::wstring& out, std::span<const std::byte> utf16le);

}  // namespace varnel::core
