#include "ui/treemap/FileTypesView_win.h"

#include <windowsx.h>

#include <algorithm>

#include "i18n/Formatting.h"
#include "ui/lists/ListCells_win.h"
#include "ui/lists/ListContextTarget_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/theme/ThemeApply_win.h"
#include "ui/view/RowColours.h"

namespace varnel::ui {
namespace {

constexpr int ListId = 1;
constexpr int CellInset = 6;     // at 96 DPI
constexpr int TitlePadding = 6;  // at 96 DPI
constexpr int ShowFilesCommand = 1;

// The columns of the extensions and of the files of one, at 96 DPI.
struct ColumnSpec {
    const char* key;
    int width;
    bool right;
};
constexpr ColumnSpec TypeColumns[] = {{"types.column.extension", 120, false},
                                      {"types.column.group", 150, false},
                                      {"column.share", 110, false},
                                      {"column.size", 90, true},
                                      {"column.files", 80, true}};
constexpr ColumnSpec FileColumns[] = {
    {"column.file_name", 200, false}, {"column.size", 90, true}, {"column.full_path", 360, false}};

void FillSolid(HDC dc, const RECT& rect, std::uint32_t colour) {
    const UniqueBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, brush.get());
}

}  // namespace

FileTypesView::FileTypesView(i18n::Localizer& localizer, FileTypesEvents events)
    : localizer_(localizer), events_(std::move(events)) {}

bool FileTypesView::Create(HWND parent, HINSTANCE instance, int id) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &FileTypesView::WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = FileTypesClassName;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    // A control parent, so that Tab reaches the list inside.
    if (::CreateWindowExW(WS_EX_CONTROLPARENT, FileTypesClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this) == nullptr) {
        return false;
    }
    list_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS,
                              0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ListId)), instance,
                              nullptr);
    if (list_ == nullptr) {
        return false;
    }
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    SetColumns();
    return true;
}

LRESULT FileTypesView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: Layout(); return 0;
        case FileTypesReadyMessage: OnBreakdownReady(); return 0;
        case WM_PAINT: return OnPaint();
        case WM_ERASEBKGND: return 1;
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_CONTEXTMENU: OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            ::SendMessageW(list_, WM_SETFONT, wParam, lParam);
            Layout();
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
        default: return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

void FileTypesView::SetPalette(const ThemePalette& palette) {
    palette_ = palette;
    colours_ = TreemapColoursFor(palette);
    gdi_.Clear();
    if (list_ != nullptr) {
        // Colours, scroll bars and the header as the result lists have them.
        ApplyTheme(window_, {list_, nullptr, nullptr}, nullptr, palette);
    }
}

void FileTypesView::Retranslate() {
    SetColumns();
    ::InvalidateRect(window_, nullptr, FALSE);
}

void FileTypesView::SetColumns() {
    while (ListView_DeleteColumn(list_, 0)) {
    }
    const auto add = [&](const ColumnSpec* specs, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            std::wstring text = localizer_.Translate(specs[i].key);
            if (std::string_view(specs[i].key) == "column.size" && measure_ == core::SizeMeasure::OnDisk) {
                text = localizer_.Translate("column.size_on_disk");
            }
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = specs[i].right ? LVCFMT_RIGHT : LVCFMT_LEFT;
            column.cx = Scale(specs[i].width);
            column.pszText = text.data();
            ListView_InsertColumn(list_, static_cast<int>(i), &column);
        }
    };
    if (showingFiles_) {
        add(FileColumns, std::size(FileColumns));
    } else {
        add(TypeColumns, std::size(TypeColumns));
    }
}

