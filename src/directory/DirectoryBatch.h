#pragma once
// Decodes one buffer of directory records, as the native directory query
// returns them in one of three information classes. Portable and
// bounds-checked: the buffer comes from the system, but a torn or truncated
// record must never be read past.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::core {

// Offsets (x64, in bytes) that the three record layouts share, but for the
// file ID, which only the first class has.
namespace file_id_both_dir_info {
inline constexpr std::size_t NextEntryOffset = 0;
inline constexpr std::size_t LastWriteTime = 24;
inline constexpr std::size_t EndOfFile = 40;
inline constexpr std::size_t AllocationSize = 48;
inline constexpr std::size_t FileAttributes = 56;
inline constexpr std::size_t FileNameLength = 60;
// EaSize: holds the reparse tag when the reparse attribute is set.
inline constexpr std::size_t ReparseTag = 64;
inline constexpr std::size_t FileId = 96;
inline constexpr std::size_t FileName = 104;
}  // namespace file_id_both_dir_info

// Where one information class keeps what the engine reads.
struct DirectoryRecordLayout {
    std::uint32_t informationClass;
    std::size_t fileName;   // offset of the name
    bool carriesReparseTag; // the EaSize field is there
    bool carriesFileId;
};

// Tried in this order: some redirectors and third-party file systems refuse
// the first (and a few the second) of them.
inline constexpr DirectoryRecordLayout FileIdBothDirectoryLayout{37, file_id_both_dir_info::FileName, true, true};
inline constexpr DirectoryRecordLayout FileBothDirectoryLayout{3, 94, true, false};
inline constexpr DirectoryRecordLayout FileDirectoryLayout{1, 64, false, false};

inline constexpr std::uint32_t FileAttributeRecallOnOpen = 0x00040000;
inline constexpr std::uint32_t FileAttributeRecallOnDataAccess = 0x00400000;

// Whether a folder's contents are listed. A reparse folder is entered only
// when its tag is known and is not a name surrogate: cloud-synced folders
// (0x9000xxxA) hold real local files, while junctions and symbolic links can
// loop or count a volume twice. A folder whose listing lives in the cloud
// (recall on open) is never opened: opening it would fetch from the network,
// and it holds nothing locally.
constexpr bool IsListedFolder(std::uint32_t attributes, std::uint32_t reparseTag) noexcept {
    constexpr std::uint32_t ReparseTagNameSurrogate = 0x20000000;
    if ((attributes & FileAttributeRecallOnOpen) != 0) {
        return false;
    }
    if ((attributes & FileAttributeReparsePoint) != 0) {
        return reparseTag != 0 && (reparseTag & ReparseTagNameSurrogate) == 0;
    }
    return true;
}

struct DirectoryEntryRecord {
    std::size_t nameStart = 0;  // where the name begins in its batch's name text
    std::size_t nameLength = 0;
    std::uint32_t attributes = 0;
    std::uint32_t reparseTag = 0;  // 0 when not a reparse point or not reported
    std::uint32_t lastWriteTimeLow = 0;
    std::uint32_t lastWriteTimeHigh = 0;
    std::uint64_t size = 0;  // 0 when the system reports a negative end of file
    // What the file system says the data takes (0 for a cloud file not held
    // locally); 0 when it reports a negative figure.
    std::uint64_t sizeOnDisk = 0;
    // Names of one file share it; 0 when unknown (not in the class used).
    std::uint64_t fileId = 0;
    bool isDirectory = false;
    bool isReparsePoint = false;

    std::uint64_t LastWriteTime() const noexcept {
        return (static_cast<std::uint64_t>(lastWriteTimeHigh) << 32) | lastWriteTimeLow;
    }
};

// The decoded entries of one buffer. Their names share one string, so a
// worker that keeps its batch between calls allocates nothing per entry.
struct DirectoryBatch {
    std::vector<DirectoryEntryRecord> entries;
    std::wstring names;

    std::wstring_view Name(const DirectoryEntryRecord& entry) const noexcept {
        return std::wstring_view(names).substr(entry.nameStart, entry.nameLength);
    }
};

// Fills `batch`, cleared first, from `bytes` (what the query filled),
// skipping "." and "..". Stops at the first record that does not fit.
void ParseDirectoryBatch(std::span<const std::byte> bytes, DirectoryBatch& batch,
                         const DirectoryRecordLayout& layout = FileIdBothDirectoryLayout);

}  // namespace varnel::core
