// The main window through real windows: a scan shown in the lists, the
// keyboard, tooltips, DPI changes, scans that fail or are cancelled, the
// progress while one runs, and what the window remembers from one run to the
// next in a real settings file.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/ScanTreeBuilder.h"
#include "i18n/LanguageCatalog.h"
#include "support/FakeEngines.h"
#include "support/MainWindowFixture_win.h"
#include "support/WindowTextFit_win.h"
#include "ui/window/MainWindow.h"
#include "ui/view/ResultColumns.h"
#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {
namespace {

using varnel::testing::ListText;
using varnel::testing::PumpMessages;
using varnel::testing::WindowText;

// The tooltip of this thread that shows tips for `control` of `owner`.
HWND FindTip(HWND owner, HWND control) {
    struct Search {
        TTTOOLINFOW tool;
        HWND found;
    } search{{}, nullptr};
    search.tool.cbSize = sizeof search.tool;
    search.tool.hwnd = owner;
    search.tool.uId = reinterpret_cast<UINT_PTR>(control);
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND candidate, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            wchar_t name[64]{};
            ::GetClassNameW(candidate, name, 64);
            if (::lstrcmpiW(name, TOOLTIPS_CLASSW) != 0 ||
                !::SendMessageW(candidate, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&s.tool))) {
                return TRUE;
            }
            s.found = candidate;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A window over a prepared folder, not yet scanned.
class MainWindowTest : public varnel::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        data.Folder(L"tree\\big\\inner");
        data.Folder(L"tree\\empty");
        data.Folder(L"tree\\same");
        data.File(L"tree\\big\\a.bin", 5000);
        data.File(L"tree\\big\\inner\\deep.bin", 3000);
        data.File(L"tree\\same\\x.bin", 1000);
        data.File(L"tree\\b.bin", 1000);
        data.File(L"tree\\a.bin", 1000);
        ASSERT_TRUE(Open());
    }
    void ScanFolder() { ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed); }
};

// A window whose scans run on the engines a test hands in.
class MainWindowEngineTest : public varnel::testing::MainWindowFixture {
protected:
    bool OpenWith(const core::ScanEngineFactory& engines) {
        MainWindowOptions options = Options();
        options.scanSession = std::make_unique<app::ScanSession>(engines);
        return Open(std::move(options));
    }
};

TEST_F(MainWindowTest, ScanShowsRowsRankingsAndSummary) {
    ScanFolder();
    const HWND tree = Control(TreeListId);
    ASSERT_EQ(ListView_GetItemCount(tree), 6);
    EXPECT_EQ(ListText(tree, 0, 0), L"tree");
    // Largest first; equal sizes: folders before files, then by name.
    EXPECT_EQ(ListText(tree, 1, 0), L"big");
    EXPECT_EQ(ListText(tree, 2, 0), L"same");
    EXPECT_EQ(ListText(tree, 3, 0), L"a.bin");
    EXPECT_EQ(ListText(tree, 4, 0), L"b.bin");
    EXPECT_EQ(ListText(tree, 5, 0), L"empty");
    EXPECT_EQ(ListText(tree, 1, 3), L"2");
    EXPECT_EQ(ListText(tree, 3, 3), L"") << "files have no counts";
    EXPECT_EQ(ListText(tree, 1, 5), data.At(L"tree\\big"));

    const HWND files = Control(LargestFilesListId);
    ASSERT_EQ(ListView_GetItemCount(files), 5);
    EXPECT_EQ(ListText(files, 0, 2), L"a.bin");
    EXPECT_EQ(ListText(files, 0, 3), data.At(L"tree\\big\\a.bin"));
    EXPECT_EQ(ListText(files, 1, 2), L"deep.bin");
    const HWND folders = Control(LargestFoldersListId);
    ASSERT_EQ(ListView_GetItemCount(folders), 4);
    EXPECT_EQ(ListText(folders, 0, 4), data.At(L"tree\\big"));

    const std::wstring summary = StatusText(0);
    EXPECT_EQ(summary.rfind(L"Completed", 0), 0u) << std::string(summary.begin(), summary.end());
    EXPECT_TRUE(::IsWindowEnabled(Control(ScanButtonId)));
    EXPECT_FALSE(::IsWindowEnabled(Control(CancelButtonId)));
    EXPECT_FALSE(::IsWindowEnabled(Control(OpenButtonId))) << "nothing selected in the rankings";
}

