// The lists' columns and keyboard through real messages: the header's column
// chooser and what the window remembers of it, typing a name's first letters,
// where the keyboard and the Open button are, and the dark menu bar.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/MainWindowFixture_win.h"
#include "ui/theme/ThemeCatalog.h"
#include "ui/view/ResultColumns.h"
#include "ui/view/RowColours.h"
#include "ui/window/MainWindow.h"

namespace varnel::ui {
namespace {

using varnel::testing::ListText;
using varnel::testing::PumpMessages;

// The open menu's entries (checked or not), seen from a timer inside its
// loop, which then picks entry g_pick with the arrow keys (or closes it).
struct MenuEntrySeen {
    bool checked;
    bool grayed;
};
std::vector<MenuEntrySeen> g_seen;
int g_pick = -1;
void CALLBACK PickInMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    const HWND popup = ::FindWindowW(L"#32768", nullptr);
    const auto menu = popup ? reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
    for (int i = 0; menu != nullptr && i < ::GetMenuItemCount(menu); ++i) {
        const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_seen.push_back({(state & MF_CHECKED) != 0, (state & MF_GRAYED) != 0});
    }
    if (popup == nullptr || g_pick < 0) {
        ::EndMenu();
        return;
    }
    // The first Down selects the first entry.
    for (int i = 0; i <= g_pick; ++i) ::PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
}

class ListColumnsTest : public varnel::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        data.Folder(L"tree\\alpha");
        data.Folder(L"tree\\beta");
        data.Folder(L"tree\\bravo");
        data.File(L"tree\\alpha\\a.bin", 3000);
        data.File(L"tree\\beta\\b.bin", 2000);
        data.File(L"tree\\bravo\\c.bin", 1000);
        ASSERT_TRUE(Open());
        ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    }
    // Right-clicks the header of list `listId` and picks entry `pick` (-1: none).
    void Chooser(int listId, int pick) {
        const HWND header = ListView_GetHeader(Control(listId));
        RECT box{};
        ::GetWindowRect(header, &box);
        g_seen.clear();
        g_pick = pick;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &PickInMenu);
        ::SendMessageW(window->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(header),
                       MAKELPARAM(box.left + 10, box.top + 5));
        ::KillTimer(nullptr, timer);
        PumpMessages();
    }
};

TEST_F(ListColumnsTest, TheHeaderOffersEveryColumnAndTheChoiceIsRemembered) {
    const struct {
        int listId, listIndex, column;  // the column toggled
        bool shownBefore;               // by default
    } cases[] = {
        {TreeListId, 0, 5, false},           // Full path
        {TreeListId, 0, 3, true},            // Files
        {LargestFilesListId, 1, 3, true},    // Full path
        {LargestFoldersListId, 2, 2, true},  // Files
    };
    for (const auto& c : cases) {
        const HWND list = Control(c.listId);
        Chooser(c.listId, c.column);
        const auto columns = ColumnsOf(c.listIndex);
        ASSERT_EQ(g_seen.size(), columns.size()) << "one entry per column, from the column table";
        EXPECT_TRUE(g_seen[0].grayed) << "the first column stays";
        EXPECT_EQ(g_seen[static_cast<std::size_t>(c.column)].checked, c.shownBefore);
        EXPECT_EQ(ListView_GetColumnWidth(list, c.column) > 0, !c.shownBefore) << c.listId << " " << c.column;
        RECT client{};
        ::GetClientRect(list, &client);
        int total = 0;
        for (std::size_t i = 0; i < columns.size(); ++i) total += ListView_GetColumnWidth(list, static_cast<int>(i));
        EXPECT_LE(total, client.right) << "the shown columns fit the list";
    }
    const std::vector<int> remembered = window->CurrentWindowMemory().columnWidths;
    ::DestroyWindow(window->Handle());
    Close();
    ASSERT_TRUE(Open());
    const HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == Control(PathBoxId) || ::IsChild(Control(PathBoxId), focus)) << "the keyboard starts there";
    EXPECT_EQ(window->CurrentWindowMemory().columnWidths, remembered);
    for (const auto& c : cases) {
        EXPECT_EQ(ListView_GetColumnWidth(Control(c.listId), c.column) > 0, !c.shownBefore) << "after a restart";
    }
}

