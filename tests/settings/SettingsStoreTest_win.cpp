#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "platform/FileBytes.h"
#include "platform/UniqueHandle_win.h"
#include "support/TempFolder.h"

namespace varnel::app {
namespace {

constexpr std::uint32_t HardwareThreads = 6;

// A program folder and a local application-data folder (with a non-ASCII
// name, as under many user profiles) inside a temporary folder.
SettingsStoreOptions OptionsFor(const varnel::testing::TempFolder& temp) {
    return {temp.At(L"Program"), temp.At(L"Zo\u00EB\\AppData\\Local"), HardwareThreads, true};
}

std::string FileBytes(const std::wstring& path) { return platform::ReadWholeFile(path).value_or(""); }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

AppSettings ChangedSettings() {
    AppSettings settings;
    settings.language = L"uk-UA";
    settings.recentFolders = {L"C:\\\u0414\u0430\u043D\u0456", L"D:\\a\"b\\c\td"};
    settings.threadsPerDrive = 40;  // above the hardware threads: saved repaired
    settings.suppressAdminPrompt = true;
    return settings;
}

AppSettings Normalized(AppSettings settings) {
    NormalizeSettings(settings, HardwareThreads);
    return settings;
}

TEST(SettingsStore, LocalAppDataWithoutMarkerAndSaveCreatesTheFolder) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    EXPECT_EQ(store.SettingsFilePath(), temp.At(L"Zo\u00EB\\AppData\\Local\\Varnel\\varnel.settings.json"));
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));

    ASSERT_TRUE(store.Save(ChangedSettings()));
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), WriteSettingsFile(Normalized(ChangedSettings())));
    EXPECT_EQ(store.Load(), Normalized(ChangedSettings()));
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".tmp"));
    EXPECT_FALSE(store.LoadWithReport().damaged);
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".bad"));
}

TEST(SettingsStore, DamagedFileIsKeptBesideItselfBeforeASaveReplacesIt) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    ASSERT_TRUE(store.Save(ChangedSettings()));
    std::string damaged = FileBytes(store.SettingsFilePath());
    damaged.resize(damaged.size() / 2);
    {
        std::ofstream(std::filesystem::path(store.SettingsFilePath()), std::ios::binary) << damaged;
    }
    const SettingsLoadReport report = store.LoadWithReport();
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(report.settings.language, L"uk-UA");  // read before the cut
    EXPECT_EQ(report.keptCopyPath, store.SettingsFilePath() + L".bad");
    ASSERT_TRUE(store.Save(report.settings));
    EXPECT_EQ(FileBytes(report.keptCopyPath), damaged);
}

// A file held open by someone else cannot be read or copied: it is never
// replaced until it can be copied aside, then the save goes ahead.
TEST(SettingsStore, UnreadableFileIsNeverReplaced) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    ASSERT_TRUE(store.Save(ChangedSettings()));
    const std::string original = FileBytes(store.SettingsFilePath());
    {
        const platform::UniqueFile locked(::CreateFileW(store.SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr,
                                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(locked);
        const SettingsLoadReport report = store.LoadWithReport();
        EXPECT_TRUE(report.damaged);
        EXPECT_TRUE(report.keptCopyPath.empty());
        EXPECT_TRUE(store.OnHold());
        AppSettings themed = report.settings;
        themed.theme = L"Light";
        EXPECT_FALSE(store.Save(themed));
    }
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), original);
    ASSERT_TRUE(store.Save(StartingSettings(HardwareThreads)));
    EXPECT_FALSE(store.OnHold());
    EXPECT_EQ(FileBytes(store.SettingsFilePath() + L".bad"), original);
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
        EXPECT_EQ(store.SettingsFilePath(), temp.At(L"Program\\varnel.settings.json"));
        EXPECT_TRUE(store.Save(ChangedSettings()));
        EXPECT_FALSE(Exists(temp.At(L"Zo\u00EB")));
    }
}

TEST(SettingsStore, FailedSaveKeepsThePreviousFileAndLeavesNoTemporaryFile) {
    varnel::testing::TempFolder temp;
    const SettingsStore store(OptionsFor(temp));
    ASSERT_TRUE(store.Save(ChangedSettings()));
    const std::string before = FileBytes(store.SettingsFilePath());
    {
        // Another program reads the file without sharing deletion (a virus
        // scanner, a backup), so it cannot be replaced.
        platform::UniqueFile reader(::CreateFileW(store.SettingsFilePath().c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader.valid());
        EXPECT_FALSE(store.Save(StartingSettings(HardwareThreads)));
    }
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), before);
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".tmp"));

    // The temporary file cannot even be created.
    std::filesystem::create_directory(store.SettingsFilePath() + L".tmp");
    EXPECT_FALSE(store.Save(StartingSettings(HardwareThreads)));
    EXPECT_EQ(FileBytes(store.SettingsFilePath()), before);
}

TEST(SettingsStore, FolderOrFileInTheWayFailsSaveAndLoadsDefaults) {
    varnel::testing::TempFolder temp;
    temp.File(L"Blocked", 0);
    SettingsStoreOptions options = OptionsFor(temp);
    options.localAppDataFolder = temp.At(L"Blocked");  // a file where a folder must be created
    EXPECT_FALSE(SettingsStore(options).Save(ChangedSettings()));

    const SettingsStore store(OptionsFor(temp));
    std::filesystem::create_directories(store.SettingsFilePath());  // a folder in place of the file
    EXPECT_EQ(store.Load(), StartingSettings(HardwareThreads));
    EXPECT_FALSE(store.Save(ChangedSettings()));
    EXPECT_FALSE(Exists(store.SettingsFilePath() + L".tmp"));
}

TEST(SettingsStore, WithoutLocalAppDataThePathIsRelative) {
    std::wstring saved(32768, L'\0');
    saved.resize(::GetEnvironmentVariableW(L"LOCALAPPDATA", saved.data(), 32768));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr));
    const SettingsStore store(SettingsStoreOptions{L"C:\\nonexistent-program-folder", L"", 0, true});
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", saved.empty() ? nullptr : saved.c_str());
    EXPECT_EQ(store.SettingsFilePath(), L"Varnel\\varnel.settings.json");
    EXPECT_EQ(store.HardwareThreads(), 4u);  // a count of 0 is treated as unknown
}

}  // namespace
}  // namespace varnel::app
