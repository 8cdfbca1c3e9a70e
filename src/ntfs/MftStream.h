#pragma once
// The data of a non-resident attribute (the MFT's own, or an attribute list)
// read as one logical byte stream over its runs. Byte p of the stream lies in
// the run whose clusters cover it, wherever that run lies on the volume; a
// piece of data that straddles two runs (a 1,024-byte record over two
// odd-length runs of 512-byte clusters) is assembled from both.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/MftRecord.h"
#include "ntfs/VolumeReader.h"

namespace varnel::core {

class MftStream {
public:
    // Runs with a negative start or no clusters hold none of the stream
    // (DecodeMappingPairs never stores them). Runs beyond 2^64 bytes of the
    // stream, or placed beyond 2^64 bytes of the volume, are cut off there.
    MftStream(VolumeReader& reader, std::span<const MftRun> runs, std::uint32_t bytesPerCluster);

    // Bytes the runs describe, in all.
    std::uint64_t Size() const noexcept { return size_; }

    // Fills buffer with the stream's bytes from position on. False only when
    // a read of the volume fails. Bytes that no run holds, and the rest of a
    // run after a read of it ended early (the end of the device), are zeros:
    // `obtained` counts the bytes really read. A run that once read short is
    // not read again past that point, so later runs keep their positions.
    bool Read(std::uint64_t position, std::span<std::byte> buffer, std::size_t& obtained);

private:
    struct Extent {
        std::uint64_t streamStart = 0;  // position of its first byte in the stream
        std::uint64_t volumeOffset = 0;
        std::uint64_t bytes = 0;
        std::uint64_t readable = 0;     // bytes from its start that the device delivers
    };

    VolumeReader& reader_;
    std::vector<Extent> extents_;  // ascending streamStart, without gaps
    std::uint64_t size_ = 0;
};

}  // namespace varnel::core
