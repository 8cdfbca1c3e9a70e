// Starting scans from the path box, the picker and the command of the
// window, rescanning one folder changed on disk, searching, and the
// Explorer entry in Wine's registry — each driven through window messages.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "model/SubtreeSplice.h"
#include "platform/ExplorerEntry_win.h"
#include "platform/ProgramFolder.h"
#include "report/ScanReport.h"
#include "scan/ScanScheduler.h"
#include "support/MainWindowFixture_win.h"
#include "support/TreeInvariants.h"

namespace varnel::ui {
namespace {

using core::ScanStatus;

class StartFindRescanTest : public varnel::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        for (const wchar_t* folder : {L"root\\keep", L"root\\change\\deep", L"root\\gone"}) data.Folder(folder);
        data.File(L"root\\keep\\a.iso", 5000);
        data.File(L"root\\change\\grows.bin", 10);
        data.File(L"root\\change\\goes.bin", 20);
        data.File(L"root\\change\\deep\\b.ISO", 30);
        data.File(L"root\\top.txt", 3);
    }
    const std::wstring Root() const { return data.At(L"root"); }
    bool Keyboard(MSG& message) { return window->TranslateKeyboard(message); }
    // Until the scan's completion has been handled: the Scan button is
    // disabled from the start of a scan or rescan until then.
    void WaitForScan() {
        WaitWhile([&] { return !::IsWindowEnabled(Control(ScanButtonId)); });
    }
};

// Every row of the CSV but the index and parent columns, which depend on
// the order the engine met the items in.
std::multiset<std::string> RowsWithoutIndices(const core::ScanResult& result) {
    std::multiset<std::string> rows;
    const std::string csv = report::RenderCsv(result, {});
    for (std::size_t at = csv.find('\n') + 1; at < csv.size();) {
        const std::size_t end = csv.find('\n', at);
        const std::string row = csv.substr(at, end - at);
        const std::size_t third = row.find(',', row.find(',', row.find(',') + 1) + 1);
        rows.insert(row.substr(0, row.find(',')) + row.substr(third));
        at = end + 1;
    }
    return rows;
}

TEST_F(StartFindRescanTest, TypedPathPickerAndRecentFolderEachStartAScan) {
    varnel::ui::MainWindowOptions options = Options();
    std::wstring offered = Root() + L"\\keep";
    options.pickFolder = [&](HWND, const std::wstring&, const std::wstring&) { return offered; };
    ASSERT_TRUE(Open(std::move(options)));
    const auto keyboard = [&](MSG& message) { return Keyboard(message); };

    // A pasted path with Explorer's quotes, then Enter in the box.
    const HWND box = Control(PathBoxId);
    ::SetWindowTextW(box, (L"  \"" + Root() + L"\"").c_str());
    ::SetFocus(box);
    varnel::testing::PressKey(keyboard, box, VK_RETURN);
    WaitForScan();
    ASSERT_EQ(window->Result().status, ScanStatus::Completed);
    EXPECT_EQ(window->Result().rootPath, Root());
    EXPECT_EQ(window->Result().fileCount, 5u);

    Command(FolderButtonId);  // the picker answers with root\keep
    WaitForScan();
    EXPECT_EQ(window->Result().rootPath, offered);
    EXPECT_EQ(window->Result().fileCount, 1u);

    Command(FirstRecentFolderCommandId + 1);  // root, behind root\keep
    WaitForScan();
    EXPECT_EQ(window->Result().rootPath, Root());

    // A typed path that is not there fails as any root would.
    ::SetWindowTextW(box, (Root() + L"\\missing").c_str());
    ::SetFocus(box);
    varnel::testing::PressKey(keyboard, box, VK_RETURN);
    WaitForScan();
    EXPECT_EQ(window->Result().status, ScanStatus::Failed);

    window->ScanPaths({Root() + L"\\keep", Root() + L"\\change"});
    WaitForScan();
    EXPECT_EQ(window->Result().rootPath, core::MergedRootName);
    EXPECT_EQ(window->Result().fileCount, 4u);
}

