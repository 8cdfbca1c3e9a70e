#include "ui/theme/ThemedScrollBar_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "platform/WindowMessageTarget_win.h"
#include "ui/theme/GdiOwners_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/theme/SystemDarkMode_win.h"
#include "ui/view/RowColours.h"
#include "ui/view/ScrollBarGeometry.h"

namespace varnel::ui {
namespace {

constexpr UINT_PTR FollowListSubclassId = 0x56534200;  // "VSB": apart from the lists' other subclasses
constexpr UINT_PTR RepeatTimerId = 1;
// A held arrow or track repeats as the system's bars do.
constexpr UINT FirstRepeatDelay = 350;  // ms
constexpr UINT RepeatInterval = 50;     // ms

struct BarColours {
    std::uint32_t track;
    std::uint32_t arrow;
    std::uint32_t arrowHot;
    std::uint32_t thumb;
    std::uint32_t thumbHot;
    std::uint32_t thumbPressed;
};

// The track as the headers beside it; the thumb and arrows at least 3:1
// against it (what a control's parts need to be seen), brighter under the
// mouse and brighter still while held.
BarColours ColoursFor(const ThemePalette& palette) {
    const std::uint32_t hot = Blend(palette.splitterLine, palette.listText);
    const std::uint32_t quiet = Blend(palette.splitterLine, hot);
    return {palette.panelBackground, quiet, palette.listText, quiet, hot, palette.listText};
}

ScrollRange RangeOf(HWND window, int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!::GetScrollInfo(window, bar, &info)) {
        return {};
    }
    return {info.nMin, info.nMax, static_cast<std::int64_t>(info.nPage), info.nPos};
}

// One of our bars: a sibling of the list, over the list's bar `bar_`.
class ThemedScrollBar : private platform::WindowMessageTarget<ThemedScrollBar> {
    friend class platform::WindowMessageTarget<ThemedScrollBar>;

public:
    ThemedScrollBar(HWND list, int bar) : list_(list), bar_(bar) {}
    ~ThemedScrollBar() {
        if (window_ != nullptr) ::DestroyWindow(window_);
    }
    ThemedScrollBar(const ThemedScrollBar&) = delete;
    ThemedScrollBar& operator=(const ThemedScrollBar&) = delete;

