#include "ui/theme/ThemeApply_win.h"

#include <dwmapi.h>
#include <uxtheme.h>

#include "ui/theme/GdiScope_win.h"

namespace varnel::ui {
namespace {

// Header lengths are given at 96 DPI.
constexpr int HeaderTextInset = 8;
constexpr int HeaderLineWidth = 1;

// Room for 256 characters and the terminating null.
constexpr int HeaderTextCapacity = 257;

int Scale(int length, UINT dpi) {
    return ::MulDiv(length, static_cast<int>(dpi), 96);
}

UINT HeaderTextAlignment(int format) {
    switch (format & HDF_JUSTIFYMASK) {
        case HDF_RIGHT:
            return DT_RIGHT;
        case HDF_CENTER:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}

void DrawHeaderItem(const NMCUSTOMDRAW& draw, const ThemePalette& palette, UINT dpi) {
    HDC dc = draw.hdc;
    const RECT item = draw.rc;
    const SavedDcState savedState(dc);

    ::SetDCBrushColor(dc, palette.panelBackground);
    ::FillRect(dc, &item, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));

    {
        const UniquePen pen(::CreatePen(PS_SOLID, Scale(HeaderLineWidth, dpi), palette.border));
        if (pen) {
            const SelectGuard selectPen(dc, pen.get());
            ::MoveToEx(dc, item.left, item.bottom - 1, nullptr);
            ::LineTo(dc, item.right, item.bottom - 1);
            ::MoveToEx(dc, item.right - 1, item.top, nullptr);
            ::LineTo(dc, item.right - 1, item.bottom);
        }
    }

    wchar_t text[HeaderTextCapacity] = {};
    HDITEMW header{};
    header.mask = HDI_TEXT | HDI_FORMAT;
    header.pszText = text;
    header.cchTextMax = HeaderTextCapacity;
    if (!::SendMessageW(draw.hdr.hwndFrom, HDM_GETITEMW, static_cast<WPARAM>(draw.dwItemSpec),
                        reinterpret_cast<LPARAM>(&header))) {
        return;
    }
    // The header's own font, whatever the lent DC happens to hold.
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(draw.hdr.hwndFrom, WM_GETFONT, 0, 0));
    if (font != nullptr) {
        ::SelectObject(dc, font);  // undone by savedState
    }
    ::SetTextColor(dc, palette.listText);
    ::SetBkMode(dc, TRANSPARENT);
    RECT textArea = item;
    textArea.left += Scale(HeaderTextInset, dpi);
    textArea.right -= Scale(HeaderTextInset, dpi);
    if ((header.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0) {
        // The control draws nothing of its own here, so neither its sort arrow.
        const int half = Scale(4, dpi);
        const int middle = (item.top + item.bottom) / 2;
        const int tip = (header.fmt & HDF_SORTUP) != 0 ? middle - half / 2 : middle + half / 2;
        const int base = 2 * middle - tip;
        const POINT arrow[] = {{textArea.right - 2 * half, base}, {textArea.right, base}, {textArea.right - half, tip}};
        ::SetDCBrushColor(dc, palette.listText);
        ::SetDCPenColor(dc, palette.listText);
        ::SelectObject(dc, ::GetStockObject(DC_BRUSH));  // undone by savedState
        ::SelectObject(dc, ::GetStockObject(DC_PEN));
        ::Polygon(dc, arrow, 3);
        textArea.right -= 2 * half + Scale(HeaderTextInset, dpi);
    }
    // No prefix processing: a translated column name may contain '&'.
    ::DrawTextW(dc, text, -1, &textArea,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | HeaderTextAlignment(header.fmt));
}

// A list's header is the list's own child, so the header's NM_CUSTOMDRAW
// goes to the list. Wine's list view answers it itself (default drawing) and
// the main window never sees it; this subclass passes it up to the list's
// parent, where DrawHeaderCustom answers it. Where the list view forwards it
// already, the parent still sees each notification once, since the list's
// own procedure is not called for it.
LRESULT CALLBACK ForwardHeaderCustomDraw(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR) {
    if (message == WM_NOTIFY) {
        const auto* notification = reinterpret_cast<const NMHDR*>(lParam);
        if (notification->code == NM_CUSTOMDRAW &&
            notification->hwndFrom == reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0))) {
            return ::SendMessageW(::GetParent(list), WM_NOTIFY, wParam, lParam);
        }
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, &ForwardHeaderCustomDraw, id);
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

constexpr UINT_PTR ForwardHeaderCustomDrawId = 1;

}  // namespace

std::array<WindowAttributeValue, 4> TitleBarAttributes(const ThemePalette& palette) noexcept {
    return {{
        {DwmAttributeImmersiveDarkMode, palette.isDark ? 1u : 0u},
        {DwmAttributeCaptionColour, palette.caption},
        {DwmAttributeTextColour, palette.captionText},
        {DwmAttributeBorderColour, palette.border},
    }};
}

void ApplyTheme(HWND window, const std::array<HWND, 3>& lists, HWND statusBar, const ThemePalette& palette) {
    for (const WindowAttributeValue& attribute : TitleBarAttributes(palette)) {
        ::DwmSetWindowAttribute(window, attribute.attribute, &attribute.value, sizeof attribute.value);
    }

    const wchar_t* const controlStyle = palette.isDark ? L"DarkMode_Explorer" : L"Explorer";
    for (HWND list : lists) {
        if (list == nullptr) {
            continue;
        }
        ::SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(palette.listBackground));
        ::SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(palette.listBackground));
        ::SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(palette.listText));
        ::SetWindowTheme(list, controlStyle, nullptr);
        // Installing the same subclass again only replaces its data.
        ::SetWindowSubclass(list, &ForwardHeaderCustomDraw, ForwardHeaderCustomDrawId, 0);
        // The headers are drawn by DrawHeaderCustom in every theme; the dark
        // style would only tint the parts custom drawing leaves to the control.
        if (HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0))) {
            ::SetWindowTheme(header, L"Explorer", nullptr);
            ::InvalidateRect(header, nullptr, TRUE);
        }
    }

    if (statusBar != nullptr) {
        ::SendMessageW(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(palette.panelBackground));
        ::SetWindowTheme(statusBar, controlStyle, nullptr);
    }

    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT DrawHeaderCustom(const NMCUSTOMDRAW& draw, const ThemePalette& palette, UINT dpi) {
    switch (draw.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            DrawHeaderItem(draw, palette, dpi == 0 ? 96 : dpi);
            return CDRF_SKIPDEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}

}  // namespace varnel::ui
