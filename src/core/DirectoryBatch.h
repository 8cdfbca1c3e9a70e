#pragma once
// Decodes one buffer of FileIdBothDirectoryInformation records, as the native
// directory query returns them. Portable and bounds-checked: the buffer comes
// from the system, but a torn or truncated record must never be read past.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnel::core {

// Record layout (x64), offsets in bytes.
namespace file_id_both_dir_info {
inline constexpr std::size_t NextEntryOffset = 0;
inline constexpr std::size_t LastWriteTime = 24;
inline constexpr std::size_t EndOfFile = 40;
inline constexpr std::size_t FileAttributes = 56;
inline constexpr std::size_t FileNameLength = 60;
inline constexpr std::size_t FileName = 104;
}  // namespace file_id_both_dir_info

// The native query's information class for these records.
inline constexpr std::uint32_t FileIdBothDirectoryInformationClass = 37;

struct DirectoryEntryRecord {
    std::wstring name;
    std::wstring fullPath;
    std::uint32_t attributes = 0;
    std::uint32_t lastWriteTimeLow = 0;
    std::uint32_t lastWriteTimeHigh = 0;
    std::uint64_t size = 0;  // 0 when the system reports a negative end of file
    bool isDirectory = false;
    bool isReparsePoint = false;

    std::uint64_t LastWriteTime() const noexcept {
        return (static_cast<std::uint64_t>(lastWriteTimeHigh) << 32) | lastWriteTimeLow;
    }
};

// Appends the entries of `batch` (the bytes the query filled) to `entries`,
// cleared first, skipping "." and "..". `directoryPrefix` already ends with a
// separator (or is empty). Stops at the first record that does not fit.
void ParseDirectoryBatch(std::span<const std::byte> batch, const std::wstring& directoryPrefix,
                         std::vector<DirectoryEntryRecord>& entries);

}  // namespace varnel::core
