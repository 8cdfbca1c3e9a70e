#include "ui/theme/ThemeApply_win.h"

#include <dwmapi.h>
#include <uxtheme.h>

#include "ui/theme/GdiScope_win.h"
#include "ui/theme/ThemeCatalog.h"
#include "ui/theme/ThemedScrollBar_win.h"
#include "ui/view/RowColours.h"

#include <string>

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

ThemePalette PaletteForSystem(std::wstring_view themeIdentifier) {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    if (!::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) ||
        (contrast.dwFlags & HCF_HIGHCONTRASTON) == 0) {
        return LookUpTheme(themeIdentifier);
    }
    const auto colour = [](int index) { return static_cast<std::uint32_t>(::GetSysColor(index)); };
    return HighContrastPalette({colour(COLOR_WINDOW), colour(COLOR_WINDOWTEXT), colour(COLOR_HIGHLIGHT),
                                colour(COLOR_HIGHLIGHTTEXT), colour(COLOR_BTNFACE), colour(COLOR_BTNTEXT),
                                colour(COLOR_GRAYTEXT)});
}

std::array<WindowAttributeValue, 4> TitleBarAttributes(const ThemePalette& palette) noexcept {
    return {{
        {DwmAttributeImmersiveDarkMode, palette.isDark ? 1u : 0u},
        {DwmAttributeCaptionColour, palette.caption},
        {DwmAttributeTextColour, palette.captionText},
        {DwmAttributeBorderColour, palette.border},
    }};
}

void ApplyTheme(HWND window, const std::array<HWND, 3>& lists, HWND statusBar, const ThemePalette& palette) {
    // In high contrast the frame and the controls' own parts are the system's.
    for (const WindowAttributeValue& attribute : TitleBarAttributes(palette)) {
        if (!palette.highContrast) {
            ::DwmSetWindowAttribute(window, attribute.attribute, &attribute.value, sizeof attribute.value);
        }
    }

    const wchar_t* const controlStyle = palette.highContrast ? nullptr
                                        : palette.isDark     ? L"DarkMode_Explorer"
                                                             : L"Explorer";
    for (HWND list : lists) {
        if (list == nullptr) {
            continue;
        }
        ::SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(palette.listBackground));
        ::SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(palette.listBackground));
        ::SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(palette.listText));
        ::SetWindowTheme(list, controlStyle, nullptr);
        ThemeScrollBars(list, palette);  // where the dark style above gives no dark bars
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

LRESULT DrawButtonCustom(const NMCUSTOMDRAW& draw, const ThemePalette& palette, UINT dpi) {
    if (draw.dwDrawStage != CDDS_PREPAINT || !palette.isDark || palette.highContrast) {
        return CDRF_DODEFAULT;
    }
    const HWND button = draw.hdr.hwndFrom;
    const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
    const bool hot = (draw.uItemState & CDIS_HOT) != 0;
    const bool disabled = (draw.uItemState & CDIS_DISABLED) != 0;
    const bool focused = (draw.uItemState & CDIS_FOCUS) != 0;
    const std::uint32_t face = pressed ? palette.selectedBackground
                               : hot   ? Blend(palette.panelBackground, palette.listBackground)
                                       : palette.panelBackground;
    const HDC dc = draw.hdc;
    const SavedDcState saved(dc);
    const RECT area = draw.rc;
    ::SetDCBrushColor(dc, face);
    ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    const bool marked = focused || (::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    {
        const UniquePen pen(
            ::CreatePen(PS_SOLID, Scale(marked ? 2 : 1, dpi), marked ? palette.selectedBackground : palette.border));
        const SelectGuard selectPen(dc, pen.get());
        const SelectGuard selectBrush(dc, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
        ::Rectangle(dc, area.left, area.top, area.right, area.bottom);
    }
    const int length = ::GetWindowTextLengthW(button);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(button, text.data(), length + 1)));
    if (const auto font = reinterpret_cast<HFONT>(::SendMessageW(button, WM_GETFONT, 0, 0))) {
        ::SelectObject(dc, font);  // undone by saved
    }
    // A disabled button's text is quieter but still legible.
    const std::uint32_t readable = ReadableOn(face, pressed ? palette.selectedText : palette.listText);
    ::SetTextColor(dc, disabled ? Blend(readable, face) : readable);
    ::SetBkMode(dc, TRANSPARENT);
    RECT textArea = area;
    const UINT hidePrefix = (::SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0 ? DT_HIDEPREFIX : 0;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textArea,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | hidePrefix);
    if (focused && (::SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0) {
        RECT focus = area;
        ::InflateRect(&focus, -Scale(4, dpi), -Scale(4, dpi));
        ::SetTextColor(dc, readable);
        ::DrawFocusRect(dc, &focus);
    }
    return CDRF_SKIPDEFAULT;
}

}  // namespace varnel::ui
