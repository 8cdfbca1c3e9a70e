// The context menu chosen by access keys: the real clipboard, recorded shell
// calls, and a real Recycle Bin (Wine's is the desktop's trash).

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "support/MainWindowFixture_win.h"
#include "support/TreeInvariants.h"
#include "ui/window/MainWindow.h"

namespace varnel::ui {
namespace {

// Records what would have been shown; recycles through the system's shell.
struct RecordingShell final : ShellActions {
    std::vector<std::wstring> calls;
    bool answer = true;  // to the confirmation
    std::unique_ptr<ShellActions> system = MakeSystemShellActions();
    bool Log(std::wstring call) {
        calls.push_back(std::move(call));
        return true;
    }
    bool ShowInExplorer(HWND, const std::wstring& path) override { return Log(L"explorer " + path); }
    bool ShowProperties(HWND, const std::wstring& path) override { return Log(L"properties " + path); }
    bool Confirm(HWND, const std::wstring&, const std::wstring& text) override { return Log(L"confirm " + text) && answer; }
    RecycleOutcome Recycle(HWND owner, const std::wstring& path) override { return system->Recycle(owner, path); }
};

// The entries of the open menu, seen from a timer inside its loop, which
// then types `g_key` there (or closes it).
wchar_t g_key = 0;
std::vector<UINT> g_entries;
void CALLBACK ChooseInMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    const HWND popup = ::FindWindowW(L"#32768", nullptr);
    const auto menu = popup ? reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
    for (int i = 0; menu != nullptr && i < ::GetMenuItemCount(menu); ++i) g_entries.push_back(::GetMenuItemID(menu, i));
    g_key == 0 || popup == nullptr ? static_cast<void>(::EndMenu()) : static_cast<void>(::PostMessageW(popup, WM_CHAR, g_key, 0));
}

// Sets a file's or folder's last write time (FILETIME units) back, so that
// only the other differences from the scan remain.
void SetLastWriteTime(const std::wstring& path, std::uint64_t time) {
    const HANDLE item = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE) return;  // gone: nothing to set
    const FILETIME written{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    ::SetFileTime(item, nullptr, nullptr, &written);
    ::CloseHandle(item);
}

std::wstring ClipboardText() {
    std::wstring text;
    const HANDLE data = ::OpenClipboard(nullptr) ? ::GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (data != nullptr) {
        text = static_cast<const wchar_t*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

class ContextActionsTest : public varnel::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        data.Folder(L"tree\\big\\inner");
        data.Folder(L"tree\\keep");
        data.File(L"tree\\big\\a.bin", 5000);
        data.File(L"tree\\big\\inner\\deep.bin", 3000);
        data.File(L"tree\\keep\\x,y.bin", 1000);
        data.File(L"tree\\b.bin", 700);
        MainWindowOptions options = Options();
        auto recording = std::make_unique<RecordingShell>();
        log = recording.get();
        options.shell = std::move(recording);
        ASSERT_TRUE(Open(std::move(options)));
        ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    }

    // The result's counts, then every node's path, totals and counts in path order.
    std::vector<std::wstring> Described() const {
        std::vector<std::wstring> lines;
        for (const core::NodeView n : window->Result().nodes) {
            lines.push_back(n.Path() + L" " + std::to_wstring(n.TotalSize()) + L" " +
                            std::to_wstring(n.DirectFilesSize()) + L" " + std::to_wstring(n.FileCount()) + L" " +
                            std::to_wstring(n.FolderCount()));
        }
        std::sort(lines.begin(), lines.end());
        lines.insert(lines.begin(), std::to_wstring(window->Result().fileCount) + L" " +
                                        std::to_wstring(window->Result().folderCount));
        return lines;
    }

    std::uint64_t Node(const std::wstring& relative) const {
        for (const core::NodeView node : window->Result().nodes) {
            if (node.Path() == data.At(relative)) return node.Index();
        }
        return core::NoIndex;
    }

    // Right-clicks the item's row (-1: below the rows) in a list showing
    // the whole tree's rankings, and types `key` in the menu.
    int Choose(int listId, const std::wstring& relative, wchar_t key) {
        const HWND list = ::GetDlgItem(window->Handle(), listId);
        window->SelectTreeNode(window->Result().rootIndex);
        const auto treeRow = window->Tree().FindRow(Node(relative));
        int row = listId == TreeListId && treeRow ? static_cast<int>(*treeRow) : -1;
        const auto& ranked = listId == LargestFilesListId ? window->CurrentRankings().files.nodes
                                                          : window->CurrentRankings().folders.nodes;
        for (std::size_t i = 0; listId != TreeListId && i < ranked.size(); ++i) {
            if (ranked[i] == Node(relative)) row = static_cast<int>(i);
        }
        RECT bounds{};
        ListView_GetItemRect(list, std::max(row, 0), &bounds, LVIR_BOUNDS);
        POINT at{bounds.left + 40, row < 0 ? bounds.bottom + 60 : (bounds.top + bounds.bottom) / 2};
        ::ClientToScreen(list, &at);
        g_key = key;
        g_entries.clear();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooseInMenu);
        ::SendMessageW(window->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
        ::KillTimer(nullptr, timer);
        varnel::testing::PumpMessages();
        return row;
    }

    RecordingShell* log = nullptr;  // owned by the window
};

TEST_F(ContextActionsTest, EachEntryActsOnTheRowUnderTheMouse) {
    const struct {
        int list;
        const wchar_t* item;
        wchar_t key;
        std::wstring clipboard;  // when it copies
        std::wstring call;       // when it calls the shell
    } cases[] = {
        {TreeListId, L"tree\\big", L'p', data.At(L"tree\\big"), {}},
        {TreeListId, L"tree\\keep", L'c', L"keep,1000,1,0," + data.At(L"tree\\keep"), {}},
        {LargestFilesListId, L"tree\\keep\\x,y.bin", L'c', L"\"x,y.bin\",1000,,,\"" + data.At(L"tree\\keep\\x,y.bin") + L"\"", {}},
        {LargestFoldersListId, L"tree\\big\\inner", L'e', {}, L"explorer " + data.At(L"tree\\big\\inner")},
        {TreeListId, L"tree\\b.bin", L'r', {}, L"properties " + data.At(L"tree\\b.bin")},
    };
    for (const auto& c : cases) {
        log->calls.clear();
        const int row = Choose(c.list, c.item, c.key);
        const HWND list = ::GetDlgItem(window->Handle(), c.list);
        EXPECT_TRUE(ListView_GetNextItem(list, -1, LVNI_SELECTED) == row && ListView_GetSelectedCount(list) == 1)
            << "the row under the mouse is selected alone";
        EXPECT_EQ(ClipboardText(), c.clipboard.empty() ? ClipboardText() : c.clipboard);
        EXPECT_EQ(log->calls, c.call.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.call});
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window->Handle(), OpenButtonId))) << "Open acts on the list with the focus";
    }

    // A ranked item leads back to its row in the tree, opening the folders
    // above it; the ranking it came from keeps its folder and its selection.
    const int ranked = Choose(LargestFilesListId, L"tree\\big\\inner\\deep.bin", L't');
    EXPECT_EQ(window->SelectedNode(), Node(L"tree\\big\\inner\\deep.bin"));
    const HWND files = ::GetDlgItem(window->Handle(), LargestFilesListId);
    EXPECT_EQ(ListView_GetItemCount(files), 4);
    EXPECT_EQ(ListView_GetNextItem(files, -1, LVNI_SELECTED), ranked);
    EXPECT_EQ(varnel::testing::WindowText(::GetDlgItem(window->Handle(), LargestFilesTitleId)), L"Largest files in tree");

    // Below the rows there is no menu; the scanned root offers no deletion.
    Choose(LargestFilesListId, L"none", 0);
    EXPECT_TRUE(g_entries.empty());
    Choose(TreeListId, L"tree", 0);
    EXPECT_EQ(std::count(g_entries.begin(), g_entries.end(), UINT{DeleteToRecycleBinCommandId}), 0);
    Choose(TreeListId, L"tree\\big", 0);
    EXPECT_EQ(std::count(g_entries.begin(), g_entries.end(), UINT{DeleteToRecycleBinCommandId}), 1);
}

