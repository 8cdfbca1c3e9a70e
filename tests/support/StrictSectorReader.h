#pragma once
// A volume reader as strict as a raw Windows volume handle: a read whose
// offset or length is not a whole number of sectors fails, as ReadFile does
// with ERROR_INVALID_PARAMETER. Wine and image files accept any read, so
// only this shows that every read of the engine is widened to whole sectors.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ntfs/VolumeReader.h"

namespace varnel::testing {

class StrictSectorReader final : public core::VolumeReader {
public:
    StrictSectorReader(core::VolumeReader& inner, std::uint32_t sectorSize) : inner_(inner), sectorSize_(sectorSize) {}

    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) override {
        if (offset % sectorSize_ != 0 || buffer.size() % sectorSize_ != 0) {
            ++rejected_;
            bytesRead = 0;
            return false;
        }
        ++reads_;
        return inner_.ReadAt(offset, buffer, bytesRead);
    }

    std::uint64_t reads() const { return reads_; }
    std::uint64_t rejected() const { return rejected_; }

private:
    core::VolumeReader& inner_;
    std::uint32_t sectorSize_;
    std::uint64_t reads_ = 0;
    std::uint64_t rejected_ = 0;
};

}  // namespace varnel::testing
