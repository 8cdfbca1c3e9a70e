#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "platform/Administrator.h"
#include "platform/Drives.h"
#include "base/PathRules.h"
#include "platform/Paths.h"
#include "support/TempFolder.h"

namespace varnel::platform {
namespace {

TEST(IsVolumeRoot, DriveRootsAndFolders) {
    EXPECT_TRUE(IsVolumeRoot(L"C:\\"));
    EXPECT_TRUE(IsVolumeRoot(L"c:\\"));
    EXPECT_TRUE(IsVolumeRoot(L"C:\\\\"));
    EXPECT_FALSE(IsVolumeRoot(L"C:/"));
    EXPECT_FALSE(IsVolumeRoot(L"C:\\windows"));
    EXPECT_FALSE(IsVolumeRoot(L"C:\\windows\\"));
}

TEST(NormalizeFolderPath, FoldsDotsAndSeparatorsSoSpellingsCompareEqual) {
    varnel::testing::TempFolder temp;
    temp.Folder(L"Data\\Sub");
    const std::wstring plain = NormalizeFolderPath(temp.At(L"Data"));
    std::wstring forward = temp.At(L"Data/./Sub/..");
    EXPECT_EQ(NormalizeFolderPath(forward), plain);
    EXPECT_EQ(plain.find(L'/'), std::wstring::npos);
    EXPECT_EQ(plain.substr(plain.size() - 5), L"\\Data");

    // A folder that does not exist yet still normalises lexically.
    EXPECT_EQ(NormalizeFolderPath(temp.At(L"Data\\missing\\..\\Sub")), NormalizeFolderPath(temp.At(L"Data\\Sub")));
}

TEST(NormalizeScanRoot, BareDrivesAreRootsAndRelativeRootsBecomeAbsolute) {
    wchar_t current[MAX_PATH]{};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring folder = core::TrimTrailingSeparators(current);
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:", L"C:\\"},
        {L"c:/", L"c:\\"},
        {L"\\\\?\\C:\\", L"\\\\?\\C:\\"},
        {L".", folder},
        {L"sub/", core::JoinPath(folder, L"sub")},
    };
    for (const auto& [root, expected] : cases) {
        EXPECT_EQ(NormalizeScanRoot(root), expected) << ::testing::PrintToString(root);
    }
    EXPECT_TRUE(core::IsDevicePath(NormalizeScanRoot(L"NUL")));
}

TEST(ScanRights, NoDiskDialogsAndBackupIntentWhenElevated) {
    const UINT before = ::GetErrorMode();
    FailCriticalErrorsSilently();
    EXPECT_EQ(::GetErrorMode(), before | SEM_FAILCRITICALERRORS);
    // Elevated (Wine runs everything so) the backup privilege is enabled.
    EXPECT_EQ(EnableBackupPrivilege(), IsRunningAsAdministrator());
}

TEST(IsRunningAsAdministrator, AgreesWithTheShell) {
    // An independent implementation of the same question.
    EXPECT_EQ(IsRunningAsAdministrator(), ::IsUserAnAdmin() != FALSE);
    EXPECT_EQ(IsRunningAsAdministrator(), IsRunningAsAdministrator());
}

}  // namespace
}  // namespace varnel::platform
