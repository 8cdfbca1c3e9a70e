#pragma once
// The one place that knows how a volume device wants to be read. A raw volume
// handle fails ReadFile with ERROR_INVALID_PARAMETER unless the offset and the
// length are whole sectors (512 bytes, or 4,096 on 4Kn disks); the engine's
// own reads are not (a 192-byte attribute list, a 1,024-byte record on a
// 4 KiB-sector disk, a boot sector). Every read of the MFT engine that
// reaches a volume passes through this adapter, which widens it to whole
// aligned blocks, reads those into an aligned bounce buffer and copies out
// the bytes asked for. Reads that are already aligned go straight through.
// Wine and image files accept any read, so only a strict reader in the tests
// can show that nothing unaligned gets past.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>

#include "ntfs/VolumeReader.h"

namespace varnel::core {

// 4,096 bytes: whole sectors of every disk NTFS runs on (512-byte sectors
// are its divisors), so a volume that reports 512-byte sectors while lying on
// a 4Kn disk is read correctly too. Larger reported sectors are honoured.
std::uint32_t VolumeReadAlignment(std::uint32_t bytesPerSector) noexcept;

class SectorAlignedReader final : public VolumeReader {
public:
    // alignment is the block size reads are widened to (0 counts as 1; see
    // VolumeReadAlignment). Widened reads never reach past
    // deviceSize (an image's length); a device of unknown size passes the
    // maximum and relies on the reader's own short read at its end.
    SectorAlignedReader(VolumeReader& inner, std::uint32_t alignment,
                        std::uint64_t deviceSize = std::numeric_limits<std::uint64_t>::max());

    // As VolumeReader::ReadAt; bytesRead counts the requested bytes that the
    // device delivered (fewer only when the device's read ended early).
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) override;

private:
    // Reads [offset, offset + buffer.size()) widened to whole blocks, through
    // the bounce buffer; the request lies within at most bounceBlocks_ blocks.
    bool ReadThroughBounce(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead);
    std::span<std::byte> Bounce(std::size_t bytes);

    VolumeReader& inner_;
    std::uint64_t alignment_;
    std::uint64_t deviceSize_;
    std::unique_ptr<std::byte[]> bounceStorage_;  // bounce buffer plus room to align it
    std::size_t bounceBytes_ = 0;
};

}  // namespace varnel::core
