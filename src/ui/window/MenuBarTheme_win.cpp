#include "ui/window/MenuBarTheme_win.h"

#include <string>

#include "ui/theme/GdiOwners_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/theme/SystemDarkMode_win.h"
#include "ui/view/MainWindowLayout.h"
#include "ui/view/RowColours.h"

namespace varnel::ui {
namespace {

// Room left and right of an entry's text, at 96 DPI.
constexpr int EntryPadding = 8;

// The bar's entries carry this mark in their item data, so that an entry of
// any other menu is never taken for one of ours.
constexpr ULONG_PTR BarEntryMark = 0x56524E00;  // "VRN"

std::wstring EntryText(HMENU bar, UINT position) {
    wchar_t text[128]{};
    ::GetMenuStringW(bar, position, text, 128, MF_BYPOSITION);
    return text;
}

UniqueFont MenuFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return UniqueFont(nullptr);
    }
    return UniqueFont(::CreateFontIndirectW(&metrics.lfMenuFont));
}

bool IsBarEntry(HWND window, ULONG_PTR data) {
    return ::GetMenu(window) != nullptr && (data & ~ULONG_PTR{0xFF}) == BarEntryMark;
}

}  // namespace

void ThemeMenuBar(HWND window, const ThemePalette& palette, HBRUSH background) {
    const HMENU bar = ::GetMenu(window);
    if (bar == nullptr) {
        return;
    }
    const bool ownDrawn = palette.isDark && !palette.highContrast && background != nullptr;
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = ownDrawn ? background : nullptr;
    ::SetMenuInfo(bar, &info);
    for (int position = 0; position < ::GetMenuItemCount(bar) && position < 0xFF; ++position) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(bar, static_cast<UINT>(position), TRUE, &item);
        item.fMask = MIIM_FTYPE | MIIM_DATA;
        item.fType = ownDrawn ? (item.fType | MFT_OWNERDRAW) : (item.fType & ~static_cast<UINT>(MFT_OWNERDRAW));
        item.dwItemData = BarEntryMark | static_cast<ULONG_PTR>(position);
        ::SetMenuItemInfoW(bar, static_cast<UINT>(position), TRUE, &item);
    }
    ::DrawMenuBar(window);
}

void PaintMenuBarRest(HWND window, HBRUSH background) {
    const HMENU bar = ::GetMenu(window);
    const int count = bar != nullptr ? ::GetMenuItemCount(bar) : 0;
    MENUBARINFO whole{};
    whole.cbSize = sizeof whole;
    MENUBARINFO last{};
    last.cbSize = sizeof last;
    if (background == nullptr || count <= 0 || !::GetMenuBarInfo(window, OBJID_MENU, 0, &whole) ||
        !::GetMenuBarInfo(window, OBJID_MENU, count, &last)) {
        return;
    }
    RECT frame{};
    ::GetWindowRect(window, &frame);
    RECT rest{last.rcBar.right, whole.rcBar.top, whole.rcBar.right, whole.rcBar.bottom};
    ::OffsetRect(&rest, -frame.left, -frame.top);
    if (const HDC dc = ::GetWindowDC(window)) {
        ::FillRect(dc, &rest, background);
        ::ReleaseDC(window, dc);
    }
}

bool MeasureMenuBarItem(HWND window, MEASUREITEMSTRUCT& item, UINT dpi) {
    if (item.CtlType != ODT_MENU || !IsBarEntry(window, item.itemData)) {
        return false;
    }
    const std::wstring text = EntryText(::GetMenu(window), static_cast<UINT>(item.itemData & 0xFF));
    const UniqueFont font = MenuFont(dpi);
    const WindowDc dc(window);
    const SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    RECT measured{};
    ::DrawTextW(dc.get(), text.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    item.itemWidth = static_cast<UINT>(measured.right - measured.left + 2 * ScaleForDpi(EntryPadding, dpi));
    item.itemHeight = static_cast<UINT>(::GetSystemMetricsForDpi(SM_CYMENU, dpi));
    return true;
}

bool DrawMenuBarItem(HWND window, const DRAWITEMSTRUCT& item, const ThemePalette& palette, UINT dpi) {
    if (item.CtlType != ODT_MENU || !IsBarEntry(window, item.itemData)) {
        return false;
    }
    const bool hot = (item.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
    const RowColours colours = ColoursForRow(palette, hot ? RowState::Selected : RowState::Normal);
    const std::uint32_t background = hot ? colours.background : palette.panelBackground;
    const UniqueBrush fill(::CreateSolidBrush(background));
    ::FillRect(item.hDC, &item.rcItem, fill.get());
    const UniqueFont font = MenuFont(dpi);
    const SavedDcState saved(item.hDC);
    if (font) ::SelectObject(item.hDC, font.get());
    ::SetBkMode(item.hDC, TRANSPARENT);
    const bool disabled = (item.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    ::SetTextColor(item.hDC, ReadableOn(background, disabled ? palette.border : colours.text));
    std::wstring text = EntryText(::GetMenu(window), static_cast<UINT>(item.itemData & 0xFF));
    RECT area = item.rcItem;
    ::DrawTextW(item.hDC, text.data(), static_cast<int>(text.size()), &area,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((item.itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0));
    return true;
}

void ApplySystemDarkMode(HWND window, const HWND* controls, int count, bool dark) {
    // Ordinals of uxtheme.dll, which has no names for these entries.
    if (!WindowsHasDarkModeEntries()) {
        return;
    }
    using SetPreferredAppMode = int(WINAPI*)(int mode);
    using AllowDarkModeForWindow = BOOL(WINAPI*)(HWND window, BOOL allow);
    using RefreshImmersiveColorPolicyState = void(WINAPI*)();
    HMODULE uxtheme = ::GetModuleHandleW(L"uxtheme.dll");
    if (uxtheme == nullptr) uxtheme = ::LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (uxtheme == nullptr) {
        return;
    }
    const auto entry = [&](int ordinal) {
        return reinterpret_cast<void*>(::GetProcAddress(uxtheme, MAKEINTRESOURCEA(ordinal)));
    };
    // 135 took a BOOL before build 18362 (AllowDarkModeForApp); since then
    // 2 forces dark pop-up menus whatever the system's own setting, 0 is the default.
    if (const auto setMode = reinterpret_cast<SetPreferredAppMode>(entry(135))) setMode(dark ? 2 : 0);
    if (const auto allow = reinterpret_cast<AllowDarkModeForWindow>(entry(133))) {
        allow(window, dark);
        for (int i = 0; i < count; ++i) {
            if (controls[i] != nullptr) allow(controls[i], dark);
        }
    }
    if (const auto refresh = reinterpret_cast<RefreshImmersiveColorPolicyState>(entry(104))) refresh();
    // The library stays loaded: the window keeps using the theme it serves.
}

}  // namespace varnel::ui
