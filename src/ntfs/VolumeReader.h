#pragma once
// The one seam between the MFT engine and the disk. Once a volume (or an image
// of one) is open, everything the engine reads goes through ReadAt, so record
// decoding, MFT reading, parallel parsing and tree assembly build and run
// without the Windows API: on Windows the reader wraps the volume handle, on
// every platform it can wrap an image file or bytes in memory.

#include <cstddef>
#include <cstdint>
#include <span>

namespace varnel::core {

// The geometry the engine needs, as the volume-data control call or an
// image's boot sector gives it.
struct NtfsVolumeData {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t bytesPerCluster = 0;
    std::uint32_t bytesPerFileRecordSegment = 0;  // size of one MFT record
    std::int64_t mftStartLcn = 0;                 // cluster where the MFT's first record lies
    // Where $MFTMirr keeps copies of the first records; 0 when not known
    // (cluster 0 holds the boot sector, never the mirror).
    std::int64_t mftMirrorStartLcn = 0;
    // Bytes the volume holds; 0 when not known. Sizes beyond it (an MFT, a
    // file's bytes on disk) are damage, never data.
    std::uint64_t volumeBytes = 0;
};

class VolumeReader {
public:
    virtual ~VolumeReader() = default;

    // Reads up to buffer.size() bytes starting at the byte offset. Returns
    // false when the read fails; bytesRead may then be anything. A read that
    // ends early (the end of a device) returns true with fewer bytes.
    virtual bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) = 0;
};

}  // namespace varnel::core
