#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/SettingsFile.h"
#include "app/SettingsStore.h"
#include "platform/UniqueHandle_win.h"
#include "support/TempFolder_win.h"

namespace varnel::app {
namespace {

constexpr std::uint32_t HardwareThreads = 6;

SettingsStoreOptions OptionsFor(const varnel::testing::TempFolder& temp) {
    SettingsStoreOptions options;
    options.programFolder = temp.At(L"Program");
    options.localAppDataFolder = temp.At(L"AppData\\Local");
    options.hardwareThreads = HardwareThreads;
    options.hasHardwareThreads = true;
    return options;
}

std::string FileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

AppSettings ChangedSettings() {
    AppSettings settings;
    settings.language = L"uk-UA";
    settings.theme = L"Dark";
    settings.recentFolders = {L"C:\\\u0414\u0430\u043D\u0456", L"D:\\a\"b\\c\td"};
    settings.threadsPerDrive = 3;
    settings.showAdminPromptOnStartup = false;
    settings.suppressAdminPrompt = true;
    return settings;
}

TEST(SettingsStore, UsesTheLocalAppDataFolderWithoutAMarker) {
    varnel::testing::TempFolder temp;
    temp.Folder(L"Program");
    const SettingsStore store(OptionsFor(temp));
    EXPECT_EQ(store.SettingsFilePath(), temp.At(L"AppData\\Local\\Varnel\\varnel.settings.json"));
    EXPECT_EQ(store.HardwareThreads(), HardwareThreads);

    // Nothing there yet: defaults, with the thread count fitted to the machine.
    const AppSettings loaded = store.Load();
    EXPECT_EQ(loaded, StartingSettings(HardwareThreads));

    // Save creates the missing folders.
    ASSERT_TRUE(store.Save(ChangedSettings()));
    EXPECT_TRUE(Exists(store.SettingsFilePath()));
    EXPECT_FALSE(Exists(temp.At(L"Program\\varnel.settings.json")));
}

TEST(SettingsStore, AnyEntryNamedLikeTheMarkerMakesItPortable) {
    for (const bool markerIsFolder : {false, true}) {
        varnel::testing::TempFolder temp;
        temp.Folder(L"Program");
        if (markerIsFolder) {
            temp.Folder(L"Program\\varnel.portable");
        } else {
            temp.File(L"Program\\varnel.portable", 0);
        }
        const SettingsStore store(OptionsFor(temp));
        EXPECT_EQ(store.SettingsFilePath(), temp.At(L"Program\\varnel.settings.json")) << markerIsFolder;
        ASSERT_TRUE(store.Save(ChangedSettings()));
        EXPECT_FALSE(Exists(temp.At(L"AppData"))) << markerIsFolder;
    }
}

TEST(SettingsStore, ProgramFolderEndingInASeparatorIsJoinedOnce) {
    varnel::testing::TempFolder temp;
    temp.Folder(L"Program");
    temp.File(L"Program\\varnel.portable", 0);
    SettingsStoreOptions options = OptionsFor(temp);
    options.programFolder += L"\\";
    EXPECT_EQ(SettingsStore(options).SettingsFilePath(), temp.At(L"Program\\varnel.settings.json"));
}

TEST(SettingsStore, SaveWritesTheExactLayoutAndLoadReadsItBack) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    AppSettings settings = ChangedSettings();
    settings.threadsPerDrive = 40;  // above the hardware threads: saved repaired
    ASSERT_TRUE(store.Save(settings));

    AppSettings expected = settings;
    NormalizeSettings(expected, HardwareThreads);
    EXPECT_EQ(expected.threadsPerDrive, HardwareThreads);
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), WriteSettingsFile(expected));
    EXPECT_EQ(store.Load(), expected);
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".tmp"));

    // A second save replaces the first completely.
    ASSERT_TRUE(store.Save(StartingSettings(HardwareThreads)));
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));
}

TEST(SettingsStore, WorksUnderAFolderWithANonAsciiName) {
    varnel::testing::TempFolder temp;
    SettingsStoreOptions options = OptionsFor(temp);
    options.localAppDataFolder = temp.At(L"Zo\u00EB \u65E5\u672C");
    const SettingsStore store(options);
    ASSERT_TRUE(store.Save(ChangedSettings()));
    AppSettings expected = ChangedSettings();
    NormalizeSettings(expected, HardwareThreads);
    EXPECT_EQ(store.Load(), expected);
}