void FileTypesView::Layout() {
    RECT client{};
    ::GetClientRect(window_, &client);
    const HDC dc = ::GetDC(window_);
    TEXTMETRICW metrics{};
    {
        const SelectGuard font(dc, font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
        ::GetTextMetricsW(dc, &metrics);
    }
    ::ReleaseDC(window_, dc);
    const int title = metrics.tmHeight + Scale(TitlePadding);
    ::MoveWindow(list_, 0, title, client.right, std::max<int>(client.bottom - title, 0), TRUE);
    ::InvalidateRect(window_, nullptr, FALSE);
}

std::wstring FileTypesView::TitleText() const {
    if (result_ == nullptr || scope_ >= result_->nodes.size()) {
        return {};
    }
    const std::wstring where = result_->nodes[scope_].Path();
    if (showingFiles_ && types_ != nullptr) {
        const std::wstring& extension = types_->Extension(filesExtension_);
        return localizer_.Translate("types.files_title") +
               (extension.empty() ? localizer_.Translate("types.no_extension") : L"." + extension) + L" \u2014 " + where;
    }
    return localizer_.Translate("types.title") + where;
}

LRESULT FileTypesView::OnPaint() {
    PaintDc paint(window_);
    RECT client{};
    ::GetClientRect(window_, &client);
    RECT list{};
    ::GetWindowRect(list_, &list);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&list), 2);
    RECT title{client.left, client.top, client.right, list.top};
    FillSolid(paint.get(), title, palette_.panelBackground);
    const SavedDcState saved(paint.get());
    ::SelectObject(paint.get(), font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(paint.get(), TRANSPARENT);
    ::SetTextColor(paint.get(), palette_.listText);
    std::wstring text = TitleText();
    title.left += Scale(4);
    ::DrawTextW(paint.get(), text.data(), static_cast<int>(text.size()), &title,
                DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS | DT_NOPREFIX);
    return 0;
}

void FileTypesView::Show(const core::ScanResult* result, const core::FileTypeIndex* types, std::uint64_t scope,
                         core::SizeMeasure measure) {
    const bool measureChanged = measure != measure_;
    result_ = result;
    types_ = types != nullptr && !types->empty() ? types : nullptr;
    scope_ = scope;
    measure_ = measure;
    if (measureChanged) {
        SetColumns();
    }
    Rebuild();
}

void FileTypesView::Clear() {
    worker_.Forget();
    result_ = nullptr;
    types_ = nullptr;
    scope_ = core::NoIndex;
    rows_.clear();
    files_.clear();
    if (showingFiles_) {
        showingFiles_ = false;
        SetColumns();
    }
    ListView_SetItemCountEx(list_, 0, 0);
    ::InvalidateRect(window_, nullptr, FALSE);
}

void FileTypesView::Rebuild() {
    if (result_ != nullptr && types_ != nullptr && scope_ < result_->nodes.size()) {
        worker_.Request({result_, types_, scope_, measure_, showingFiles_, filesExtension_});
        return;
    }
    worker_.Forget();
    rows_.clear();
    files_.clear();
    scopeBytes_ = 0;
    ShowRows();
}

void FileTypesView::OnBreakdownReady() {
    std::optional<TypeBreakdown> ready = worker_.Take();
    if (!ready) {
        return;  // an answer to a request made before the newest one
    }
    rows_ = std::move(ready->rows);
    files_ = std::move(ready->files);
    scopeBytes_ = ready->scopeBytes;
    ShowRows();
}

void FileTypesView::ShowRows() {
    SortRows();
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(list_, static_cast<int>(showingFiles_ ? files_.size() : rows_.size()), 0);
    ::InvalidateRect(list_, nullptr, FALSE);
    ::InvalidateRect(window_, nullptr, FALSE);
    if (events_.extensionSelected) {
        events_.extensionSelected(showingFiles_ ? filesExtension_ : core::FileTypeIndex::None);
    }
}