TEST_F(StartFindRescanTest, RescanOfAChangedFolderEqualsAFreshScan) {
    ASSERT_TRUE(Open());
    ASSERT_EQ(Scan(Root()), ScanStatus::Completed);
    const std::uint64_t change = core::FindFolder(window->Result(), Root() + L"\\change");
    ASSERT_NE(change, core::NoIndex);

    // Added, removed, grown, and a new folder with a file.
    data.File(L"root\\change\\grows.bin", 70000);
    std::filesystem::remove(data.At(L"root\\change\\goes.bin"));
    data.File(L"root\\change\\new.txt", 7);
    data.Folder(L"root\\change\\deep\\newer");
    data.File(L"root\\change\\deep\\newer\\c.bin", 9);
    window->SelectTreeNode(change);
    Command(RescanCommandId);
    WaitForScan();
    EXPECT_EQ(window->NoticeKey(), "status.rescanned");
    EXPECT_TRUE(varnel::testing::TreeInvariantsHold(window->Result()));

    core::ScanCancellationToken token;
    core::ScanScheduler scheduler(core::EngineChoice::NtQueryDirectory, 0);
    const core::ScanResult fresh = scheduler.Scan({Root()}, Root(), token, {});
    EXPECT_EQ(RowsWithoutIndices(window->Result()), RowsWithoutIndices(fresh));

    // A folder gone from the disk: the old subtree stays, the notice says why.
    const std::uint64_t gone = core::FindFolder(window->Result(), Root() + L"\\gone");
    std::filesystem::remove(data.At(L"root\\gone"));
    const auto before = RowsWithoutIndices(window->Result());
    window->SelectTreeNode(gone);
    Command(RescanCommandId);
    WaitForScan();
    EXPECT_EQ(RowsWithoutIndices(window->Result()), before);
    EXPECT_NE(StatusText(StatusNoticePart).find(Root() + L"\\gone"), std::wstring::npos)
        << "the failure names the folder";
}

TEST_F(StartFindRescanTest, SearchListsTheMatchesAndFollowsADeletion) {
    ASSERT_TRUE(Open());
    ASSERT_EQ(Scan(Root()), ScanStatus::Completed);
    Command(FindCommandId);
    SearchWindow& search = window->Search();
    ASSERT_NE(search.Handle(), nullptr);
    ::SetDlgItemTextW(search.Handle(), 101, L"*.iso");
    ::SendMessageW(::GetDlgItem(search.Handle(), IDOK), BM_CLICK, 0, 0);
    WaitWhile([&] { return search.IsSearching(); });
    varnel::testing::PumpMessages();
    std::set<std::wstring> found;
    for (const std::uint64_t node : search.Matches()) found.insert(window->Result().nodes[node].Path());
    EXPECT_EQ(found, (std::set<std::wstring>{Root() + L"\\keep\\a.iso", Root() + L"\\change\\deep\\b.ISO"}));
    EXPECT_EQ(search.MatchedBytes(), 5030u);
    const HWND list = ::GetDlgItem(search.Handle(), 106);
    EXPECT_EQ(ListView_GetItemCount(list), 2);

    // The result changes under the search (a rescan): it runs again on the new one.
    std::filesystem::remove(data.At(L"root\\keep\\a.iso"));
    window->SelectTreeNode(core::FindFolder(window->Result(), Root() + L"\\keep"));
    Command(RescanCommandId);
    WaitForScan();
    WaitWhile([&] { return search.IsSearching(); });
    varnel::testing::PumpMessages();
    ASSERT_EQ(search.Matches().size(), 1u);
    EXPECT_EQ(window->Result().nodes[search.Matches()[0]].Path(), Root() + L"\\change\\deep\\b.ISO");
}

// All keys below HKCU\Software\Classes, as paths.
std::set<std::wstring> ClassKeys() {
    std::set<std::wstring> keys;
    std::vector<std::wstring> pending{L"Software\\Classes"};
    while (!pending.empty()) {
        const std::wstring path = pending.back();
        pending.pop_back();
        keys.insert(path);
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            pending.push_back(path + L"\\" + name);
        }
        ::RegCloseKey(key);
    }
    return keys;
}

TEST_F(StartFindRescanTest, ExplorerEntryIsAddedAndRemovedAndNothingElse) {
    ASSERT_TRUE(Open());
    platform::RemoveExplorerEntry();
    const std::set<std::wstring> before = ClassKeys();
    Command(ExplorerEntryCommandId);
    EXPECT_EQ(window->NoticeKey(), "status.explorer_entry_added");
    EXPECT_TRUE(platform::IsExplorerEntryInstalled(platform::ProgramFilePath()));
    std::set<std::wstring> added = ClassKeys();
    for (const std::wstring& key : before) added.erase(key);
    std::set<std::wstring> expected;
    for (const std::wstring branch : {L"Directory", L"Drive"}) {
        std::wstring path = L"Software\\Classes\\" + branch;
        for (const wchar_t* step : {L"", L"\\shell", L"\\Varnel", L"\\command"}) {
            path += step;
            expected.insert(path);
        }
    }
    for (const std::wstring& key : before) expected.erase(key);
    EXPECT_EQ(added, expected);
    wchar_t command[1024]{};
    DWORD bytes = sizeof command;
    ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\Drive\\shell\\Varnel\\command", nullptr, RRF_RT_REG_SZ,
                   nullptr, command, &bytes);
    EXPECT_EQ(std::wstring(command), L"\"" + platform::ProgramFilePath() + L"\" \"%V\"");

    Command(ExplorerEntryCommandId);
    EXPECT_EQ(window->NoticeKey(), "status.explorer_entry_removed");
    EXPECT_FALSE(platform::IsExplorerEntryInstalled(platform::ProgramFilePath()));
    EXPECT_EQ(ClassKeys(), before) << "keys made for the entry go with it; no other key is touched";
}

}  // namespace
}  // namespace varnel::ui