TEST_F(ListColumnsTest, TypedLettersJumpToTheNextMatchingRow) {
    const HWND tree = Control(TreeListId);
    const struct {
        const wchar_t* typed;
        const wchar_t* selected;
    } cases[] = {
        {L"b", L"beta"}, {L"b", L"bravo"}, {L"b", L"beta"}, {L"al", L"alpha"}, {L"BR", L"bravo"}, {L"z", L"bravo"},
    };
    ::SetFocus(tree);
    for (const auto& c : cases) {
        // The list's search starts afresh after a pause between keys.
        ::Sleep(1100);
        for (const wchar_t* key = c.typed; *key != 0; ++key) ::SendMessageW(tree, WM_CHAR, *key, 1);
        PumpMessages();
        EXPECT_EQ(ListText(tree, ListView_GetNextItem(tree, -1, LVNI_SELECTED), 0), c.selected) << c.typed;
    }
}

TEST_F(ListColumnsTest, OpenFollowsTheFocusedList) {
    const struct {
        int focused; bool canOpen;
    } cases[] = {{LargestFilesListId, false}, {TreeListId, true}, {LargestFoldersListId, false}};
    for (const auto& c : cases) {
        ::SetFocus(Control(c.focused));
        PumpMessages();
        EXPECT_EQ(::IsWindowEnabled(Control(OpenButtonId)) != FALSE, c.canOpen) << c.focused;
    }
    ListView_SetItemState(Control(LargestFoldersListId), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    PumpMessages();
    EXPECT_TRUE(::IsWindowEnabled(Control(OpenButtonId)));
}

// Every theme's menu bar, read back from the screen: in dark themes its
// background is the theme's panel colour and its entries' texts are readable
// on it; light themes keep the system's bar.
TEST_F(ListColumnsTest, TheMenuBarFollowsTheTheme) {
    const HWND frameWindow = window->Handle();
    for (const ThemeEntry& theme : ThemeCatalog()) {
        window->ApplyThemeIdentifier(std::wstring(theme.identifier));
        const ThemePalette& palette = window->Palette();
        ::RedrawWindow(frameWindow, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        PumpMessages();
        MENUBARINFO bar{};
        bar.cbSize = sizeof bar;
        ASSERT_TRUE(::GetMenuBarInfo(frameWindow, OBJID_MENU, 1, &bar));
        RECT frame{};
        ::GetWindowRect(frameWindow, &frame);
        HDC dc = ::GetWindowDC(frameWindow);
        const int top = bar.rcBar.top - frame.top;
        const int left = bar.rcBar.left - frame.left;
        double best = 0;
        for (int y = top + 2; y < bar.rcBar.bottom - frame.top - 2; ++y) {
            for (int x = left + 2; x < bar.rcBar.right - frame.left - 2; ++x) {
                best = std::max(best, ContrastRatio(::GetPixel(dc, x, y), palette.panelBackground));
            }
        }
        MENUBARINFO whole{};
        whole.cbSize = sizeof whole;
        ::GetMenuBarInfo(frameWindow, OBJID_MENU, 0, &whole);
        const COLORREF empty = ::GetPixel(dc, whole.rcBar.right - frame.left - 4, (whole.rcBar.top + whole.rcBar.bottom) / 2 - frame.top);
        ::ReleaseDC(frameWindow, dc);
        if (!palette.isDark || palette.highContrast) continue;
        EXPECT_EQ(empty, palette.panelBackground) << "the bar's background";
        EXPECT_GE(best, MinimumTextContrast) << "the first entry's text";
    }
}

}  // namespace
}  // namespace varnel::ui