void FileTypesView::SortRows() {
    if (types_ == nullptr) {
        return;
    }
    const auto key = [&](const core::FileTypeRow& a, const core::FileTypeRow& b) -> int {
        const auto compare = [](auto x, auto y) { return x < y ? -1 : y < x ? 1 : 0; };
        switch (sortColumn_) {
            case 0: return compare(types_->Extension(a.extension), types_->Extension(b.extension));
            case 1: return compare(static_cast<int>(types_->Group(a.extension)), static_cast<int>(types_->Group(b.extension)));
            case 4: return compare(a.files, b.files);
            default: return compare(a.bytes, b.bytes);
        }
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const core::FileTypeRow& a, const core::FileTypeRow& b) {
        const int order = key(a, b);
        return sortDescending_ ? order > 0 : order < 0;
    });
}

void FileTypesView::ShowFilesOf(std::size_t row) {
    if (row >= rows_.size() || result_ == nullptr || types_ == nullptr) {
        return;
    }
    filesExtension_ = rows_[row].extension;
    showingFiles_ = true;
    SetColumns();
    files_.clear();
    ListView_SetItemCountEx(list_, 0, 0);
    Rebuild();
    if (events_.extensionSelected) {
        events_.extensionSelected(filesExtension_);
    }
}

void FileTypesView::BackToTypes() {
    if (!showingFiles_) {
        return;
    }
    showingFiles_ = false;
    SetColumns();
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), 0);
    Rebuild();
}

std::wstring FileTypesView::CellText(int row, int column) const {
    const auto index = static_cast<std::size_t>(row);
    if (showingFiles_) {
        if (index >= files_.size()) return {};
        const core::NodeView node = result_->nodes[files_[index]];
        switch (column) {
            case 0: return std::wstring(node.Name());
            case 1: return i18n::FormatSize(locale_, core::DisplaySize(node, measure_));
            case 2: return node.Path();
            default: return {};
        }
    }
    if (index >= rows_.size() || types_ == nullptr) return {};
    const core::FileTypeRow& r = rows_[index];
    switch (column) {
        case 0: {
            const std::wstring& extension = types_->Extension(r.extension);
            return extension.empty() ? localizer_.Translate("types.no_extension") : L"." + extension;
        }
        case 1: return localizer_.Translate(core::FileTypeGroupKey(types_->Group(r.extension)));
        case 2: {
            const double share = scopeBytes_ == 0 ? 0.0 : 100.0 * static_cast<double>(r.bytes) / static_cast<double>(scopeBytes_);
            return i18n::FormatShare(locale_, share);
        }
        case 3: return i18n::FormatSize(locale_, r.bytes);
        case 4: return i18n::FormatCount(locale_, r.files);
        default: return {};
    }
}

LRESULT FileTypesView::OnNotify(NMHDR& header) {
    // The cells' own notifications come from the list: it is asked for its
    // header only for the others.
    if (header.code == NM_CUSTOMDRAW && header.hwndFrom != list_ && header.hwndFrom == ListView_GetHeader(list_)) {
        return DrawHeaderCustom(reinterpret_cast<NMCUSTOMDRAW&>(header), palette_, dpi_);
    }
    if (header.hwndFrom != list_) {
        return 0;
    }
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0) {
                const std::wstring text = CellText(info.item.iItem, info.item.iSubItem);
                ::lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
            }
            return 0;
        }
        case LVN_COLUMNCLICK: {
            if (showingFiles_) return 0;
            const int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem;
            const int sortBy = column == 2 ? 3 : column;  // the share orders as the bytes do
            sortDescending_ = sortBy == sortColumn_ ? !sortDescending_ : sortBy >= 2;
            sortColumn_ = sortBy;
            SortRows();
            ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
            ::InvalidateRect(list_, nullptr, FALSE);
            return 0;
        }
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) == 0 || ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) == 0) {
                return 0;
            }
            const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
            const auto row = static_cast<std::size_t>(selected);
            if (showingFiles_) {
                if (selected >= 0 && row < files_.size() && events_.fileSelected) events_.fileSelected(files_[row]);
            } else if (events_.extensionSelected) {
                events_.extensionSelected(selected >= 0 && row < rows_.size() ? rows_[row].extension
                                                                              : core::FileTypeIndex::None);
            }
            return 0;
        }
        case LVN_KEYDOWN: {
            const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
            const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
            if (key == VK_RETURN && !showingFiles_ && selected >= 0) {
                ShowFilesOf(static_cast<std::size_t>(selected));
            } else if (key == VK_BACK) {
                BackToTypes();
            }
            return 0;
        }
        case NM_RETURN:
        case NM_DBLCLK: {
            const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
            if (!showingFiles_ && selected >= 0) ShowFilesOf(static_cast<std::size_t>(selected));
            return 0;
        }
        case NM_CUSTOMDRAW: return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        default: return 0;
    }
}

