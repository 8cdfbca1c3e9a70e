#include "directory/DirectoryBatch.h"

#include <string_view>

#include "base/Utf8.h"
#include "model/ScanModel.h"

namespace varnel::core {
namespace {

std::uint32_t ReadU32(std::span<const std::byte> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(std::to_integer<std::uint8_t>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

std::uint64_t ReadU64(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint64_t>(ReadU32(bytes, offset)) |
           (static_cast<std::uint64_t>(ReadU32(bytes, offset + 4)) << 32);
}

// Sizes are signed in the record; a negative one is no size at all.
std::uint64_t ReadNonNegative(std::span<const std::byte> bytes, std::size_t offset) {
    const auto value = static_cast<std::int64_t>(ReadU64(bytes, offset));
    return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}

}  // namespace

void ParseDirectoryBatch(std::span<const std::byte> bytes, DirectoryBatch& batch,
                         const DirectoryRecordLayout& layout) {
    namespace offsets = file_id_both_dir_info;
    batch.entries.clear();
    batch.names.clear();
    std::size_t offset = 0;
    while (offset <= bytes.size() && bytes.size() - offset >= layout.fileName) {
        const std::span<const std::byte> record = bytes.subspan(offset);
        const std::uint32_t nameBytes = ReadU32(record, offsets::FileNameLength);
        if (nameBytes > record.size() - layout.fileName) {
            break;  // torn record: the name would run past the data returned
        }
        const std::size_t nameStart = batch.names.size();
        // Names arrive as UTF-16 code units.
        core::AppendUtf16Units(record.subspan(layout.fileName, nameBytes & ~1u), batch.names);
        const std::wstring_view name = std::wstring_view(batch.names).substr(nameStart);
        if (name == L"." || name == L"..") {
            batch.names.resize(nameStart);
        } else {
            DirectoryEntryRecord& entry = batch.entries.emplace_back();
            entry.nameStart = nameStart;
            entry.nameLength = name.size();
            entry.attributes = ReadU32(record, offsets::FileAttributes);
            entry.lastWriteTimeLow = ReadU32(record, offsets::LastWriteTime);
            entry.lastWriteTimeHigh = ReadU32(record, offsets::LastWriteTime + 4);
            entry.size = ReadNonNegative(record, offsets::EndOfFile);
            entry.sizeOnDisk = ReadNonNegative(record, offsets::AllocationSize);
            if (layout.carriesFileId) {
                entry.fileId = ReadU64(record, offsets::FileId);
            }
            entry.isDirectory = (entry.attributes & FileAttributeDirectory) != 0;
            entry.isReparsePoint = (entry.attributes & FileAttributeReparsePoint) != 0;
            if (entry.isReparsePoint && layout.carriesReparseTag) {
                entry.reparseTag = ReadU32(record, offsets::ReparseTag);
            }
        }
        const std::uint32_t next = ReadU32(record, offsets::NextEntryOffset);
        if (next == 0) {
            break;
        }
        offset += next;
    }
}

}  // namespace varnel::core
