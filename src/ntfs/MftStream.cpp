#include "ntfs/MftStream.h"

#include <algorithm>
#include <cstring>

#include "ntfs/ByteReader.h"

namespace varnel::core {

MftStream::MftStream(VolumeReader& reader, std::span<const MftRun> runs, std::uint32_t bytesPerCluster)
    : reader_(reader) {
    for (const MftRun& run : runs) {
        if (run.startLcn < 0 || run.clusterCount == 0) {
            continue;
        }
        Extent extent;
        extent.streamStart = size_;
        if (!CheckedMultiply(run.clusterCount, bytesPerCluster, extent.bytes) ||
            !CheckedMultiply(static_cast<std::uint64_t>(run.startLcn), bytesPerCluster, extent.volumeOffset) ||
            !CheckedAdd(size_, extent.bytes, size_)) {
            break;
        }
        std::uint64_t volumeEnd = 0;
        if (!CheckedAdd(extent.volumeOffset, extent.bytes, volumeEnd)) {
            break;
        }
        extent.readable = extent.bytes;
        if (extent.bytes > 0) {
            extents_.push_back(extent);
        }
    }
}

bool MftStream::Read(std::uint64_t position, std::span<std::byte> buffer, std::size_t& obtained) {
    obtained = 0;
    // Only what no read fills is zeroed: a whole chunk read in one piece
    // costs no extra pass over its 8 MiB.
    const auto zero = [&](std::size_t from, std::size_t to) {
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(from), buffer.begin() + static_cast<std::ptrdiff_t>(to),
                  std::byte{0});
    };
    // The extent holding position: the last one starting at or before it.
    auto it = std::upper_bound(extents_.begin(), extents_.end(), position,
                               [](std::uint64_t p, const Extent& e) { return p < e.streamStart; });
    if (it == extents_.begin()) {
        zero(0, buffer.size());
        return true;
    }
    --it;
    std::size_t done = 0;
    for (; it != extents_.end() && done < buffer.size(); ++it) {
        Extent& extent = *it;
        const std::uint64_t at = position + done;  // at >= extent.streamStart, no gaps between extents
        const std::uint64_t within = at - extent.streamStart;
        if (within >= extent.bytes) {
            continue;  // position lies past the end of the stream's last extent
        }
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(extent.bytes - within, buffer.size() - done));
        std::size_t got = 0;
        if (within < extent.readable) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(take, extent.readable - within));
            if (!reader_.ReadAt(extent.volumeOffset + within, buffer.subspan(done, want), got)) {
                return false;
            }
            got = std::min(got, want);
            obtained += got;
            if (got < want) {
                // The device ended inside this run: what follows reads as
                // zeros, and the next read does not try it again.
                extent.readable = within + got;
            }
        }
        zero(done + got, done + take);
        done += take;
    }
    zero(done, buffer.size());
    return true;
}

}  // namespace varnel::core
