#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "base/Utf8.h"
#include "i18n/LanguageCatalog.h"
#include "i18n/Localizer.h"
#include "support/MainWindowFixture_win.h"
#include "ui/window/MainWindow.h"
#include "ui/dialogs/ScanSettingsDialog_win.h"
#include "ui/theme/ThemeCatalog.h"
#include "platform/FileBytes.h"

namespace varnel::ui {
namespace {

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t text[512]{};
    ::GetMenuStringW(menu, position, text, 512, MF_BYPOSITION);
    return text;
}

// A drop of these paths, as the shell would hand it over.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    const SIZE_T bytes = sizeof(DROPFILES) + chars * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
    for (const auto& p : paths) {
        std::copy(p.begin(), p.end(), list);
        list += p.size() + 1;
    }
    ::GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

class MainWindowCommandsTest : public varnel::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        data.Folder(L"one");
        data.Folder(L"two");
        data.File(L"file1.txt", 1);
        data.File(L"file2.txt", 2);
        ASSERT_TRUE(Open());
    }

    HMENU RecentMenu() { return ::GetSubMenu(::GetSubMenu(::GetMenu(window->Handle()), 0), 0); }
    std::wstring SettingsFile() {
        const auto bytes = platform::ReadWholeFile(settings.At(L"appdata\\Varnel\\varnel.settings.json"));
        return core::Utf8ToWide(bytes.value_or("")).value_or(L"");
    }
    std::wstring PathBoxText() {
        const HWND box = ::GetDlgItem(window->Handle(), PathBoxId);
        const auto selection = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
        wchar_t text[1024]{};
        ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text));
        return text;
    }
};

TEST_F(MainWindowCommandsTest, MenuBarAndRecentFolders) {
    const HMENU bar = ::GetMenu(window->Handle());
    ASSERT_EQ(::GetMenuItemCount(bar), 5);
    EXPECT_EQ(MenuText(bar, 0), L"&File");
    EXPECT_EQ(MenuText(bar, 1), L"&Edit");
    EXPECT_EQ(MenuText(bar, 2), L"&View");
    EXPECT_EQ(MenuText(bar, 3), L"&Settings");
    ASSERT_EQ(::GetMenuItemCount(RecentMenu()), 1);
    EXPECT_EQ(MenuText(RecentMenu(), 0), L"(none)");
    EXPECT_NE(::GetMenuState(RecentMenu(), 0, MF_BYPOSITION) & MF_GRAYED, 0u);

    window->ChooseFolder(data.At(L"one"));
    window->ChooseFolder(data.At(L"two"));
    window->ChooseFolder(data.At(L"ONE"));
    ASSERT_EQ(::GetMenuItemCount(RecentMenu()), 2);
    EXPECT_EQ(MenuText(RecentMenu(), 0), L"&1 " + data.At(L"ONE"));
    EXPECT_EQ(MenuText(RecentMenu(), 1), L"&2 " + data.At(L"two"));
    EXPECT_EQ(::GetMenuItemID(RecentMenu(), 1), 1101u);
    EXPECT_EQ(PathBoxText(), L"Folder:\u00A0" + data.At(L"ONE"));
    EXPECT_NE(SettingsFile().find(L"\"recentFolders\": ["), std::wstring::npos);

    // The second entry, chosen again, moves to the front and is scanned.
    Command(1101);
    EXPECT_EQ(MenuText(RecentMenu(), 0), L"&1 " + data.At(L"two"));
    WaitWhile([&] { return !::IsWindowEnabled(Control(ScanButtonId)); });
    EXPECT_EQ(window->Result().rootPath, data.At(L"two"));

    // A folder deleted meanwhile is dropped and the path box stays as it was.
    std::filesystem::remove(data.At(L"ONE"));
    Command(1101);
    EXPECT_EQ(::GetMenuItemCount(RecentMenu()), 1);
    EXPECT_EQ(window->NoticeKey(), "status.recent_missing");
    EXPECT_EQ(PathBoxText(), L"Folder:\u00A0" + data.At(L"two"));
    EXPECT_EQ(SettingsFile().find(L"ONE"), std::wstring::npos);
    Command(1115);  // beyond the list: nothing happens
    EXPECT_EQ(::GetMenuItemCount(RecentMenu()), 1);
}

TEST_F(MainWindowCommandsTest, DroppedFolderIsChosenFilesAreNot) {
    ::SendMessageW(window->Handle(), WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeDrop({data.At(L"file1.txt"), data.At(L"file2.txt")})), 0);
    EXPECT_EQ(window->NoticeKey(), "status.drop_folder");
    EXPECT_EQ(MenuText(RecentMenu(), 0), L"(none)");

    ::SendMessageW(window->Handle(), WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeDrop({data.At(L"file1.txt"), data.At(L"file2.txt"),
                                                      data.At(L"two"), data.At(L"one")})),
                   0);
    EXPECT_EQ(window->NoticeKey(), "status.folder_selected");
    EXPECT_EQ(PathBoxText(), L"Folder:\u00A0" + data.At(L"two"));
    EXPECT_EQ(StatusText(StatusNoticePart), L"Folder selected.");
}

