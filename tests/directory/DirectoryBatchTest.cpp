#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "directory/DirectoryBatch.h"

namespace varnel::core {
namespace {

// One FileIdBothDirectoryInformation record, as the native query lays it out.
std::vector<std::byte> Record(const std::u16string& name, std::uint32_t next) {
    std::vector<std::byte> bytes(file_id_both_dir_info::FileName + name.size() * 2);
    const auto put = [&](std::size_t offset, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<std::byte>(value >> (8 * i));
    };
    put(file_id_both_dir_info::NextEntryOffset, next, 4);
    put(file_id_both_dir_info::FileNameLength, name.size() * 2, 4);
    for (std::size_t i = 0; i < name.size(); ++i) put(file_id_both_dir_info::FileName + 2 * i, name[i], 2);
    return bytes;
}

TEST(DirectoryBatch, TornRecordsAreNeverReadPast) {
    auto batch = Record(u"good", file_id_both_dir_info::FileName + 8);
    const auto torn = Record(u"torn-name", 0);
    batch.insert(batch.end(), torn.begin(), torn.end() - 4);  // the second name runs past the data
    DirectoryBatch parsed;
    ParseDirectoryBatch(batch, parsed);
    ASSERT_EQ(parsed.entries.size(), 1u);
    EXPECT_EQ(parsed.Name(parsed.entries[0]), L"good");

    auto pointsAway = Record(u"a", 0xFFFFFFF0u);  // next entry far outside the buffer
    ParseDirectoryBatch(pointsAway, parsed);
    EXPECT_EQ(parsed.entries.size(), 1u);

    ParseDirectoryBatch(std::span<const std::byte>(pointsAway.data(), 50), parsed);
    EXPECT_TRUE(parsed.entries.empty()) << "a header cut short yields nothing";
}

}  // namespace
}  // namespace varnel::core