TEST_F(MainWindowTest, AClickOnTheExpanderBoxExpands) {
    ScanFolder();
    const HWND tree = Control(TreeListId);
    // A click on the expander box of "big" expands it; a click beside it does not.
    RECT bounds{};
    ListView_GetItemRect(tree, 1, &bounds, LVIR_BOUNDS);
    const int dpi = static_cast<int>(window->Dpi());
    const auto click = [&](int x) {
        NMITEMACTIVATE activate{};
        activate.hdr.hwndFrom = tree;
        activate.hdr.idFrom = TreeListId;
        activate.hdr.code = NM_CLICK;
        activate.iItem = 1;
        activate.ptAction = {x, (bounds.top + bounds.bottom) / 2};
        ::SendMessageW(window->Handle(), WM_NOTIFY, TreeListId, reinterpret_cast<LPARAM>(&activate));
    };
    const int boxLeft = bounds.left + MulDiv(6 + 18, dpi, 96);
    click(boxLeft + MulDiv(5, dpi, 96));
    EXPECT_EQ(ListView_GetItemCount(tree), 8);
    click(boxLeft + MulDiv(40, dpi, 96));
    EXPECT_EQ(ListView_GetItemCount(tree), 8);
}

TEST_F(MainWindowTest, DpiChangeKeepsThePaneProportions) {
    const auto leftShare = [&] {
        RECT client;
        ::GetClientRect(window->Handle(), &client);
        const int room = client.right - 3 * MulDiv(8, static_cast<int>(window->Dpi()), 96) -
                         MulDiv(6, static_cast<int>(window->Dpi()), 96);
        return static_cast<double>(window->Panes().leftWidth) / room;
    };
    const double before = leftShare();
    ASSERT_EQ(window->Dpi(), 96u);
    RECT suggested;
    ::GetWindowRect(window->Handle(), &suggested);
    suggested.right = suggested.left + (suggested.right - suggested.left) * 3 / 2;
    suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * 3 / 2;
    ::SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window->Dpi(), 144u);
    EXPECT_NEAR(leftShare(), before, 0.01);
    // The numbers' widths follow the DPI; the name takes the rest of the list.
    const HWND tree = Control(TreeListId);
    EXPECT_EQ(ListView_GetColumnWidth(tree, 2), 165);
    RECT client{};
    ::GetClientRect(tree, &client);
    int total = 0;
    for (int column = 0; column < 6; ++column) total += ListView_GetColumnWidth(tree, column);
    EXPECT_EQ(total, client.right);
}

// Closes whatever pop-up menu is open, from a timer that fires inside the
// menu's own loop; counts how many it closed.
int g_menusClosed = 0;
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    ++g_menusClosed;
    ::EndMenu();
}

// Keys as a keyboard-only user presses them, through the program's own
// keyboard handling: accelerators, dialog navigation, the tree's keys.
TEST_F(MainWindowTest, KeyboardScansNavigatesAndWorksTheTree) {
    const auto keyboard = [&](MSG& message) { return window->TranslateKeyboard(message); };
    const auto press = [&](UINT key, bool shift = false) {
        varnel::testing::PressKey(keyboard, window->Handle(), key, shift);
    };
    window->ChooseFolder(data.At(L"tree"));
    ::SetFocus(Control(PathBoxId));
    press(VK_F5);
    WaitWhile([&] { return window->Result().status == core::ScanStatus::None; }, keyboard);
    ASSERT_EQ(window->Result().status, core::ScanStatus::Completed) << "F5 scans";

    // Tab visits the enabled controls in reading order and comes round again.
    ::SetFocus(Control(PathBoxId));
    std::vector<int> visited;
    for (int i = 0; i < 8; ++i) {
        press(VK_TAB);
        visited.push_back(::GetDlgCtrlID(::GetFocus()));
    }
    EXPECT_EQ(visited, (std::vector<int>{FolderButtonId, ScanButtonId, TreeListId, LargestFilesListId,
                                         LargestFoldersListId, TreemapPaneId,
                                         ::GetDlgCtrlID(window->FileTypes().List()), PathBoxId}))
        << "Cancel and Open are disabled";

    const HWND tree = Control(TreeListId);
    const std::uint64_t big = window->Tree().Rows()[1].node;
    window->SelectTreeNode(big);
    press(VK_RIGHT);
    EXPECT_EQ(ListView_GetItemCount(tree), 8) << "Right expands";
    press(VK_RIGHT);
    EXPECT_EQ(window->SelectedNode(), window->Tree().Rows()[2].node) << "then moves to the first child";
    press(VK_LEFT);
    EXPECT_EQ(window->SelectedNode(), big) << "Left on a file moves to its folder";
    press(VK_LEFT);
    EXPECT_EQ(ListView_GetItemCount(tree), 6) << "then collapses it";
    window->SelectTreeNode(window->Result().rootIndex);
    press(VK_MULTIPLY);
    EXPECT_EQ(static_cast<std::size_t>(ListView_GetItemCount(tree)), window->Result().nodes.size()) << "* opens all";
    press(VK_SUBTRACT);
    EXPECT_EQ(ListView_GetItemCount(tree), 1);
    press(VK_ADD);
    EXPECT_EQ(static_cast<std::size_t>(ListView_GetItemCount(tree)), window->Result().nodes.size())
        << "the folders below keep their state";

    g_menusClosed = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseMenu);
    press(VK_F10, true);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_menusClosed, 1) << "Shift+F10 opens the context menu of the tree";
}