TEST_F(MainWindowCommandsTest, ThemeAndLanguageAreSavedThenApplied) {
    const auto dark = *FindThemePosition(L"Dark");
    Command(FirstThemeCommandId + static_cast<int>(dark));
    EXPECT_EQ(window->Palette(), LookUpTheme(L"Dark"));
    EXPECT_NE(SettingsFile().find(L"\"theme\": \"Dark\""), std::wstring::npos);
    // Settings is the fourth menu (File, Edit, View, Settings, Help).
    const HMENU themes = ::GetSubMenu(::GetSubMenu(::GetMenu(window->Handle()), 3), 3);
    ASSERT_NE(themes, nullptr);
    EXPECT_NE(::GetMenuState(themes, static_cast<UINT>(dark), MF_BYPOSITION) & MF_CHECKED, 0u);

    std::size_t german = 0;
    while (i18n::LanguageCatalog[german].code != L"de-DE") ++german;
    Command(FirstLanguageCommandId + static_cast<int>(german));
    EXPECT_NE(SettingsFile().find(L"\"language\": \"de-DE\""), std::wstring::npos);
    EXPECT_NE(MenuText(::GetMenu(window->Handle()), 0), L"&File") << "the menu was rebuilt in German";
    const HMENU languages = ::GetSubMenu(::GetSubMenu(::GetMenu(window->Handle()), 3), 4);
    ASSERT_NE(languages, nullptr);
    EXPECT_NE(::GetMenuState(languages, static_cast<UINT>(german + 1), MF_BYPOSITION) & MF_CHECKED, 0u);
    Command(SystemLanguageCommandId);
    EXPECT_EQ(MenuText(::GetMenu(window->Handle()), 0), L"&File");
}

TEST_F(MainWindowCommandsTest, AFailedSaveKeepsTheLookAndSaysSo) {
    // A folder where the new settings file must be written makes every save fail.
    settings.Folder(L"appdata\\Varnel\\varnel.settings.json.tmp");
    const ThemePalette before = window->Palette();
    Command(FirstThemeCommandId + static_cast<int>(*FindThemePosition(L"Light")));
    EXPECT_EQ(window->NoticeKey(), "status.save_failed");
    EXPECT_EQ(window->Palette(), before);
    std::size_t german = 0;
    while (i18n::LanguageCatalog[german].code != L"de-DE") ++german;
    Command(FirstLanguageCommandId + static_cast<int>(german));  // nothing half-translated either
    EXPECT_EQ(MenuText(::GetMenu(window->Handle()), 0), L"&File");
    EXPECT_EQ(window->NoticeKey(), "status.save_failed");
}

TEST_F(MainWindowCommandsTest, OpenWithoutASelectionSaysWhatIsMissing) {
    Command(OpenButtonId);
    EXPECT_EQ(window->NoticeKey(), "status.select_ranking");
}

}  // namespace
}  // namespace varnel::ui

namespace varnel::ui {
namespace {

// Acts on the dialog that the modal loop of a command shows, from a timer
// that fires inside that loop.
HWND g_dialog = nullptr;
void CALLBACK PressOkOnScanSettings(HWND, UINT, UINT_PTR timer, DWORD) {
    g_dialog = ::FindWindowW(ScanSettingsDialogClassName, nullptr);
    if (g_dialog == nullptr) return;
    ::KillTimer(nullptr, timer);
    const HWND threads = ::GetDlgItem(g_dialog, ScanSettingsThreadListId);
    ::SendMessageW(threads, CB_SETCURSEL, 0, 0);  // one thread per drive
    ::SendMessageW(::GetDlgItem(g_dialog, ScanSettingsOkId), BM_CLICK, 0, 0);
}

TEST_F(MainWindowCommandsTest, ScanSettingsOkSavesAndHandsTheCountToTheScanSession) {
    window->Session().SetScanOptions({core::EngineChoice::Automatic, 2});
    g_dialog = nullptr;
    ::SetTimer(nullptr, 0, 20, &PressOkOnScanSettings);
    Command(ScanSettingsCommandId);
    ASSERT_NE(g_dialog, nullptr) << "the dialog never appeared";
    EXPECT_EQ(window->Session().GetScanOptions().threadsPerDrive, 1u);
    EXPECT_NE(SettingsFile().find(L"\"threadsPerDrive\": 1,"), std::wstring::npos);
    EXPECT_TRUE(::IsWindowEnabled(window->Handle())) << "the owner is enabled again";
}

}  // namespace
}  // namespace varnel::ui