TEST(SettingsStore, FailedSaveKeepsThePreviousFileAndLeavesNoTemporaryFile) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    ASSERT_TRUE(store.Save(ChangedSettings()));
    const std::string before = FileBytes(store.SettingsFilePath());

    {
        // Another process holds the file without sharing deletion, so it
        // cannot be replaced: the case of an antivirus scanner or a backup
        // tool reading it at that moment.
        platform::UniqueFile holder(::CreateFileW(store.SettingsFilePath().c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_FALSE(store.Save(StartingSettings(HardwareThreads)));
    }
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), before);
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".tmp"));

    // Once the file is free again, saving works.
    EXPECT_TRUE(store.Save(StartingSettings(HardwareThreads)));
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));
}

TEST(SettingsStore, UnwritableTemporaryFileKeepsThePreviousFile) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    ASSERT_TRUE(store.Save(ChangedSettings()));
    const std::string before = FileBytes(store.SettingsFilePath());
    // A folder where the temporary file would go makes its creation fail.
    std::filesystem::create_directory(store.SettingsFilePath() + L".tmp");
    EXPECT_FALSE(store.Save(StartingSettings(HardwareThreads)));
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), before);
    EXPECT_TRUE(std::filesystem::is_directory(store.SettingsFilePath() + L".tmp"));
}

TEST(SettingsStore, SaveFailsWhenTheFolderCannotBeCreated) {
    varnel::testing::TempFolder temp;
    temp.File(L"Blocked", 0);  // a file where the folder should be
    SettingsStoreOptions options = OptionsFor(temp);
    options.localAppDataFolder = temp.At(L"Blocked");
    const SettingsStore store(options);
    EXPECT_FALSE(store.Save(ChangedSettings()));
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));
}

TEST(SettingsStore, UnreadableFileLoadsAsDefaults) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    temp.Folder(L"AppData\\Local\\Varnel");
    std::ofstream(std::filesystem::path(store.SettingsFilePath()), std::ios::binary) << "\xEF\xBB\xBF{}";
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));

    // A folder in place of the file is no file either.
    std::filesystem::remove(store.SettingsFilePath());
    std::filesystem::create_directory(store.SettingsFilePath());
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));
    EXPECT_FALSE(store.Save(ChangedSettings()));
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".tmp"));
}

TEST(SettingsStore, SystemValuesAreUsedWhenNotReplaced) {
    const SettingsStore store;
    EXPECT_GE(store.HardwareThreads(), 1u);
    EXPECT_FALSE(store.ProgramFolder().empty());
    EXPECT_TRUE(Exists(store.ProgramFolder() + L"\\varnel_app_tests.exe"));  // the folder, not the file

    SettingsStoreOptions zeroThreads;
    zeroThreads.hasHardwareThreads = true;
    EXPECT_EQ(SettingsStore(zeroThreads).HardwareThreads(), 4u);
}

TEST(SettingsStore, WithoutLocalAppDataThePathIsRelative) {
    varnel::testing::TempFolder temp;
    wchar_t saved[32768]{};
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", saved, 32768);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr));
    SettingsStoreOptions options;
    options.programFolder = temp.At(L"Program");
    const SettingsStore store(options);
    if (length > 0) {
        ::SetEnvironmentVariableW(L"LOCALAPPDATA", saved);
    }
    EXPECT_TRUE(store.LocalAppDataFolder().empty());
    EXPECT_EQ(store.SettingsFilePath(), L"Varnel\\varnel.settings.json");
}

TEST(SettingsStore, LocalAppDataIsReadFromTheEnvironment) {
    const std::wstring value = L"C:\\Users\\Zo\u00EB\\AppData\\Local";
    wchar_t saved[32768]{};
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", saved, 32768);
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LOCALAPPDATA", value.c_str()));
    SettingsStoreOptions options;
    options.programFolder = L"C:\\nonexistent-program-folder";
    const SettingsStore store(options);
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", length > 0 ? saved : nullptr);
    EXPECT_EQ(store.LocalAppDataFolder(), value);
    EXPECT_EQ(store.SettingsFilePath(), value + L"\\Varnel\\varnel.settings.json");
}

}  // namespace
}  // namespace varnel::app