// "u_v.bin" reaches lower than "u v.bin", by its underscore, which must
// not be lost on the row's bottom edge.
TEST_F(MainWindowTest, AnUnderscoreInANameIsDrawnAndACutNameHasATooltip) {
    data.Folder(L"names");
    data.File(L"names\\u v.bin", 100);
    data.File(L"names\\u_v.bin", 100);
    Scan(data.At(L"names"));
    const HWND tree = Control(TreeListId);
    ::UpdateWindow(tree);
    const int width = ListView_GetColumnWidth(tree, 0);
    HDC dc = ::GetDC(tree);
    const auto lowestInk = [&](int row) {
        RECT bounds{};
        ListView_GetItemRect(tree, row, &bounds, LVIR_BOUNDS);
        const COLORREF background = ::GetPixel(dc, bounds.left + width - 3, bounds.top + 2);
        int lowest = -1;
        for (int y = 0; y < bounds.bottom - bounds.top - 1; ++y) {
            // Right of the expander and the icon, which both rows share.
            for (int x = bounds.left + MulDiv(62, static_cast<int>(window->Dpi()), 96); x < bounds.left + width - 3; ++x) {
                lowest = ::GetPixel(dc, x, bounds.top + y) != background ? y : lowest;
            }
        }
        return lowest;
    };
    const int plain = lowestInk(1);
    const int underscored = lowestInk(2);
    ::ReleaseDC(tree, dc);
    EXPECT_GT(underscored, plain) << "the underscore is drawn";
    RECT first{};
    RECT second{};
    ListView_GetItemRect(tree, 1, &first, LVIR_BOUNDS);
    ListView_GetItemRect(tree, 2, &second, LVIR_BOUNDS);

    // A name cut by a narrow column is shown whole in the tooltip.
    ListView_SetColumnWidth(tree, 0, 40);
    POINT over{first.left + 30, (second.top + second.bottom) / 2};
    ::ClientToScreen(tree, &over);
    ::SetCursorPos(over.x, over.y);
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = FindTip(window->Handle(), tree);
    info.hdr.code = TTN_GETDISPINFOW;
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(tree);
    ::SendMessageW(window->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(std::wstring(info.lpszText != nullptr ? info.lpszText : L""), L"u_v.bin");
}

TEST_F(MainWindowTest, APathTheBoxCutsIsShownWholeInItsTooltip) {
    std::wstring deep = L"tree";
    for (int level = 0; level < 5; ++level) {
        deep += L"\\a_rather_long_folder_name_" + std::to_wstring(level);
    }
    data.Folder(deep);
    const HWND tip = FindTip(window->Handle(), Control(PathBoxId));
    ASSERT_NE(tip, nullptr);
    const auto tipText = [&] {
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = tip;
        info.hdr.code = TTN_GETDISPINFOW;
        info.hdr.idFrom = reinterpret_cast<UINT_PTR>(Control(PathBoxId));
        ::SendMessageW(window->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        return std::wstring(info.lpszText != nullptr ? info.lpszText : L"");
    };
    window->ChooseFolder(data.At(deep));
    EXPECT_EQ(tipText(), L"Folder:\u00A0" + data.At(deep));
    ::SendMessageW(Control(PathBoxId), CB_SETCURSEL, 0, 0);
    EXPECT_EQ(tipText(), L"") << "\"All local drives\" fits";
}

TEST_F(MainWindowEngineTest, AFailedScanShowsTheEnginesSentenceBesideTheSummary) {
    ASSERT_TRUE(OpenWith(varnel::testing::EveryRootTo(
        [](const std::wstring& path, core::ScanCancellationToken&, const core::ScanProgressCallback&) {
            return core::MakeFailedResult(path, L"NTFS volume could not be opened.", 0);
        })));
    ASSERT_EQ(Scan(settings.Path()), core::ScanStatus::Failed);
    EXPECT_EQ(StatusText(StatusNoticePart), L"NTFS volume could not be opened.");
    EXPECT_EQ(ListView_GetItemCount(Control(TreeListId)), 0);
}

// A control the system refuses to make fails the window: none without Scan.
LRESULT CALLBACK RefuseTheScanButton(int code, WPARAM wParam, LPARAM lParam) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    if (code == HCBT_CREATEWND && create->lpcs->hMenu == reinterpret_cast<HMENU>(ScanButtonId)) return 1;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowEngineTest, AControlThatCannotBeMadeFailsTheWindow) {
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, &RefuseTheScanButton, nullptr, ::GetCurrentThreadId());
    EXPECT_FALSE(Open());
    ::UnhookWindowsHookEx(hook);
}

