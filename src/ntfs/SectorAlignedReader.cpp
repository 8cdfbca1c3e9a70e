#include "ntfs/SectorAlignedReader.h"

#include <algorithm>
#include <cstring>

#include "ntfs/ByteReader.h"

namespace varnel::core {
namespace {

constexpr std::uint32_t MinimumAlignment = 4096;
// Requests spanning up to this many bytes of whole blocks are read in one
// piece through the bounce buffer; larger ones (the MFT's 8 MiB chunks) read
// their aligned middle straight into the caller's buffer and bounce only the
// partial blocks at either end.
constexpr std::uint64_t WholeBounceLimit = 64 * 1024;

}  // namespace

std::uint32_t VolumeReadAlignment(std::uint32_t bytesPerSector) noexcept {
    return std::max(bytesPerSector, MinimumAlignment);
}

SectorAlignedReader::SectorAlignedReader(VolumeReader& inner, std::uint32_t alignment, std::uint64_t deviceSize)
    : inner_(inner), alignment_(alignment == 0 ? 1 : alignment), deviceSize_(deviceSize) {}

std::span<std::byte> SectorAlignedReader::Bounce(std::size_t bytes) {
    if (bounceBytes_ < bytes) {
        bounceStorage_.reset();
        bounceStorage_ = std::make_unique<std::byte[]>(bytes + static_cast<std::size_t>(alignment_));
        bounceBytes_ = bytes;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(bounceStorage_.get());
    const auto skip = static_cast<std::size_t>((alignment_ - address % alignment_) % alignment_);
    return {bounceStorage_.get() + skip, bytes};
}

bool SectorAlignedReader::ReadThroughBounce(std::uint64_t offset, std::span<std::byte> buffer,
                                            std::size_t& bytesRead) {
    bytesRead = 0;
    const std::uint64_t end = offset + buffer.size();  // the caller checked it does not wrap
    const std::uint64_t blockStart = offset - offset % alignment_;
    std::uint64_t blockEnd = end % alignment_ == 0 ? end : end - end % alignment_ + alignment_;
    if (blockEnd < end) {
        return false;  // the last block would reach past 2^64
    }
    // An image need not end on a whole block; its last bytes are then read
    // to its end, never past it (an image reader fails such a read).
    if (blockEnd > deviceSize_ && end <= deviceSize_) {
        blockEnd = deviceSize_;
    }
    const std::span<std::byte> bounce = Bounce(static_cast<std::size_t>(blockEnd - blockStart));
    std::size_t got = 0;
    if (!inner_.ReadAt(blockStart, bounce, got)) {
        return false;
    }
    got = std::min(got, bounce.size());
    const auto lead = static_cast<std::size_t>(offset - blockStart);
    if (got > lead) {
        bytesRead = std::min(got - lead, buffer.size());
        std::memcpy(buffer.data(), bounce.data() + lead, bytesRead);
    }
    return true;
}

bool SectorAlignedReader::ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) {
    bytesRead = 0;
    const std::uint64_t size = buffer.size();
    std::uint64_t end = 0;
    if (!CheckedAdd(offset, size, end)) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (offset % alignment_ == 0 && size % alignment_ == 0) {
        const bool ok = inner_.ReadAt(offset, buffer, bytesRead);
        bytesRead = std::min(bytesRead, buffer.size());
        return ok;
    }
    const std::uint64_t firstBlock = offset - offset % alignment_;
    if (end - firstBlock <= WholeBounceLimit) {
        return ReadThroughBounce(offset, buffer, bytesRead);
    }
    // Head: the partial block the request starts in.
    std::size_t done = 0;
    if (offset % alignment_ != 0) {
        const auto head = static_cast<std::size_t>(alignment_ - offset % alignment_);
        std::size_t got = 0;
        if (!ReadThroughBounce(offset, buffer.first(head), got)) {
            return false;
        }
        done = got;
        if (got < head) {
            bytesRead = done;
            return true;
        }
    }
    // Middle: whole blocks, straight into the caller's buffer.
    const auto middle = static_cast<std::size_t>((size - done) - (size - done) % alignment_);
    if (middle > 0) {
        std::size_t got = 0;
        if (!inner_.ReadAt(offset + done, buffer.subspan(done, middle), got)) {
            return false;
        }
        done += std::min(got, middle);
        if (got < middle) {
            bytesRead = done;
            return true;
        }
    }
    // Tail: the partial block the request ends in.
    if (done < size) {
        std::size_t got = 0;
        if (!ReadThroughBounce(offset + done, buffer.subspan(done), got)) {
            return false;
        }
        done += got;
    }
    bytesRead = done;
    return true;
}

}  // namespace varnel::core
