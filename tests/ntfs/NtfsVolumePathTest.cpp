#include <gtest/gtest.h>

#include "ntfs/NtfsVolume.h"

namespace varnel::core {
namespace {

// Wine cannot mount a volume in a folder, so the decision is tested here,
// with the system's volume-name lookup replaced.
TEST(VolumeDevicePath, DriveRootsOpenTheirDrive) {
    const VolumeNameLookup never = [](const std::wstring&) -> std::optional<std::wstring> {
        ADD_FAILURE() << "a drive root needs no lookup";
        return std::nullopt;
    };
    EXPECT_EQ(VolumeDevicePath(L"C:\\", never), L"\\\\.\\C:");
    EXPECT_EQ(VolumeDevicePath(L"x:/", never), L"\\\\.\\x:");
}

TEST(VolumeDevicePath, FolderMountOpensTheMountedVolumeNotTheDrive) {
    std::wstring asked;
    const VolumeNameLookup lookup = [&](const std::wstring& mountPoint) -> std::optional<std::wstring> {
        asked = mountPoint;
        return L"\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}\\";
    };
    EXPECT_EQ(VolumeDevicePath(L"D:\\mounts\\data\\", lookup), L"\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}");
    EXPECT_EQ(asked, L"D:\\mounts\\data\\");
    EXPECT_EQ(VolumeDevicePath(L"D:\\mounts\\data", lookup), L"\\\\?\\Volume{0a1b2c3d-0000-1111-2222-333344445555}");
}

TEST(VolumeDevicePath, RefusedWhenTheMountedVolumeHasNoName) {
    const VolumeNameLookup unknown = [](const std::wstring&) -> std::optional<std::wstring> { return std::nullopt; };
    const VolumeNameLookup empty = [](const std::wstring&) -> std::optional<std::wstring> { return L"\\"; };
    EXPECT_EQ(VolumeDevicePath(L"D:\\mounts\\data\\", unknown), std::nullopt);
    EXPECT_EQ(VolumeDevicePath(L"D:\\mounts\\data\\", empty), std::nullopt);
    EXPECT_EQ(VolumeDevicePath(L"D:\\mounts\\data\\", nullptr), std::nullopt);
}

TEST(VolumeDevicePath, OtherFormsAreRefused) {
    for (const wchar_t* path : {L"", L"C:", L"C", L"\\\\server\\share\\", L"CC\\", L"C;\\"}) {
        EXPECT_EQ(VolumeDevicePath(path, nullptr), std::nullopt) << ::testing::PrintToString(std::wstring(path));
    }
}

}  // namespace
}  // namespace varnel::core
