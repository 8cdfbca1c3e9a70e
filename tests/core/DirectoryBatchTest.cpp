#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DirectoryBatch.h"

namespace varnel::core {
namespace {

// One FileIdBothDirectoryInformation record, as the native query lays it out.
std::vector<std::byte> Record(const std::u16string& name, std::uint32_t attributes, std::int64_t endOfFile,
                              std::uint32_t next) {
    std::vector<std::byte> bytes(file_id_both_dir_info::FileName + name.size() * 2);
    const auto put = [&](std::size_t offset, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<std::byte>(value >> (8 * i));
    };
    put(file_id_both_dir_info::NextEntryOffset, next, 4);
    put(file_id_both_dir_info::LastWriteTime, 0x0123456789ABCDEFull, 8);
    put(file_id_both_dir_info::EndOfFile, static_cast<std::uint64_t>(endOfFile), 8);
    put(file_id_both_dir_info::FileAttributes, attributes, 4);
    put(file_id_both_dir_info::FileNameLength, name.size() * 2, 4);
    for (std::size_t i = 0; i < name.size(); ++i) put(file_id_both_dir_info::FileName + 2 * i, name[i], 2);
    return bytes;
}

std::vector<std::byte> Batch(const std::vector<std::vector<std::byte>>& records) {
    std::vector<std::byte> batch;
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto record = records[i];
        if (i + 1 < records.size()) {
            const std::size_t padded = (record.size() + 7) / 8 * 8;
            record.resize(padded);
            for (std::size_t k = 0; k < 4; ++k) record[k] = static_cast<std::byte>(padded >> (8 * k));
        }
        batch.insert(batch.end(), record.begin(), record.end());
    }
    return batch;
}

TEST(DirectoryBatch, TornRecordsAreNeverReadPast) {
    auto batch = Batch({Record(u"good", 0x20, 1, 0), Record(u"torn-name", 0x20, 1, 0)});
    batch.resize(batch.size() - 4);  // the second name runs past the data
    DirectoryBatch parsed;
    ParseDirectoryBatch(batch, parsed);
    ASSERT_EQ(parsed.entries.size(), 1u);
    EXPECT_EQ(parsed.Name(parsed.entries[0]), L"good");

    auto pointsAway = Record(u"a", 0x20, 1, 0xFFFFFFF0u);  // next entry far outside the buffer
    ParseDirectoryBatch(pointsAway, parsed);
    EXPECT_EQ(parsed.entries.size(), 1u);

    ParseDirectoryBatch(std::span<const std::byte>(pointsAway.data(), 50), parsed);
    EXPECT_TRUE(parsed.entries.empty()) << "a header cut short yields nothing";
}

}  // namespace
}  // namespace varnel::core
