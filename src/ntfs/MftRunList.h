#pragma once
// Where the MFT lies: its run list and data size, read from its own first
// record through the volume reader.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ntfs/MftRecord.h"
#include "ntfs/VolumeReader.h"

namespace varnel::core {

enum class MftRunListStatus {
    Read,
    Unreadable,  // the record cannot be read or decoded, or its runs do not cover the MFT
    NotTheMft,   // a sound record, but not record 0 named $MFT: the volume's geometry is wrong
    LargerThanVolume,  // an MFT (data size or runs) larger than volume.volumeBytes
};

// Reads the MFT's first record at MftStartLcn, checks that it is the MFT's
// own record and decodes the runs of its unnamed data attribute. When those
// runs do not cover the data size (a fragmented MFT continues its run list in
// extension records named by its attribute list), the attribute list is
// followed and the further runs are appended. A partial MFT is never scanned
// as if it were whole: runs that still do not cover the data size make the
// list Unreadable.
MftRunListStatus ReadMftRunList(VolumeReader& reader, const NtfsVolumeData& volume, std::vector<MftRun>& runs,
                                std::uint64_t& dataSize);

// Record 0 taken from $MFTMirr because the MFT's own copy is damaged.
struct MftMirroredRecordZero {
    MftRecordVerdict damage = MftRecordVerdict::Parsed;  // what the MFT's copy is; Parsed: sound but unusable
    std::vector<std::byte> record;                       // the mirror's copy, as read (not fixed up)
};

// ReadMftRunList, and when the MFT's own first record cannot be used, the
// same from the copy in $MFTMirr (volume.mftMirrorStartLcn); `mirrored`
// then holds that copy, which the scan parses in place of record 0.
MftRunListStatus ReadMftRunListOrMirror(VolumeReader& reader, const NtfsVolumeData& volume,
                                        std::vector<MftRun>& runs, std::uint64_t& dataSize,
                                        std::optional<MftMirroredRecordZero>& mirrored);

// Whether the names of the whole MFT (settled) include record 0's own, $MFT
// in the root folder.
bool IsOwnMftName(const MftParseOutput& parsed);

// The value of a fixed-up record's attribute list, resident or not; empty
// when the record has none. False when it is there but cannot be read.
bool ReadAttributeList(VolumeReader& reader, std::uint32_t bytesPerCluster, std::span<const std::byte> record,
                       std::vector<std::byte>& value);

// Total bytes of the stored runs, saturating at 2^64 - 1.
std::uint64_t RunBytes(const std::vector<MftRun>& runs, std::uint32_t bytesPerCluster);

}  // namespace varnel::core
