#include "ui/search/SearchWindow_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <numeric>

#include "i18n/Formatting.h"
#include "ui/lists/NaturalCompare_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/theme/ThemeApply_win.h"
#include "ui/view/RowColours.h"
#include "ui/window/MainWindowIds.h"

namespace varnel::ui {
namespace {

enum SearchControlId : int {
    PatternId = 101,
    MinimumSizeId,
    AfterId,
    BeforeId,
    StopId,
    MatchListId,
    StatusId,
};

enum Column : int { NameColumn, SizeColumn, ModifiedColumn, PathColumn };
constexpr const char* ColumnKeys[] = {"column.file_name", "column.size", "column.modified", "column.full_path"};
constexpr int ColumnWidths[] = {220, 100, 150, 420};  // at 96 DPI

// Sizes at 96 DPI.
constexpr int Margin = 8;
constexpr int Gap = 6;
constexpr int RowHeight = 24;
constexpr int ButtonWidth = 90;
constexpr int SizeBoxWidth = 90;
constexpr int DateBoxWidth = 130;

constexpr std::uint64_t BytesPerMegabyte = 1024 * 1024;

// The first instant of the day the picker shows, in local time, as a
// FILETIME; 0 when the picker's box is unticked.
std::uint64_t PickedDay(HWND picker) {
    SYSTEMTIME local{};
    if (DateTime_GetSystemtime(picker, &local) != GDT_VALID) {
        return 0;
    }
    local.wHour = local.wMinute = local.wSecond = local.wMilliseconds = 0;
    SYSTEMTIME utc{};
    FILETIME time{};
    if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !::SystemTimeToFileTime(&utc, &time)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::wstring ControlText(HWND control) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

SearchWindow::~SearchWindow() {
    Stop();
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::DestroyWindow(window_);
    }
}

int SearchWindow::Scale(int value) const {
    const UINT dpi = window_ != nullptr ? ::GetDpiForWindow(window_) : 96;
    return ::MulDiv(value, dpi == 0 ? 96 : static_cast<int>(dpi), 96);
}

bool SearchWindow::Show(HWND owner, HINSTANCE instance, HFONT font, std::wstring locale) {
    font_ = font;
    locale_ = std::move(locale);
    if (window_ == nullptr) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &SearchWindow::WindowProcedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        windowClass.lpszClassName = SearchWindowClassName;
        if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return false;
        }
        owner_ = owner;
        const std::wstring title = localizer_.Translate("dialog.search.title");
        if (::CreateWindowExW(0, SearchWindowClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 900, 560, owner, nullptr, instance, this) == nullptr) {
            return false;
        }
        if (!CreateControls(instance)) {
            ::DestroyWindow(window_);
            return false;
        }
        if (palette_) SetPalette(*palette_);
        const UINT dpi = ::GetDpiForWindow(window_);
        RECT placed{};
        ::GetWindowRect(window_, &placed);
        ::SetWindowPos(window_, nullptr, 0, 0, ::MulDiv(900, static_cast<int>(dpi), 96),
                       ::MulDiv(560, static_cast<int>(dpi), 96), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    ::SetFocus(pattern_);
    Edit_SetSel(pattern_, 0, -1);
    return true;
}

bool SearchWindow::CreateControls(HINSTANCE instance) {
    const auto make = [&](const wchar_t* className, const std::wstring& text, DWORD style, int id, DWORD exStyle = 0) {
        return ::CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                                 window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    const auto label = [&](const char* key) {
        const HWND made = make(WC_STATICW, localizer_.Translate(key), SS_LEFT | SS_CENTERIMAGE, -1);
        labels_.push_back(made);
        return made;
    };
    // Created in the order Tab visits them; each label just before its box.
    label("dialog.search.pattern");
    pattern_ = make(WC_EDITW, L"*", WS_TABSTOP | ES_AUTOHSCROLL, PatternId, WS_EX_CLIENTEDGE);
    searchButton_ = make(WC_BUTTONW, localizer_.Translate("dialog.search.start"), WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
    stopButton_ = make(WC_BUTTONW, localizer_.Translate("dialog.search.stop"), WS_TABSTOP | BS_PUSHBUTTON, StopId);
    label("dialog.search.minimum_size");
    minimumSize_ = make(WC_EDITW, L"", WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, MinimumSizeId, WS_EX_CLIENTEDGE);
    label("dialog.search.modified_after");
    after_ = make(DATETIMEPICK_CLASSW, L"", WS_TABSTOP | DTS_SHORTDATEFORMAT | DTS_SHOWNONE, AfterId);
    label("dialog.search.modified_before");
    before_ = make(DATETIMEPICK_CLASSW, L"", WS_TABSTOP | DTS_SHORTDATEFORMAT | DTS_SHOWNONE, BeforeId);
    list_ = make(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                 MatchListId, WS_EX_CLIENTEDGE);
    status_ = make(WC_STATICW, L"", SS_LEFT | SS_ENDELLIPSIS, StatusId);
    if (pattern_ == nullptr || minimumSize_ == nullptr || after_ == nullptr || before_ == nullptr ||
        searchButton_ == nullptr || stopButton_ == nullptr || list_ == nullptr || status_ == nullptr) {
        return false;
    }
    for (HWND picker : {after_, before_}) {
        DateTime_SetSystemtime(picker, GDT_NONE, nullptr);
    }
    ::EnableWindow(stopButton_, FALSE);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int column = 0; column < static_cast<int>(std::size(ColumnKeys)); ++column) {
        std::wstring text = localizer_.Translate(ColumnKeys[column]);
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        entry.fmt = column == SizeColumn ? LVCFMT_RIGHT : LVCFMT_LEFT;
        entry.cx = Scale(ColumnWidths[column]);
        entry.pszText = text.data();
        ListView_InsertColumn(list_, column, &entry);
    }
    const auto setFont = [](HWND child, LPARAM font) -> BOOL {
        ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
        return TRUE;
    };
    ::EnumChildWindows(window_, setFont, reinterpret_cast<LPARAM>(font_));
    ShowStatus();
    Layout();
    return true;
}

void SearchWindow::Layout() {
    if (list_ == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(window_, &client);
    const int margin = Scale(Margin);
    const int gap = Scale(Gap);
    const int row = Scale(RowHeight);
    // Labels as wide as their text in this font, so every language fits.
    std::vector<int> labelWidths;
    for (HWND label : labels_) {
        labelWidths.push_back(TextWidthInControl(label, ControlText(label)) + Scale(4));
    }
    const auto place = [](HWND control, int x, int y, int width, int height) {
        ::MoveWindow(control, x, y, std::max(width, 0), height, FALSE);
    };
    int y = margin;
    int x = margin;
    const int buttons = 2 * Scale(ButtonWidth) + gap;
    place(labels_[0], x, y, labelWidths[0], row);
    x += labelWidths[0] + gap;
    place(pattern_, x, y, client.right - margin - buttons - gap - x, row);
    place(searchButton_, client.right - margin - buttons, y, Scale(ButtonWidth), row);
    place(stopButton_, client.right - margin - Scale(ButtonWidth), y, Scale(ButtonWidth), row);
    y += row + gap;
    x = margin;
    const HWND boxes[] = {minimumSize_, after_, before_};
    const int boxWidths[] = {Scale(SizeBoxWidth), Scale(DateBoxWidth), Scale(DateBoxWidth)};
    for (int i = 0; i < 3; ++i) {
        place(labels_[static_cast<std::size_t>(i) + 1], x, y, labelWidths[static_cast<std::size_t>(i) + 1], row);
        x += labelWidths[static_cast<std::size_t>(i) + 1] + gap;
        place(boxes[i], x, y, boxWidths[i], row);
        x += boxWidths[i] + 2 * gap;
    }
    y += row + gap;
    const int statusHeight = row;
    place(list_, margin, y, client.right - 2 * margin, client.bottom - y - margin - statusHeight - gap);
    place(status_, margin, client.bottom - margin - statusHeight, client.right - 2 * margin, statusHeight);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
}

LRESULT SearchWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: Layout(); return 0;
        case WM_COMMAND: return OnCommand(LOWORD(wParam));
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_CONTEXTMENU: return OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_ERASEBKGND: return OnEraseBackground(reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: return OnControlColour(message, reinterpret_cast<HDC>(wParam));
        case WM_CLOSE: Stop(); ::ShowWindow(window_, SW_HIDE); return 0;
        case SearchBatchMessage: return OnBatch(wParam);
        case WM_DPICHANGED: {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                           suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        default: return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

bool SearchWindow::TranslateKeyboard(MSG& message) {
    if (window_ == nullptr || (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    return ::IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT SearchWindow::OnCommand(int id) {
    switch (id) {
        case IDOK: StartFromControls(); return 0;
        case StopId: Stop(); ShowStatus(); return 0;
        case IDCANCEL: ::SendMessageW(window_, WM_CLOSE, 0, 0); return 0;
        default: return 0;
    }
}

void SearchWindow::StartFromControls() {
    core::SearchCriteria criteria;
    criteria.pattern = ControlText(pattern_);
    const std::wstring megabytes = ControlText(minimumSize_);
    if (!megabytes.empty() && megabytes.size() <= 9) {
        criteria.minimumSize = std::stoull(megabytes) * BytesPerMegabyte;
    }
    criteria.modifiedAfter = PickedDay(after_);
    criteria.modifiedBefore = PickedDay(before_);
    Start(criteria);
}

void SearchWindow::Start(const core::SearchCriteria& criteria) {
    Stop();
    criteria_ = criteria;
    criteria_.measure = lists_.Measure();
    hasSearched_ = true;
    matches_.clear();
    matchedBytes_ = 0;
    finished_ = false;
    cancel_.store(false);
    const WPARAM generation = ++generation_;
    const core::ScanResult& result = lists_.Result();
    const HWND notify = window_;
    worker_ = std::thread([this, &result, generation, notify] {
        const auto announce = [&] {
            if (!posted_ && notify != nullptr) {
                posted_ = true;
                ::PostMessageW(notify, SearchBatchMessage, generation, 0);
            }
        };
        core::SearchNodes(result, criteria_, &cancel_, [&](std::span<const std::uint64_t> batch) {
            const std::lock_guard lock(mutex_);
            arrived_.insert(arrived_.end(), batch.begin(), batch.end());
            announce();
            return true;
        });
        const std::lock_guard lock(mutex_);
        finished_ = true;
        announce();
    });
    if (list_ != nullptr) {
        ListView_SetItemCountEx(list_, 0, 0);
        ::EnableWindow(stopButton_, TRUE);
    }
    ShowStatus();
}

void SearchWindow::Stop() {
    cancel_.store(true);
    if (worker_.joinable()) {
        worker_.join();
    }
    const std::lock_guard lock(mutex_);
    arrived_.clear();
    posted_ = false;
    if (stopButton_ != nullptr) {
        ::EnableWindow(stopButton_, FALSE);
    }
}

void SearchWindow::StopBeforeResultChanges() {
    Stop();
    matches_.clear();
    matchedBytes_ = 0;
    if (list_ != nullptr) {
        ListView_SetItemCountEx(list_, 0, 0);
    }
}

void SearchWindow::ResultChanged() {
    if (hasSearched_ && window_ != nullptr && ::IsWindowVisible(window_)) {
        Start(criteria_);
    }
}

LRESULT SearchWindow::OnBatch(WPARAM generation) {
    if (generation != generation_) {
        return 0;  // from a search stopped since
    }
    bool finished = false;
    {
        const std::lock_guard lock(mutex_);
        for (const std::uint64_t node : arrived_) {
            matchedBytes_ = core::SaturatingAdd(matchedBytes_, core::DisplaySize(lists_.Result().nodes[node], criteria_.measure));
        }
        matches_.insert(matches_.end(), arrived_.begin(), arrived_.end());
        arrived_.clear();
        posted_ = false;
        finished = finished_;
    }
    if (finished && worker_.joinable()) {
        worker_.join();
        ::EnableWindow(stopButton_, FALSE);
    }
    SortMatches();
    if (list_ != nullptr) {
        ListView_SetItemCountEx(list_, static_cast<int>(matches_.size()), LVSICF_NOSCROLL);
        ::InvalidateRect(list_, nullptr, FALSE);
    }
    ShowStatus();
    return 0;
}

void SearchWindow::ShowStatus() {
    if (status_ == nullptr) {
        return;
    }
    std::wstring text;
    if (hasSearched_) {
        text = localizer_.Translate("dialog.search.matches") + i18n::FormatCount(locale_, matches_.size()) + L", " +
               localizer_.Translate("dialog.search.total") + i18n::FormatSize(locale_, matchedBytes_);
        if (IsSearching()) {
            text = localizer_.Translate("dialog.search.searching") + L" " + text;
        }
    }
    ::SetWindowTextW(status_, text.c_str());
}

void SearchWindow::SortMatches() {
    if (sortColumn_ < 0) {
        return;
    }
    const core::ScanTree& nodes = lists_.Result().nodes;
    std::vector<std::wstring> paths;
    if (sortColumn_ == PathColumn) {
        // Derived once each: a path costs a walk up.
        std::vector<std::size_t> order(matches_.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        paths.reserve(matches_.size());
        for (const std::uint64_t node : matches_) paths.push_back(nodes[node].Path());
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const int c = NaturalCompare(paths[a], paths[b]);
            return sortDescending_ ? c > 0 : c < 0;
        });
        std::vector<std::uint64_t> sorted;
        sorted.reserve(order.size());
        for (const std::size_t at : order) sorted.push_back(matches_[at]);
        matches_ = std::move(sorted);
        return;
    }
    std::stable_sort(matches_.begin(), matches_.end(), [&](std::uint64_t a, std::uint64_t b) {
        const core::NodeView x = nodes[a];
        const core::NodeView y = nodes[b];
        int c = 0;
        switch (sortColumn_) {
            case NameColumn: c = NaturalCompare(x.Name(), y.Name()); break;
            case SizeColumn: {
                const auto sx = core::DisplaySize(x, criteria_.measure);
                const auto sy = core::DisplaySize(y, criteria_.measure);
                c = sx < sy ? -1 : sx > sy ? 1 : 0;
                break;
            }
            default: c = x.LastWriteTime() < y.LastWriteTime() ? -1 : x.LastWriteTime() > y.LastWriteTime() ? 1 : 0;
        }
        return sortDescending_ ? c > 0 : c < 0;
    });
}

std::wstring SearchWindow::CellText(std::uint64_t node, int column) const {
    const core::NodeView view = lists_.Result().nodes[node];
    switch (column) {
        case NameColumn: return std::wstring(view.Name());
        case SizeColumn: return i18n::FormatSize(locale_, core::DisplaySize(view, criteria_.measure));
        case ModifiedColumn: return i18n::FormatLocalDateTime(view.LastWriteTime());
        default: return view.Path();
    }
}

void SearchWindow::SetPalette(const ThemePalette& palette) {
    palette_ = palette;
    brushes_.Clear();
    if (list_ != nullptr) {
        ApplyTheme(window_, {list_, nullptr, nullptr}, nullptr, palette);
    }
}

// The window and its fields in the theme's colours, like the main window's
// path box: a dark theme would otherwise show light boxes and labels.
LRESULT SearchWindow::OnEraseBackground(HDC dc) {
    if (!palette_) {
        return ::DefWindowProcW(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    }
    RECT client{};
    ::GetClientRect(window_, &client);
    brushes_.Fill(dc, client, palette_->windowBackground);
    return 1;
}

LRESULT SearchWindow::OnControlColour(UINT message, HDC dc) {
    if (!palette_) {
        return ::DefWindowProcW(window_, message, reinterpret_cast<WPARAM>(dc), 0);
    }
    // An edit box reads as a field on the window: the list's colours.
    const std::uint32_t background =
        message == WM_CTLCOLOREDIT ? palette_->listBackground : palette_->windowBackground;
    ::SetTextColor(dc, ReadableOn(background, palette_->listText));
    ::SetBkColor(dc, background);
    return reinterpret_cast<LRESULT>(brushes_.Brush(background));
}

LRESULT SearchWindow::OnNotify(NMHDR& header) {
    if (palette_ && list_ != nullptr && header.code == NM_CUSTOMDRAW && header.hwndFrom == ListView_GetHeader(list_)) {
        return DrawHeaderCustom(reinterpret_cast<NMCUSTOMDRAW&>(header), *palette_, ::GetDpiForWindow(window_));
    }
    if (palette_ && header.code == NM_CUSTOMDRAW && (header.hwndFrom == searchButton_ || header.hwndFrom == stopButton_)) {
        return DrawButtonCustom(reinterpret_cast<NMCUSTOMDRAW&>(header), *palette_, ::GetDpiForWindow(window_));
    }
    if (header.hwndFrom != list_) {
        return 0;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            const auto row = static_cast<std::size_t>(info.item.iItem);
            if ((info.item.mask & LVIF_TEXT) != 0 && row < matches_.size()) {
                cellText_ = CellText(matches_[row], info.item.iSubItem);
                info.item.pszText = cellText_.data();
            }
            return 0;
        }
        case LVN_COLUMNCLICK: {
            const int column = reinterpret_cast<NMLISTVIEW&>(header).iSubItem;
            sortDescending_ = column == sortColumn_ ? !sortDescending_ : column == SizeColumn || column == ModifiedColumn;
            sortColumn_ = column;
            SortMatches();
            ::InvalidateRect(list_, nullptr, FALSE);
            return 0;
        }
        case NM_DBLCLK: {
            const std::uint64_t node = SelectedMatch();
            if (node != core::NoIndex) lists_.ShowInTree(node);
            return 0;
        }
        default: return 0;
    }
}

std::uint64_t SearchWindow::SelectedMatch() const {
    const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    return row >= 0 && static_cast<std::size_t>(row) < matches_.size() ? matches_[static_cast<std::size_t>(row)]
                                                                         : core::NoIndex;
}

LRESULT SearchWindow::OnContextMenu(int x, int y) {
    const std::uint64_t node = SelectedMatch();
    if (node == core::NoIndex || node >= lists_.Result().nodes.size()) {
        return 0;
    }
    POINT at{x, y};
    if (x == -1 && y == -1) {
        RECT item{};
        ListView_GetItemRect(list_, ListView_GetNextItem(list_, -1, LVNI_SELECTED), &item, LVIR_LABEL);
        at = {item.left, item.bottom};
        ::ClientToScreen(list_, &at);
    }
    // A deletion changes the result: the search runs again through ResultChanged.
    lists_.ShowContextMenuFor(node, at, window_);
    return 0;
}

}  // namespace varnel::ui
