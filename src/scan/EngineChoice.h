#pragma once
// Which engine scans: the automatic choice, or one engine forced (varnelscan
// --engine, the settings file's engine choice). The window always scans
// with Automatic.

#include <cstdint>

namespace varnel::core {

// The values are those the settings file stores.
enum class EngineChoice : std::uint32_t {
    Automatic = 0,
    DirectoryWalk = 1,
    NtQueryDirectory = 2,
    NtfsMft = 3,
};

// A stored value outside 0 to 3 comes from a newer or damaged file; the walk
// engine, which every system has, is the safe reading of it.
inline EngineChoice EngineChoiceFromStoredValue(std::uint32_t value) noexcept {
    return value <= 3 ? static_cast<EngineChoice>(value) : EngineChoice::DirectoryWalk;
}

}  // namespace varnel::core
