#include <gtest/gtest.h>

#include <map>

#include "platform/Drives.h"

namespace varnel::platform {
namespace {

constexpr std::uint32_t Unknown = 0, NoRoot = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6;

struct FakeDrive {
    std::uint32_t type;
    std::optional<DriveQueries::VolumeInformation> volume;
    std::optional<DriveQueries::Space> space;
};

DriveQueries Fake(const std::map<wchar_t, FakeDrive>& drives) {
    DriveQueries queries;
    queries.logicalDrives = [drives] {
        std::uint32_t mask = 0;
        for (const auto& [letter, drive] : drives) mask |= 1u << (letter - L'A');
        return mask;
    };
    queries.driveType = [drives](const std::wstring& root) { return drives.at(root[0]).type; };
    queries.volumeInformation = [drives](const std::wstring& root) { return drives.at(root[0]).volume; };
    queries.diskSpace = [drives](const std::wstring& root) { return drives.at(root[0]).space; };
    return queries;
}

TEST(EnumerateLocalDrives, KeepsFixedAndRemovableInLetterOrder) {
    const auto drives = EnumerateLocalDrives(Fake({
        {L'Z', {Fixed, DriveQueries::VolumeInformation{L"", L"NTFS"}, DriveQueries::Space{100, 40}}},
        {L'C', {Fixed, DriveQueries::VolumeInformation{L"System", L"NTFS"}, DriveQueries::Space{1000, 10}}},
        {L'D', {CdRom, DriveQueries::VolumeInformation{L"DVD", L"UDF"}, std::nullopt}},
        {L'E', {Removable, DriveQueries::VolumeInformation{L"BACKUP", L"exFAT"}, DriveQueries::Space{64, 32}}},
        {L'F', {Removable, std::nullopt, std::nullopt}},
        {L'N', {Remote, DriveQueries::VolumeInformation{L"Share", L"NTFS"}, DriveQueries::Space{1, 1}}},
        {L'R', {RamDisk, std::nullopt, std::nullopt}},
        {L'U', {Unknown, std::nullopt, std::nullopt}},
        {L'V', {NoRoot, std::nullopt, std::nullopt}},
    }));
    ASSERT_EQ(drives.size(), 4u);

    EXPECT_EQ(drives[0].rootPath, L"C:\\");
    EXPECT_EQ(drives[0].displayText, L"C: System");
    EXPECT_EQ(drives[0].fileSystemName, L"NTFS");
    EXPECT_EQ(drives[0].kind, DriveKind::Local);
    EXPECT_EQ(drives[0].totalBytes, 1000u);
    EXPECT_EQ(drives[0].freeBytes, 10u);

    EXPECT_EQ(drives[1].displayText, L"E: BACKUP");
    EXPECT_EQ(drives[1].kind, DriveKind::Removable);

    // Unreadable volume information never drops a drive.
    EXPECT_EQ(drives[2].rootPath, L"F:\\");
    EXPECT_EQ(drives[2].displayText, L"F: Removable Disk");
    EXPECT_TRUE(drives[2].volumeLabel.empty());
    EXPECT_TRUE(drives[2].fileSystemName.empty());
    EXPECT_EQ(drives[2].totalBytes, 0u);
    EXPECT_EQ(drives[2].freeBytes, 0u);

    EXPECT_EQ(drives[3].displayText, L"Z: Local Disk");
}

TEST(EnumerateLocalDrives, NoLocalDrivesGivesAnEmptyList) {
    EXPECT_TRUE(EnumerateLocalDrives(Fake({})).empty());
    EXPECT_TRUE(EnumerateLocalDrives(Fake({{L'N', {Remote, std::nullopt, std::nullopt}}})).empty());
}

}  // namespace
}  // namespace varnel::platform
