// The lists' context actions through the real pop-up menu, chosen by their
// access keys: the clipboard is the real one, the shell calls that would
// show Explorer or a property sheet are recorded, and deleting moves a real
// temporary folder to the Recycle Bin.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/MainWindowTestOptions_win.h"
#include "support/TreeInvariants.h"
#include "ui/MainWindow.h"

namespace varnel::ui {
namespace {

using varnel::testing::PumpMessages;

struct ShellLog {
    std::vector<std::wstring> calls;  // "explorer <path>", "properties <path>", "confirm <text>"
    bool answer = true;
};

// Records what would have been shown; recycles through the system's own shell.
class RecordingShell final : public ShellActions {
public:
    explicit RecordingShell(ShellLog& log) : log_(log) {}
    bool ShowInExplorer(HWND, const std::wstring& path) override { return Record(L"explorer " + path); }
    bool ShowProperties(HWND, const std::wstring& path) override { return Record(L"properties " + path); }
    bool Confirm(HWND, const std::wstring&, const std::wstring& text) override {
        Record(L"confirm " + text);
        return log_.answer;
    }
    RecycleOutcome Recycle(HWND owner, const std::wstring& path) override { return system_->Recycle(owner, path); }

private:
    bool Record(std::wstring call) {
        log_.calls.push_back(std::move(call));
        return true;
    }
    ShellLog& log_;
    std::unique_ptr<ShellActions> system_ = MakeSystemShellActions();
};

// What the timer saw of the open menu, and the access key it typed there.
struct MenuVisit {
    wchar_t key = 0;
    std::vector<UINT> ids;
} g_visit;

void CALLBACK ChooseInMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    const HWND popup = ::FindWindowW(L"#32768", nullptr);
    const auto menu = popup ? reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
    for (int i = 0; menu != nullptr && i < ::GetMenuItemCount(menu); ++i) {
        g_visit.ids.push_back(::GetMenuItemID(menu, i));
    }
    if (g_visit.key == 0 || popup == nullptr) {
        ::EndMenu();
    } else {
        ::PostMessageW(popup, WM_CHAR, g_visit.key, 0);
    }
}

std::wstring ClipboardText() {
    std::wstring text;
    if (::OpenClipboard(nullptr)) {
        if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    return text;
}

class ContextActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
        ::InitCommonControlsEx(&controls);
        data.Folder(L"tree\\big\\inner");
        data.Folder(L"tree\\keep");
        data.File(L"tree\\big\\a.bin", 5000);
        data.File(L"tree\\big\\inner\\deep.bin", 3000);
        data.File(L"tree\\keep\\x,y.bin", 1000);
        data.File(L"tree\\b.bin", 700);
        settings.Folder(L"program");
        MainWindowOptions options = varnel::testing::MainWindowTestOptions(settings);
        options.shell = std::make_unique<RecordingShell>(log);
        window = std::make_unique<MainWindow>(::GetModuleHandleW(nullptr), std::move(options));
        ASSERT_TRUE(window->Create());
        ::ShowWindow(window->Handle(), SW_SHOWNORMAL);
        window->ChooseFolder(data.At(L"tree"));
        ::SendMessageW(window->Handle(), WM_COMMAND, ScanButtonId, 0);
        while (window->Result().status == core::ScanStatus::None) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            PumpMessages();
        }
    }

    void TearDown() override {
        window.reset();
        PumpMessages();
        varnel::testing::DiscardQuitMessages();
    }

    std::uint64_t Node(const std::wstring& relative) const {
        for (const core::ScanNode& node : window->Result().nodes)
            if (node.path == data.At(relative)) return node.index;
        return core::NoIndex;
    }

    // Right-clicks the row of `relative` in list `listId` and types `key` in the menu.
    void Choose(int listId, const std::wstring& relative, wchar_t key) {
        const HWND list = ::GetDlgItem(window->Handle(), listId);
        int row = -1;
        if (listId == TreeListId) {
            window->SelectTreeNode(Node(relative));
            row = static_cast<int>(window->Tree().FindRow(Node(relative)).value_or(0));
        } else {
            window->SelectTreeNode(window->Result().rootIndex);  // rankings of the whole tree
            for (int i = 0; i < ListView_GetItemCount(list); ++i) {
                LVITEMW item{};
                item.mask = LVIF_PARAM;
                item.iItem = i;
                ListView_GetItem(list, &item);
                if (static_cast<std::uint64_t>(item.lParam) == Node(relative)) row = i;
            }
        }
        ASSERT_GE(row, 0) << "no row for the item";
        RECT bounds{};
        ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
        POINT at{bounds.left + 40, (bounds.top + bounds.bottom) / 2};
        ::ClientToScreen(list, &at);
        g_visit.key = key;
        g_visit.ids.clear();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooseInMenu);
        ::SendMessageW(window->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
        ::KillTimer(nullptr, timer);
        PumpMessages();
    }

    varnel::testing::TempFolder data;
    varnel::testing::TempFolder settings;
    ShellLog log;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ContextActionsTest, EachEntryDoesItsActionOnTheRowItWasOpenedOn) {
    const struct {
        int list;
        const wchar_t* item;
        wchar_t key;
        std::wstring clipboard;  // expected, when the action copies
        std::wstring call;       // expected shell call, when it makes one
    } cases[] = {
        {TreeListId, L"tree\\big", L'p', data.At(L"tree\\big"), {}},
        {TreeListId, L"tree\\keep", L'c', L"keep,1000,1,0," + data.At(L"tree\\keep"), {}},
        {LargestFilesListId, L"tree\\keep\\x,y.bin", L'c', L"\"x,y.bin\",1000,,,\"" + data.At(L"tree\\keep\\x,y.bin") + L"\"", {}},
        {LargestFoldersListId, L"tree\\big\\inner", L'e', {}, L"explorer " + data.At(L"tree\\big\\inner")},
        {TreeListId, L"tree\\b.bin", L'r', {}, L"properties " + data.At(L"tree\\b.bin")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.list << " " << static_cast<char>(c.key));
        log.calls.clear();
        Choose(c.list, c.item, c.key);
        if (!c.clipboard.empty()) {
            EXPECT_EQ(ClipboardText(), c.clipboard);
        }
        EXPECT_EQ(log.calls, c.call.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.call});
    }

    // A ranked item leads back to its row in the tree, opening the folders above it.
    Choose(LargestFilesListId, L"tree\\big\\inner\\deep.bin", L't');
    EXPECT_EQ(window->SelectedNode(), Node(L"tree\\big\\inner\\deep.bin"));
    EXPECT_TRUE(window->Tree().FindRow(Node(L"tree\\big\\inner\\deep.bin")));

    // The scanned root is never offered for deletion; anything below it is.
    Choose(TreeListId, L"tree", 0);
    EXPECT_EQ(std::count(g_visit.ids.begin(), g_visit.ids.end(), UINT{DeleteToRecycleBinCommandId}), 0);
    Choose(TreeListId, L"tree\\big", 0);
    EXPECT_EQ(std::count(g_visit.ids.begin(), g_visit.ids.end(), UINT{DeleteToRecycleBinCommandId}), 1);
}