// Esc stops a scan; what it counted so far is marked incomplete and ranked
// at once, without a click.
TEST_F(MainWindowEngineTest, EscStopsAScanAndItsNumbersAreMarkedAndRanked) {
    data.Folder(L"data");
    data.File(L"data\\a.bin", 100);
    // Runs until cancelled, then reports the whole folder as what it got.
    ASSERT_TRUE(OpenWith(varnel::testing::EveryRootTo([](const std::wstring& path, core::ScanCancellationToken& token,
                                                         const core::ScanProgressCallback& progress) {
        while (!token.IsCancelled()) ::Sleep(10);
        core::ScanCancellationToken untouched;
        core::ScanResult result = core::SystemScanEngines().createNtQueryEngine(0)->Scan(path, untouched, progress);
        result.status = core::ScanStatus::Cancelled;
        return result;
    })));
    const auto keyboard = [&](MSG& message) { return window->TranslateKeyboard(message); };
    window->ChooseFolder(data.At(L"data"));
    varnel::testing::PressKey(keyboard, window->Handle(), VK_F5);
    varnel::testing::PressKey(keyboard, window->Handle(), VK_ESCAPE);
    WaitWhile([&] { return window->Result().status == core::ScanStatus::None; }, keyboard);
    ASSERT_EQ(window->Result().status, core::ScanStatus::Cancelled);
    EXPECT_EQ(ListText(Control(TreeListId), 0, 0), L"data (incomplete)");
    EXPECT_EQ(ListView_GetItemCount(Control(LargestFilesListId)), 1);
    EXPECT_EQ(StatusText(0).rfind(L"Canceled (incomplete) - ", 0), 0u);
}

// The main window's buttons in every language, at this process's DPI (96,
// and 144 in the child run of the dialog tests), in a window at its
// minimum size: every text fits and nothing leaves the window.
// Named for the child run of the dialog tests, which picks it by its name.
class MainWindowTextFit : public varnel::testing::MainWindowFixture {};

