// The MFT read as one stream over arbitrary runs and cluster sizes, through
// the whole-sector adapter, against a model that maps every byte on its own:
// each byte must be the one its run places on the volume (or 0 where no run
// holds it or the device has ended), the count of bytes obtained must agree,
// and the device must only ever see whole, aligned blocks.
//
// Input: cluster size (u16, 0 means 65,536), alignment choice (u8), device
// size in KiB (u16), run count (u8) and runs (lcn as i16, -1 for a sparse
// run, and clusters as u16), then reads (position u32, length u24 modulo
// 96 KiB + 1, so that long reads take the adapter's unbounced middle path),
// at most eight of them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ntfs/MftStream.h"
#include "ntfs/SectorAlignedReader.h"

namespace {

using varnel::core::MftRun;

std::uint8_t Pattern(std::uint64_t offset) { return static_cast<std::uint8_t>((offset * 2654435761u) >> 13); }

// A device of deviceSize bytes of pattern that, like a raw volume, refuses
// reads not made of whole aligned blocks; the one exception is a read that
// ends exactly at the device's end. Reads past the end come back short.
class PatternDevice final : public varnel::core::VolumeReader {
public:
    PatternDevice(std::uint64_t size, std::uint32_t alignment) : size_(size), alignment_(alignment) {}
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& got) override {
        const bool endsAtEnd = offset + buffer.size() == size_;
        if (offset % alignment_ != 0 || (buffer.size() % alignment_ != 0 && !endsAtEnd)) std::abort();
        got = offset >= size_ ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - offset));
        for (std::size_t i = 0; i < got; ++i) buffer[i] = static_cast<std::byte>(Pattern(offset + i));
        return true;
    }

private:
    std::uint64_t size_;
    std::uint32_t alignment_;
};

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool Has(std::size_t n) const { return n <= size - at; }
    std::uint64_t Take(std::size_t n) {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v |= std::uint64_t{data[at + i]} << (8 * i);
        at += n;
        return v;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    if (!in.Has(6)) return 0;
    const std::uint64_t rawCluster = in.Take(2);
    const std::uint32_t cluster = rawCluster == 0 ? 65536u : static_cast<std::uint32_t>(rawCluster);
    const std::uint32_t alignment = in.Take(1) % 2 == 0 ? 512u : 4096u;
    const std::uint64_t deviceSize = in.Take(2) * 1024;
    const std::size_t runCount = static_cast<std::size_t>(in.Take(1) % 64);
    std::vector<MftRun> runs;
    for (std::size_t i = 0; i < runCount && in.Has(4); ++i) {
        const auto lcn = static_cast<std::int16_t>(in.Take(2));
        runs.push_back({lcn, in.Take(2)});
    }

    PatternDevice device(deviceSize, alignment);
    varnel::core::SectorAlignedReader aligned(device, alignment, deviceSize);
    varnel::core::MftStream stream(aligned, runs, cluster);

    // The model: where each stream byte lies on the volume, found by walking
    // the runs from the first for every read (reads are short, runs few).
    struct Placed {
        std::uint64_t streamStart, bytes, volumeOffset;
    };
    std::vector<Placed> placed;
    std::uint64_t total = 0;
    for (const MftRun& run : runs) {
        if (run.startLcn < 0 || run.clusterCount == 0) continue;
        placed.push_back({total, run.clusterCount * cluster, static_cast<std::uint64_t>(run.startLcn) * cluster});
        total += run.clusterCount * cluster;
    }
    if (stream.Size() != total) std::abort();

    std::vector<std::byte> buffer;
    for (int reads = 0; reads < 8 && in.Has(7); ++reads) {
        const std::uint64_t position = in.Take(4);
        buffer.assign(static_cast<std::size_t>(in.Take(3) % (96 * 1024 + 1)), std::byte{0x5A});
        std::size_t obtained = 0;
        if (!stream.Read(position, buffer, obtained)) std::abort();  // this device never fails
        std::size_t fromDeviceCount = 0;
        std::size_t run = 0;
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            const std::uint64_t p = position + i;
            while (run < placed.size() && p >= placed[run].streamStart + placed[run].bytes) ++run;
            std::uint8_t want = 0;
            if (run < placed.size() && p >= placed[run].streamStart) {
                const std::uint64_t offset = placed[run].volumeOffset + (p - placed[run].streamStart);
                if (offset < deviceSize) {
                    want = Pattern(offset);
                    ++fromDeviceCount;
                }
            }
            if (static_cast<std::uint8_t>(buffer[i]) != want) std::abort();
        }
        if (obtained != fromDeviceCount) std::abort();
    }
    return 0;
}