TEST_F(ContextActionsTest, DeleteMovesTheItemToTheBinAndTakesItOutOfEveryTotal) {
    const core::ScanNode rootBefore = window->Result().nodes[window->Result().rootIndex];

    log.answer = false;  // the user says no: nothing changes
    Choose(TreeListId, L"tree\\big", L'd');
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_NE(log.calls[0].find(data.At(L"tree\\big")), std::wstring::npos) << "the prompt names the item";
    EXPECT_NE(log.calls[0].find(L"7.8 KB"), std::wstring::npos) << "and its size: " << log.calls[0];
    EXPECT_NE(log.calls[0].find(L"Files: 2"), std::wstring::npos) << "and the files it holds";
    EXPECT_TRUE(std::filesystem::exists(data.At(L"tree\\big")));
    EXPECT_NE(Node(L"tree\\big"), core::NoIndex);

    log.answer = true;
    Choose(TreeListId, L"tree\\big", L'd');
    EXPECT_EQ(window->NoticeKey(), "status.deleted");
    EXPECT_FALSE(std::filesystem::exists(data.At(L"tree\\big")));
    EXPECT_TRUE(std::filesystem::exists(data.At(L"tree\\keep\\x,y.bin"))) << "nothing else was touched";
    const core::ScanResult& result = window->Result();
    EXPECT_TRUE(varnel::testing::TreeInvariantsHold(result));
    EXPECT_EQ(Node(L"tree\\big"), core::NoIndex);
    const core::ScanNode& root = result.nodes[result.rootIndex];
    EXPECT_EQ(root.totalSize, rootBefore.totalSize - 8000);
    EXPECT_EQ(root.fileCount, rootBefore.fileCount - 2);
    EXPECT_EQ(root.folderCount, rootBefore.folderCount - 2);
    EXPECT_EQ(window->CurrentRankings().files.nodes.size(), 2u) << "the rankings lost the item's files";
    EXPECT_EQ(window->Tree().Rows().size(), 3u);

    // An item already gone from the disk fails, and the lists keep it.
    std::filesystem::remove(data.At(L"tree\\b.bin"));
    Choose(TreeListId, L"tree\\b.bin", L'd');
    EXPECT_EQ(window->NoticeKey(), "status.delete_failed");
    EXPECT_NE(Node(L"tree\\b.bin"), core::NoIndex);
    EXPECT_EQ(window->Result().nodes[window->Result().rootIndex].totalSize, rootBefore.totalSize - 8000);
}

}  // namespace
}  // namespace varnel::ui
