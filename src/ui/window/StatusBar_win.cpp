#include "ui/window/StatusBar_win.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/theme/GdiScope_win.h"
#include "ui/view/MainWindowLayout.h"
#include "ui/view/PathDisplay.h"
#include "ui/view/RowColours.h"

namespace varnel::ui {
namespace {

constexpr UINT_PTR PaintSubclassId = 1;
constexpr int TextInset = 6;  // at 96 DPI
constexpr int NoticeMinWidth = 200;
constexpr int NoticeMaxWidth = 480;

std::wstring PartText(HWND bar, int part) {
    const auto length = LOWORD(::SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

}  // namespace

bool StatusBar::Create(HWND parent, HINSTANCE instance, int id) {
    bar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (bar_ == nullptr) {
        return false;
    }
    ::SetWindowSubclass(bar_, &StatusBar::Paint, PaintSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

void StatusBar::SetPalette(const ThemePalette& palette) {
    palette_ = palette;
    ::SendMessageW(bar_, SB_SETBKCOLOR, 0, static_cast<LPARAM>(palette.panelBackground));
    ::InvalidateRect(bar_, nullptr, TRUE);
}

void StatusBar::Layout(int clientWidth, UINT dpi) {
    ::SendMessageW(bar_, WM_SIZE, 0, 0);
    const int noticeWidth =
        std::clamp(clientWidth * 2 / 5, ScaleForDpi(NoticeMinWidth, dpi), ScaleForDpi(NoticeMaxWidth, dpi));
    const int parts[] = {std::max(clientWidth - noticeWidth, 0), -1};
    ::SendMessageW(bar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(bar_, SB_SETTEXTW, StatusNoticePart, reinterpret_cast<LPARAM>(noticeText_.c_str()));
}

void StatusBar::SetMainText(StatusTextState state, const std::wstring& text) {
    state_ = state;
    ::SendMessageW(bar_, SB_SETTEXTW, StatusMainPart, reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::ShowNotice(std::string key, std::wstring detail) {
    noticeKey_ = std::move(key);
    noticeDetail_ = std::move(detail);
    noticeText_ = localizer_.Translate(noticeKey_) + noticeDetail_;
    ::SendMessageW(bar_, SB_SETTEXTW, StatusNoticePart, reinterpret_cast<LPARAM>(noticeText_.c_str()));
}

void StatusBar::ShowNoticeText(const std::wstring& text) {
    noticeKey_.clear();
    noticeText_ = text;
    ::SendMessageW(bar_, SB_SETTEXTW, StatusNoticePart, reinterpret_cast<LPARAM>(noticeText_.c_str()));
}

void StatusBar::ClearNotice() { ShowNoticeText(L""); }

void StatusBar::RetranslateNotice() {
    if (!noticeKey_.empty()) {
        ShowNotice(noticeKey_, noticeDetail_);
    }
}

LRESULT CALLBACK StatusBar::Paint(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    switch (message) {
        case WM_PAINT: reinterpret_cast<StatusBar*>(data)->OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_NCDESTROY: ::RemoveWindowSubclass(bar, &StatusBar::Paint, id); break;
        default: break;
    }
    return ::DefSubclassProc(bar, message, wParam, lParam);
}

void StatusBar::OnPaint() {
    const PaintDc paint(bar_);
    const HDC dc = paint.get();
    RECT client{};
    ::GetClientRect(bar_, &client);
    {
        const UniqueBrush panel(::CreateSolidBrush(palette_.panelBackground));
        ::FillRect(dc, &client, panel.get());
    }
    const SavedDcState saved(dc);
    ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(bar_, WM_GETFONT, 0, 0)));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ReadableOn(palette_.panelBackground, palette_.listText));
    const UINT dpi = ::GetDpiForWindow(bar_);
    const int inset = ScaleForDpi(TextInset, dpi == 0 ? 96 : dpi);
    const auto parts = static_cast<int>(::SendMessageW(bar_, SB_GETPARTS, 0, 0));
    const UniqueBrush line(::CreateSolidBrush(Blend(palette_.panelBackground, palette_.border)));
    for (int part = 0; part < parts; ++part) {
        RECT area{};
        ::SendMessageW(bar_, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&area));
        if (part > 0) {
            const RECT separator{area.left, area.top + 2, area.left + 1, area.bottom - 2};
            ::FillRect(dc, &separator, line.get());
        }
        std::wstring text = VisibleText(PartText(bar_, part));
        area.left += inset;
        area.right -= inset;
        ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &area,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}

}  // namespace varnel::ui