TEST_F(MainWindowTextFit, EveryTranslationFitsAtTheMinimumSize) {
    ASSERT_TRUE(Open());
    for (int language = 0; language < static_cast<int>(i18n::LanguageCatalog.size()); ++language) {
        Command(FirstLanguageCommandId + language);
        MINMAXINFO limits{};
        ::SendMessageW(window->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        ::SetWindowPos(window->Handle(), nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
                       SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        const std::wstring code(i18n::LanguageCatalog[static_cast<std::size_t>(language)].code);
        varnel::testing::ExpectTextsFit(window->Handle(), std::string(code.begin(), code.end()));
    }
}

// The number cells of the three lists: each lies inside its list, and is
// shown whole or cut with an ellipsis and a tooltip that shows it whole
// (`whole`: the tree's are never cut at all; the narrower rankings may be,
// visibly, in a long language at 144 DPI).
// Returns how many ranking titles were cut.
int ExpectNumbersShown(HWND window, bool whole, const std::string& where) {
    int cutTitles = 0;
    for (int listIndex = 0; listIndex < 3; ++listIndex) {
        const HWND list = ::GetDlgItem(window, TreeListId + listIndex);
        RECT client{};
        ::GetClientRect(list, &client);
        HDC dc = ::GetDC(list);
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));  // released below
        const int rows = std::min(ListView_GetItemCount(list), ListView_GetTopIndex(list) + ListView_GetCountPerPage(list));
        const auto columns = ColumnsOf(listIndex);
        for (int row = ListView_GetTopIndex(list); row < rows; ++row) {
            for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
                const int width = ListView_GetColumnWidth(list, column);
                if (!columns[static_cast<std::size_t>(column)].number || width == 0) continue;
                RECT cell{};
                ListView_GetSubItemRect(list, row, column, LVIR_BOUNDS, &cell);
                if (column == 0) cell.right = cell.left + width;  // column 0's bounds span the row
                EXPECT_LE(cell.right, client.right) << where << ": list " << listIndex << " column " << column
                                                    << " reaches past the list's edge";
                const std::wstring text = ListText(list, row, column);
                SIZE size{};
                ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
                if (size.cx <= width - 2 * ScaleForDpi(CellPadding, ::GetDpiForWindow(window))) continue;
                EXPECT_FALSE(whole && listIndex == 0) << where << ": tree column " << column << " cuts " << size.cx;
                POINT over{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
                ::ClientToScreen(list, &over);
                ::SetCursorPos(over.x, over.y);
                NMTTDISPINFOW info{};
                info.hdr.hwndFrom = FindTip(window, list);
                info.hdr.code = TTN_GETDISPINFOW;
                info.hdr.idFrom = reinterpret_cast<UINT_PTR>(list);
                ::SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
                EXPECT_EQ(std::wstring(info.lpszText != nullptr ? info.lpszText : L""), text)
                    << where << ": a cut number has its tooltip, list " << listIndex << " row " << row << " column "
                    << column;
            }
        }
        ::ReleaseDC(list, dc);
    }
    // A ranking's title cut to its width is shown whole in the same tooltip.
    for (const int id : {LargestFilesTitleId, LargestFoldersTitleId}) {
        const HWND title = ::GetDlgItem(window, id);
        const std::wstring text = varnel::testing::WindowText(title);
        RECT client{};
        ::GetClientRect(title, &client);
        SIZE size{};
        HDC dc = ::GetDC(title);
        const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(title, WM_GETFONT, 0, 0)));
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, previous);
        ::ReleaseDC(title, dc);
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = FindTip(window, title);
        info.hdr.code = TTN_GETDISPINFOW;
        info.hdr.idFrom = reinterpret_cast<UINT_PTR>(title);
        ::SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(std::wstring(info.lpszText != nullptr ? info.lpszText : L""), size.cx > client.right ? text : L"")
            << where << ": the title " << id << " (" << size.cx << " of " << client.right << " pixels)";
        cutTitles += size.cx > client.right ? 1 : 0;
    }
    return cutTitles;
}

