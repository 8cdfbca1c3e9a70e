#pragma once
// Where the MFT lies: its run list and data size, read from its own first
// record through the volume reader.

#include <cstdint>
#include <vector>

#include "core/MftRecord.h"
#include "core/VolumeReader.h"

namespace varnel::core {

// Reads the MFT's first record at MftStartLcn and decodes the runs of its
// unnamed data attribute. When those runs do not cover the data size (a
// fragmented MFT continues its run list in extension records named by its
// attribute list), the attribute list is followed and the further runs are
// appended. Answers false when the record cannot be read or decoded, or when
// the runs still do not cover the data size: a partial MFT is never scanned
// as if it were whole.
bool ReadMftRunList(VolumeReader& reader, const NtfsVolumeData& volume, std::vector<MftRun>& runs,
                    std::uint64_t& dataSize);

// Total bytes of the stored runs, saturating at 2^64 - 1.
std::uint64_t RunBytes(const std::vector<MftRun>& runs, std::uint32_t bytesPerCluster);

}  // namespace varnel::core