    bool Create() {
        const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(list_, GWLP_HINSTANCE));
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &ThemedScrollBar::WindowProcedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = ThemedScrollBarClassName;
        if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return false;
        }
        return ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, ThemedScrollBarClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                                 0, 0, ::GetParent(list_), nullptr, instance, this) != nullptr;
    }

    void SetPalette(const ThemePalette& palette) {
        colours_ = ColoursFor(palette);
        if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
    }

    // Over `area` (the parent's client coordinates): the bar its first
    // `length` pixels along, the corner beside the other bar after that.
    void Follow(bool shown, const RECT& area, int length) {
        if (window_ == nullptr) {
            return;
        }
        const ScrollRange range = RangeOf(list_, bar_);
        const bool placed = shown == shown_ && ::EqualRect(&area, &area_) && length == length_;
        if (!placed) {
            shown_ = shown;
            area_ = area;
            length_ = length;
            ::SetWindowPos(window_, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                           SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        }
        if (!placed || !(range == range_)) {
            range_ = range;
            ::InvalidateRect(window_, nullptr, FALSE);
        }
    }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_PAINT: return OnPaint();
            case WM_ERASEBKGND: return 1;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK: return OnButtonDown(Along(lParam));
            case WM_MOUSEMOVE: return OnMouseMove(Along(lParam));
            case WM_MOUSELEAVE: return OnMouseLeave();
            case WM_LBUTTONUP: return OnButtonUp();
            case WM_CAPTURECHANGED: return OnCaptureLost();
            case WM_TIMER: return OnRepeat();
            case WM_MOUSEWHEEL:
            case WM_MOUSEHWHEEL: return ::SendMessageW(list_, message, wParam, lParam);
            default: return ::DefWindowProcW(window_, message, wParam, lParam);
        }
    }

    bool Vertical() const noexcept { return bar_ == SB_VERT; }
    int Thickness() const noexcept { return Vertical() ? area_.right - area_.left : area_.bottom - area_.top; }
    int Along(LPARAM point) const noexcept { return Vertical() ? GET_Y_LPARAM(point) : GET_X_LPARAM(point); }
    ScrollBarGeometry Geometry() const noexcept { return ScrollBarGeometry::Compute(length_, Thickness(), range_); }

    // A rectangle from `start` to `end` along the bar, inset `inset` across.
    RECT Span(int start, int end, int inset) const noexcept {
        const int across = Thickness() - inset;
        return Vertical() ? RECT{inset, start, across, end} : RECT{start, inset, end, across};
    }

    void DrawArrow(HDC dc, int start, bool back, bool hot) const {
        const int thickness = Thickness();
        const int half = std::max(thickness / 4, 2);
        const int middleAlong = start + thickness / 2;
        const int middleAcross = thickness / 2;
        const int tip = back ? middleAlong - half / 2 : middleAlong + half / 2;
        const int base = back ? tip + half : tip - half;
        const auto at = [&](int along, int across) {
            return Vertical() ? POINT{across, along} : POINT{along, across};
        };
        const POINT triangle[] = {at(base, middleAcross - half), at(base, middleAcross + half), at(tip, middleAcross)};
        const std::uint32_t colour = hot ? colours_.arrowHot : colours_.arrow;
        ::SetDCBrushColor(dc, colour);
        ::SetDCPenColor(dc, colour);
        ::Polygon(dc, triangle, 3);
    }

    void Draw(HDC dc, const RECT& client) const {
        const SavedDcState saved(dc);
        ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
        ::SelectObject(dc, ::GetStockObject(DC_PEN));
        ::SetDCBrushColor(dc, colours_.track);
        ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        const ScrollBarGeometry geometry = Geometry();
        if (geometry.arrow > 0) {
            const auto lit = [&](ScrollBarPart part) { return hot_ == part || pressed_ == part; };
            DrawArrow(dc, 0, true, lit(ScrollBarPart::LineBack));
            DrawArrow(dc, geometry.length - geometry.arrow, false, lit(ScrollBarPart::LineForward));
        }
        if (geometry.thumbLength > 0) {
            const std::uint32_t colour = pressed_ == ScrollBarPart::Thumb ? colours_.thumbPressed
                                         : hot_ == ScrollBarPart::Thumb  ? colours_.thumbHot
                                                                         : colours_.thumb;
            const RECT thumb = Span(geometry.thumbStart, geometry.thumbStart + geometry.thumbLength,
                                    std::max(Thickness() / 5, 1));
            ::SetDCBrushColor(dc, colour);
            ::FillRect(dc, &thumb, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        }
    }

    LRESULT OnPaint() {
        PaintDc paint(window_);
        RECT client{};
        ::GetClientRect(window_, &client);
        // Drawn off screen first: a thumb dragged over 100,000 rows repaints
        // at every mouse move and must not flicker.
        const HDC memory = ::CreateCompatibleDC(paint.get());
        const UniqueBitmap bitmap(::CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
        if (memory == nullptr || !bitmap) {
            if (memory != nullptr) ::DeleteDC(memory);
            Draw(paint.get(), client);
            return 0;
        }
        {
            const SelectGuard select(memory, bitmap.get());
            Draw(memory, client);
            ::BitBlt(paint.get(), 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        }
        ::DeleteDC(memory);
        return 0;
    }

    // The list's own bar's answer to a click on an arrow or the track.
    void Step(ScrollBarPart part) {
        WPARAM code = 0;
        switch (part) {
            case ScrollBarPart::LineBack: code = SB_LINEUP; break;
            case ScrollBarPart::LineForward: code = SB_LINEDOWN; break;
            case ScrollBarPart::PageBack: code = SB_PAGEUP; break;
            case ScrollBarPart::PageForward: code = SB_PAGEDOWN; break;
            default: return;
        }
        ::SendMessageW(list_, Vertical() ? WM_VSCROLL : WM_HSCROLL, code, 0);
    }

    // Rows vertically (LVM_SCROLL takes pixels there and rounds them to
    // rows), pixels across; in steps that cannot overflow an int.
    void ScrollListTo(std::int64_t position) {
        std::int64_t delta = position - RangeOf(list_, bar_).position;
        int unit = 1;
        if (Vertical()) {
            RECT row{};
            if (!ListView_GetItemRect(list_, ListView_GetTopIndex(list_), &row, LVIR_BOUNDS) || row.bottom <= row.top) {
                return;
            }
            unit = row.bottom - row.top;
        }
        const std::int64_t most = INT_MAX / 2 / unit;
        while (delta != 0) {
            const std::int64_t step = std::clamp(delta, -most, most);
            const int pixels = static_cast<int>(step * unit);
            if (!ListView_Scroll(list_, Vertical() ? 0 : pixels, Vertical() ? pixels : 0)) {
                return;
            }
            delta -= step;
        }
    }

    void SetHot(ScrollBarPart part) {
        if (part != hot_) {
            hot_ = part;
            ::InvalidateRect(window_, nullptr, FALSE);
        }
    }

    LRESULT OnButtonDown(int along) {
        const ScrollBarGeometry geometry = Geometry();
        pressed_ = geometry.PartAt(along);
        if (pressed_ == ScrollBarPart::None) {
            return 0;
        }
        ::SetCapture(window_);
        if (pressed_ == ScrollBarPart::Thumb) {
            dragOffset_ = along - geometry.thumbStart;
        } else {
            Step(pressed_);
            ::SetTimer(window_, RepeatTimerId, FirstRepeatDelay, nullptr);
        }
        ::InvalidateRect(window_, nullptr, FALSE);
        return 0;
    }

    LRESULT OnMouseMove(int along) {
        if (!trackingLeave_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
            trackingLeave_ = ::TrackMouseEvent(&track) != FALSE;
        }
        lastAlong_ = along;
        if (pressed_ == ScrollBarPart::Thumb) {
            ScrollListTo(Geometry().PositionForThumb(along - dragOffset_, range_));
            ::UpdateWindow(window_);
            return 0;
        }
        SetHot(pressed_ == ScrollBarPart::None ? Geometry().PartAt(along) : hot_);
        return 0;
    }

    LRESULT OnMouseLeave() {
        trackingLeave_ = false;
        SetHot(ScrollBarPart::None);
        return 0;
    }

    // A held arrow keeps stepping; a held track pages until the thumb
    // reaches the mouse.
    LRESULT OnRepeat() {
        ::SetTimer(window_, RepeatTimerId, RepeatInterval, nullptr);
        if (pressed_ != ScrollBarPart::None && pressed_ != ScrollBarPart::Thumb &&
            Geometry().PartAt(lastAlong_) == pressed_) {
            Step(pressed_);
        }
        return 0;
    }

    LRESULT OnButtonUp() {
        if (pressed_ != ScrollBarPart::None) {
            ::ReleaseCapture();  // OnCaptureLost ends the press
        }
        return 0;
    }

    LRESULT OnCaptureLost() {
        if (pressed_ == ScrollBarPart::None) {
            return 0;
        }
        ::KillTimer(window_, RepeatTimerId);
        pressed_ = ScrollBarPart::None;
        ::SendMessageW(list_, Vertical() ? WM_VSCROLL : WM_HSCROLL, SB_ENDSCROLL, 0);
        ::InvalidateRect(window_, nullptr, FALSE);
        return 0;
    }

    HWND list_;
    int bar_;  // SB_VERT or SB_HORZ
    BarColours colours_{};
    bool shown_ = false;
    RECT area_{};
    int length_ = 0;
    ScrollRange range_;
    ScrollBarPart hot_ = ScrollBarPart::None;
    ScrollBarPart pressed_ = ScrollBarPart::None;
    int dragOffset_ = 0;  // from the thumb's start to where it was grabbed
    int lastAlong_ = 0;   // the mouse, along the bar
    bool trackingLeave_ = false;
};

// Our two bars of one list, owned by the list's subclass.
class ListScrollBars {
public:
    explicit ListScrollBars(HWND list) : list_(list), vertical_(list, SB_VERT), horizontal_(list, SB_HORZ) {}
    ~ListScrollBars() {
        if (cut_) ::SetWindowRgn(list_, nullptr, TRUE);
    }
    ListScrollBars(const ListScrollBars&) = delete;
    ListScrollBars& operator=(const ListScrollBars&) = delete;

    bool Create() { return vertical_.Create() && horizontal_.Create(); }
    void SetPalette(const ThemePalette& palette) {
        vertical_.SetPalette(palette);
        horizontal_.SetPalette(palette);
        edgeLine_ = palette.border;
        edgeFill_ = palette.listBackground;
        ::RedrawWindow(list_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }

    // The sunken edge the system draws in its light 3D colours, drawn again
    // over the one just painted: a line in the theme's border colour, the
    // rest in the list's background.
    void PaintEdge() const {
        if ((::GetWindowLongPtrW(list_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0) {
            return;
        }
        RECT frame{};
        ::GetWindowRect(list_, &frame);
        POINT client{0, 0};
        ::ClientToScreen(list_, &client);
        const int edge = client.x - frame.left;  // the same on every side; the bars lie inside it
        if (edge <= 0) {
            return;
        }
        const RECT outer{0, 0, frame.right - frame.left, frame.bottom - frame.top};
        const WindowDc dc(list_, true);
        ::ExcludeClipRect(dc.get(), edge, edge, outer.right - edge, outer.bottom - edge);
        const UniqueBrush fill(::CreateSolidBrush(edgeFill_));
        const UniqueBrush line(::CreateSolidBrush(edgeLine_));
        ::FillRect(dc.get(), &outer, fill.get());
        ::FrameRect(dc.get(), &outer, line.get());
    }
    // The list goes: its region goes with it.
    void ForgetRegion() noexcept { cut_ = false; }

    // Reads where the list's own bars are and what they show, and places,
    // draws and cuts out ours to match.
    void Follow() {
        if (following_) {
            return;  // our own region and placing come back through the list
        }
        following_ = true;
        const bool visible = (::GetWindowLongPtrW(list_, GWL_STYLE) & WS_VISIBLE) != 0;
        RECT bars[2]{};
        bool shown[2]{};
        const LONG objects[2] = {OBJID_VSCROLL, OBJID_HSCROLL};
        for (int i = 0; i < 2; ++i) {
            SCROLLBARINFO info{};
            info.cbSize = sizeof info;
            shown[i] = visible && ::GetScrollBarInfo(list_, objects[i], &info) &&
                       (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0 &&
                       !::IsRectEmpty(&info.rcScrollBar);
            bars[i] = shown[i] ? info.rcScrollBar : RECT{};
        }
        // The corner between two bars is drawn by the vertical one.
        RECT vertical = bars[0];
        if (shown[0] && shown[1]) vertical.bottom = std::max(vertical.bottom, bars[1].bottom);
        RECT frame{};
        ::GetWindowRect(list_, &frame);
        CutOut(frame, shown[0] ? vertical : RECT{}, bars[1]);
        const HWND parent = ::GetParent(list_);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&vertical), 2);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&bars[1]), 2);
        vertical_.Follow(shown[0], vertical, bars[0].bottom - bars[0].top);
        horizontal_.Follow(shown[1], bars[1], bars[1].right - bars[1].left);
        following_ = false;
    }

private:
    // The list's region: all of it but the areas under our bars (screen
    // coordinates, empty for a bar not shown).
    void CutOut(const RECT& frame, const RECT& vertical, const RECT& horizontal) {
        const RECT size{0, 0, frame.right - frame.left, frame.bottom - frame.top};
        if (cut_ && ::EqualRect(&size, &size_) && ::EqualRect(&vertical, &cutVertical_) &&
            ::EqualRect(&horizontal, &cutHorizontal_)) {
            return;
        }
        size_ = size;
        cutVertical_ = vertical;
        cutHorizontal_ = horizontal;
        if (::IsRectEmpty(&vertical) && ::IsRectEmpty(&horizontal)) {
            if (cut_) ::SetWindowRgn(list_, nullptr, TRUE);
            cut_ = false;
            return;
        }
        HRGN region = ::CreateRectRgn(0, 0, size.right, size.bottom);
        for (const RECT& bar : {vertical, horizontal}) {
            if (::IsRectEmpty(&bar)) continue;
            const HRGN hole = ::CreateRectRgn(bar.left - frame.left, bar.top - frame.top, bar.right - frame.left,
                                              bar.bottom - frame.top);
            ::CombineRgn(region, region, hole, RGN_DIFF);
            ::DeleteObject(hole);
        }
        // The system owns the region from here on.
        cut_ = ::SetWindowRgn(list_, region, TRUE) != 0;
        if (!cut_) ::DeleteObject(region);
    }

    HWND list_;
    ThemedScrollBar vertical_;
    ThemedScrollBar horizontal_;
    COLORREF edgeLine_ = 0;
    COLORREF edgeFill_ = 0;
    bool following_ = false;
    bool cut_ = false;  // the list has our region
    RECT size_{};
    RECT cutVertical_{};
    RECT cutHorizontal_{};
};

// The list's bars, found again on the next theme change. (mingw-w64 has no
// import for GetWindowSubclass, which would read them from the subclass.)
constexpr wchar_t BarsProperty[] = L"Varnel.ThemedScrollBars";

LRESULT CALLBACK FollowList(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
    auto* bars = reinterpret_cast<ListScrollBars*>(data);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, &FollowList, id);
        ::RemovePropW(list, BarsProperty);
        bars->ForgetRegion();
        delete bars;
        return ::DefSubclassProc(list, message, wParam, lParam);
    }
    const LRESULT result = ::DefSubclassProc(list, message, wParam, lParam);
    if (message == WM_NCPAINT) {
        bars->PaintEdge();
    }
    bars->Follow();
    return result;
}

ListScrollBars* BarsOf(HWND list) { return static_cast<ListScrollBars*>(::GetPropW(list, BarsProperty)); }

}  // namespace

void ThemeScrollBars(HWND list, const ThemePalette& palette) {
    if (list == nullptr) {
        return;
    }
    ListScrollBars* bars = BarsOf(list);
    if (!palette.isDark || palette.highContrast || SystemDrawsDarkScrollBars()) {
        if (bars != nullptr) {
            ::RemoveWindowSubclass(list, &FollowList, FollowListSubclassId);
            ::RemovePropW(list, BarsProperty);
            delete bars;
            ::RedrawWindow(list, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);  // the system's edge again
        }
        return;
    }
    if (bars == nullptr) {
        auto made = std::make_unique<ListScrollBars>(list);
        if (!made->Create() || !::SetPropW(list, BarsProperty, made.get())) {
            return;
        }
        if (!::SetWindowSubclass(list, &FollowList, FollowListSubclassId, reinterpret_cast<DWORD_PTR>(made.get()))) {
            ::RemovePropW(list, BarsProperty);
            return;
        }
        bars = made.release();
    }
    bars->SetPalette(palette);
    bars->Follow();
}

}  // namespace varnel::ui