TEST_F(ContextActionsTest, DeleteMovesTheItemToTheBinAndTakesItOutOfEveryTotal) {
    const std::vector<std::wstring> scanned = Described();
    log->answer = false;  // the user says no: nothing changes
    Choose(TreeListId, L"tree\\big", L'd');
    ASSERT_EQ(log->calls.size(), 1u);
    EXPECT_NE(log->calls[0].find(data.At(L"tree\\big") + L"\n\nSize: 7.8 KB\nFiles: 2"), std::wstring::npos)
        << "the prompt names the item, its size and its files: " << log->calls[0];
    EXPECT_EQ(Described(), scanned);

    log->answer = true;
    Choose(TreeListId, L"tree\\big", L'd');
    EXPECT_EQ(window->NoticeKey(), "status.deleted");
    EXPECT_TRUE(!std::filesystem::exists(data.At(L"tree\\big")) && std::filesystem::exists(data.At(L"tree\\keep")));
    EXPECT_TRUE(varnel::testing::TreeInvariantsHold(window->Result()));
    EXPECT_EQ(window->CurrentRankings().files.nodes.size(), 2u) << "the rankings lost its files";
    EXPECT_EQ(window->Tree().Rows().size(), 3u);
    const std::vector<std::wstring> afterDeletion = Described();
    ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    EXPECT_EQ(Described(), afterDeletion) << "a new scan finds what the deletion left";

    // What is at the path now is not what was scanned, even at the scanned
    // write time: the bin takes nothing and the lists keep the item.
    data.Folder(L"tree\\gone");
    data.Folder(L"tree\\emptied");
    data.File(L"tree\\emptied\\e.bin", 20);
    ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    const std::vector<std::wstring> rescanned = Described();
    const auto replaceByFolder = [&](const std::wstring& path) {
        std::filesystem::remove(path);
        std::filesystem::create_directory(path);
    };
    const auto grow = [&](const std::wstring& path) { std::filesystem::resize_file(path, 1001); };
    const auto replaceByFile = [&](const std::wstring& path) {
        std::filesystem::remove_all(path);
        std::ofstream(std::filesystem::path(path)) << "x";
    };
    const auto remove = [&](const std::wstring& path) { std::filesystem::remove(path); };
    const struct {
        int list;
        const wchar_t* item;
        std::function<void(const std::wstring&)> change;
        bool gone;
    } changes[] = {
        {TreeListId, L"tree\\b.bin", replaceByFolder, false},
        {LargestFilesListId, L"tree\\keep\\x,y.bin", grow, false},
        {TreeListId, L"tree\\gone", replaceByFile, false},
        {TreeListId, L"tree\\b.bin", remove, true},
    };
    for (const auto& c : changes) {
        const std::wstring path = data.At(c.item);
        c.change(path);
        SetLastWriteTime(path, window->Result().nodes[Node(c.item)].LastWriteTime());
        log->calls.clear();
        Choose(c.list, c.item, L'd');
        EXPECT_EQ(window->NoticeKey(), "status.delete_changed") << c.item;
        EXPECT_TRUE(log->calls.empty()) << "no question about what is no longer there";
        EXPECT_EQ(std::filesystem::exists(path), !c.gone) << c.item;
        EXPECT_EQ(Described(), rescanned);
    }

    // Our own deletion in a folder is no change to it (the first by the Del key).
    Choose(LargestFilesListId, L"tree\\emptied\\e.bin", 0);
    ::SendMessageW(::GetDlgItem(window->Handle(), LargestFilesListId), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_FALSE(std::filesystem::exists(data.At(L"tree\\emptied\\e.bin")));
    Choose(TreeListId, L"tree\\emptied", L'd');
    EXPECT_EQ(window->NoticeKey(), "status.deleted");
    EXPECT_FALSE(std::filesystem::exists(data.At(L"tree\\emptied")));
}

}  // namespace
}  // namespace varnel::ui