LRESULT FileTypesView::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: break;
        default: return CDRF_DODEFAULT;
    }
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    const int column = draw.iSubItem;
    const bool selected = (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const RowColours colours = ColoursForRow(
        palette_, !selected ? RowState::Normal : ::GetFocus() == list_ ? RowState::Selected : RowState::SelectedUnfocused);
    RECT cell{};
    ListView_GetSubItemRect(list_, row, column, LVIR_BOUNDS, &cell);
    if (column == 0) {
        RECT first{};
        ListView_GetSubItemRect(list_, row, 1, LVIR_BOUNDS, &first);
        cell.right = first.left > cell.left ? first.left : cell.right;
    }
    const HDC dc = draw.nmcd.hdc;
    const std::wstring text = CellText(row, column);
    const int inset = Scale(CellInset);
    const bool number = showingFiles_ ? column == 1 : column >= 3;
    if (!showingFiles_ && column == 2) {
        const double share = scopeBytes_ == 0 || static_cast<std::size_t>(row) >= rows_.size()
                                 ? 0.0
                                 : 100.0 * static_cast<double>(rows_[static_cast<std::size_t>(row)].bytes) /
                                       static_cast<double>(scopeBytes_);
        DrawShareBarCell(dc, gdi_, cell, share, text, colours, inset, inset);
    } else if (!showingFiles_ && column == 0 && static_cast<std::size_t>(row) < rows_.size() && types_ != nullptr) {
        // The swatch: the colour the treemap gives this extension's files.
        const int side = std::max<int>(Scale(10), 1);
        DrawTextCell(dc, gdi_, cell, text, colours.background, colours.text, inset + side + Scale(4), false,
                     CellTextFit::EndEllipsis);
        const int top = (cell.top + cell.bottom - side) / 2;
        const RECT swatch{cell.left + inset, top, cell.left + inset + side, top + side};
        FillSolid(dc, swatch,
                  ColorRefFromPixel(colours_.groups[static_cast<std::size_t>(
                      types_->Group(rows_[static_cast<std::size_t>(row)].extension))]));
    } else {
        DrawTextCell(dc, gdi_, cell, text, colours.background, colours.text, inset, number,
                     showingFiles_ && column == 2 ? CellTextFit::PathEllipsis : CellTextFit::EndEllipsis);
    }
    DrawGridLines(dc, gdi_, cell, colours.gridLine);
    return CDRF_SKIPDEFAULT;
}

void FileTypesView::OnContextMenu(int x, int y) {
    const auto [row, at] = ContextTargetOf(list_, x, y, Scale(16));
    if (showingFiles_) {
        if (row >= 0 && static_cast<std::size_t>(row) < files_.size() && events_.fileContextMenu) {
            events_.fileContextMenu(files_[static_cast<std::size_t>(row)], at);
        }
        return;
    }
    if (row < 0) {
        return;
    }
    const HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, ShowFilesCommand, localizer_.Translate("context.show_files").c_str());
    ::SetMenuDefaultItem(menu, ShowFilesCommand, FALSE);
    const BOOL chosen = ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, window_, nullptr);
    ::DestroyMenu(menu);
    if (chosen == ShowFilesCommand) {
        ShowFilesOf(static_cast<std::size_t>(row));
    }
}

}  // namespace varnel::ui