// Every list's numbers in every language, at the default size (the tree's
// whole) and at the minimum size (whole or visibly cut), over a result with
// wide numbers.
TEST_F(MainWindowTextFit, EveryNumberIsInViewAndWholeOrVisiblyCut) {
    MainWindowOptions options = Options();
    options.scanSession = std::make_unique<app::ScanSession>(varnel::testing::EveryRootTo(
        [](const std::wstring& path, core::ScanCancellationToken&, const core::ScanProgressCallback&) {
            core::ScanTreeBuilder b;
            const auto root = b.AddRoot(path, core::FileAttributeDirectory, 0);
            const auto wide = b.AddFolder(root, L"wide", core::FileAttributeDirectory, 0);
            const auto many = b.AddFolder(root, L"many", core::FileAttributeDirectory, 0);
            for (int i = 0; i < 12'345; ++i) b.AddFile(wide, L"f" + std::to_wstring(i), 0, {987'654'321'098, 0}, 0);
            for (int i = 0; i < 1'234; ++i) b.AddFolder(many, L"d" + std::to_wstring(i), core::FileAttributeDirectory, 0);
            b.ComputeTotals();
            return b.FinishResult(core::ScanStatus::Completed, path, 0);
        }));
    ASSERT_TRUE(Open(std::move(options)));
    // A name the rankings' titles have no room for at the minimum size.
    data.Folder(L"a_folder_whose_name_is_longer_than_any_ranking_title_has_room_for");
    ASSERT_EQ(Scan(data.At(L"a_folder_whose_name_is_longer_than_any_ranking_title_has_room_for")),
              core::ScanStatus::Completed);
    int cutTitles = 0;
    RECT initial{};
    ::GetWindowRect(window->Handle(), &initial);
    for (int language = 0; language < static_cast<int>(i18n::LanguageCatalog.size()); ++language) {
        Command(FirstLanguageCommandId + language);
        const std::wstring wideCode(i18n::LanguageCatalog[static_cast<std::size_t>(language)].code);
        const std::string code(wideCode.begin(), wideCode.end());
        ::SetWindowPos(window->Handle(), nullptr, 0, 0, initial.right - initial.left, initial.bottom - initial.top,
                       SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        ExpectNumbersShown(window->Handle(), true, code + " at the default size");
        MINMAXINFO limits{};
        ::SendMessageW(window->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        ::SetWindowPos(window->Handle(), nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
                       SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        cutTitles += ExpectNumbersShown(window->Handle(), false, code + " at the minimum size");
    }
    EXPECT_GT(cutTitles, 0) << "a cut title was looked at";
}

// Reads some of the records of a volume, then waits to be cancelled; a
// folder named "shown" it scans for real.
core::ScanResult ReadHalfThenWait(const std::wstring& path, core::ScanCancellationToken& token,
                                  const core::ScanProgressCallback& progress) {
    if (path.ends_with(L"shown")) return core::SystemScanEngines().createNtQueryEngine(0)->Scan(path, token, progress);
    core::ScanProgress report;
    report.filesScanned = 7;
    report.bytesFound = 3 * 1024 * 1024;
    report.recordsRead = 50;
    report.recordCount = 200;
    progress(report);
    while (!token.IsCancelled()) ::Sleep(10);
    core::ScanResult result;
    result.status = core::ScanStatus::Cancelled;
    result.rootPath = path;
    return result;
}

TEST_F(MainWindowEngineTest, BarTaskbarAndStatusShowTheKnownShareUntilTheScanEnds) {
    data.Folder(L"data");
    data.Folder(L"shown");
    data.File(L"shown\\a.bin", 100);
    ASSERT_TRUE(OpenWith(varnel::testing::EveryRootTo(ReadHalfThenWait)));
    ASSERT_EQ(Scan(data.At(L"shown")), core::ScanStatus::Completed);
    window->ChooseFolder(data.At(L"data"));
    Command(ScanButtonId);
    WaitWhile([&] { return window->ProgressBar().ShownPercent() != 25; });
    EXPECT_EQ(window->ProgressBar().ShownPercent(), 25);
    EXPECT_EQ(window->ProgressBar().TaskbarState(), TaskbarProgressState::Normal);
    const std::wstring text = WindowText(Control(StatusBarId));
    EXPECT_NE(text.find(L"Found:\u00A03.0 MB"), std::wstring::npos);
    EXPECT_NE(text.find(L"25\u00A0%"), std::wstring::npos);
    // The result shown before went when the scan started; another theme or
    // language brings none of it back.
    EXPECT_TRUE(window->Result().nodes.empty());
    Command(FirstThemeCommandId + static_cast<int>(*FindThemePosition(L"Dark")));
    Command(FirstLanguageCommandId);
    EXPECT_EQ(ListView_GetItemCount(Control(TreeListId)), 0);
    EXPECT_EQ(WindowText(window->Handle()).find(L" - "), std::wstring::npos);

    Command(CancelButtonId);
    WaitWhile([&] { return window->Result().status == core::ScanStatus::None; });
    EXPECT_FALSE(window->ProgressBar().IsShown());
    EXPECT_EQ(window->ProgressBar().TaskbarState(), TaskbarProgressState::None);
}

// Settings > Size on disk turns every size, share and ranking over at once;
// the summary keeps both totals and, for a drive, its space. The first listed
// drive holds a long sparse file and a short one spread over clusters.
TEST_F(MainWindowEngineTest, SizeOnDiskTurnsEverySizeOverAndSummaryShowsTheDrive) {
    MainWindowOptions options = Options();
    options.scanSession = std::make_unique<app::ScanSession>(varnel::testing::EveryRootTo(
        [](const std::wstring& path, core::ScanCancellationToken&, const core::ScanProgressCallback&) {
            core::ScanTreeBuilder b;
            const auto root = b.AddRoot(path, core::FileAttributeDirectory, 0);
            b.AddFile(root, L"long.bin", 0, {100000, 4096}, 0);
            b.AddFile(root, L"spread.bin", 0, {3000, 16384}, 0);
            b.ComputeTotals();
            return b.FinishResult(core::ScanStatus::Completed, path, 0);
        }));
    options.driveSpace = [](const std::wstring&) { return platform::DriveQueries::Space{1 << 20, 1 << 19}; };
    ASSERT_TRUE(Open(std::move(options)));
    ::SendMessageW(Control(PathBoxId), CB_SETCURSEL, 1, 0);
    Command(ScanButtonId);
    WaitWhile([&] { return window->Result().status == core::ScanStatus::None; });
    const std::wstring summary = StatusText(StatusMainPart);
    EXPECT_EQ(summary.rfind(L"Completed - Files:\u00A02, ", 0), 0u);
    EXPECT_TRUE(summary.ends_with(L"\u00A0ms, Found:\u00A0100.6 KB, On disk:\u00A020.0 KB, Used on the drive:\u00A0"
                                  L"512.0 KB, Free:\u00A0512.0 KB, Not listed by the scan:\u00A0492.0 KB"))
        << summary;
    // The largest row's name, share and size in the tree, then in the files ranking.
    using Cells = std::vector<std::wstring>;
    const auto cells = [&] {
        const HWND tree = Control(TreeListId), files = Control(LargestFilesListId);
        return Cells{ListText(tree, 1, 0),  ListText(tree, 1, 1),  ListText(tree, 1, 2),
                     ListText(files, 0, 2), ListText(files, 0, 0), ListText(files, 0, 1)};
    };
    EXPECT_EQ(cells(), (Cells{L"long.bin", L"97.1 %", L"97.7 KB", L"long.bin", L"97.1 %", L"97.7 KB"}));
    Command(SizeOnDiskCommandId);
    EXPECT_EQ(cells(), (Cells{L"spread.bin", L"80.0 %", L"16.0 KB", L"spread.bin", L"80.0 %", L"16.0 KB"}));
    EXPECT_NE(::GetMenuState(::GetMenu(window->Handle()), SizeOnDiskCommandId, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(StatusText(StatusMainPart), summary) << "both totals either way";
}

TEST_F(MainWindowEngineTest, PlacementSplittersColumnsSortSizeAndFolderComeBackAtTheNextStart) {
    data.File(L"a.bin", 100);
    const RECT frame{40, 30, 40 + 900, 30 + 640};
    ASSERT_TRUE(Open());
    ::SetWindowPos(window->Handle(), nullptr, frame.left, frame.top, frame.right - frame.left,
                   frame.bottom - frame.top, SWP_NOZORDER);
    Scan(data.Path());
    EXPECT_EQ(WindowText(window->Handle()).rfind(data.Path() + L" - Varnel", 0), 0u);
    ListView_SetColumnWidth(Control(TreeListId), 2, 100);
    window->ToggleSort();
    Command(SizeOnDiskCommandId);
    const app::WindowMemory left = window->CurrentWindowMemory();
    ::DestroyWindow(window->Handle());
    Close();
    EXPECT_FALSE(left.sortDescending);
    EXPECT_TRUE(left.showSizeOnDisk);

    ASSERT_TRUE(Open());
    EXPECT_EQ(window->Settings().window, left);
    RECT restored{};
    ::GetWindowRect(window->Handle(), &restored);
    EXPECT_TRUE(::EqualRect(&restored, &frame)) << restored.left << "," << restored.top << " " << restored.right;
    const int scaled100 = ScaleForDpi(static_cast<int>(std::lround(100 * 96.0 / window->Dpi())), window->Dpi());
    EXPECT_EQ(ListView_GetColumnWidth(Control(TreeListId), 2), scaled100);
    EXPECT_EQ(WindowText(window->Handle()).find(L" - "), std::wstring::npos) << "no result shown yet";
    wchar_t selected[MAX_PATH * 2]{};
    const HWND pathBox = Control(PathBoxId);
    ::SendMessageW(pathBox, CB_GETLBTEXT, ::SendMessageW(pathBox, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(selected));
    EXPECT_NE(std::wstring(selected).find(data.Path()), std::wstring::npos);
}

}  // namespace
}  // namespace varnel::ui
