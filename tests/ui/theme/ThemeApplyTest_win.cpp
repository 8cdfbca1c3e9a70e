#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueHandle_win.h"
#include "support/WindowTestSupport_win.h"
#include "support/WindowCanvas_win.h"
#include "ui/theme/ThemeApply_win.h"
#include "ui/theme/ThemeCatalog.h"
#include "ui/view/RowColours.h"

namespace varnel::ui {
namespace {

using varnel::testing::PumpMessages;

void AddColumn(HWND list, int index, const wchar_t* text, int format, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(text);
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

HWND HeaderOf(HWND list) {
    return reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
}

// A top-level window laid out like the main window: three report lists side
// by side and a status bar, with the header drawing wired the way the main
// window wires it (NM_CUSTOMDRAW from a list's header -> DrawHeaderCustom).
class ThemedWindow {
public:
    ThemedWindow() {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&init);
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ThemedWindow::Procedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = L"Varnel.Test.ThemedWindow";
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        ::RegisterClassW(&windowClass);  // a second registration fails harmlessly

        window_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"Varnel themes", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                    0, 0, 960, 560, nullptr, nullptr, instance, nullptr);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        for (std::size_t i = 0; i < lists_.size(); ++i) {
            const int id = 1005 + static_cast<int>(i);
            lists_[i] = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                          WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 8 + id % 1005 * 310, 8,
                                          300, 400, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                          instance, nullptr);
            AddColumn(lists_[i], 0, L"Name", LVCFMT_LEFT, 180);
            AddColumn(lists_[i], 1, L"Size", LVCFMT_RIGHT, 100);
            // More rows than fit, so that each list shows a vertical scroll bar.
            for (int row = 0; row < 60; ++row) {
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = row;
                item.pszText = const_cast<wchar_t*>(L"row");
                ::SendMessageW(lists_[i], LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            }
        }
        button_ = ::CreateWindowExW(0, WC_BUTTONW, L"Scan", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 8, 420, 120, 32,
                                    window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1009)), instance, nullptr);
        statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(1008)), instance, nullptr);
        ::ShowWindow(window_, SW_SHOWNOACTIVATE);
        ::UpdateWindow(window_);
    }
    ~ThemedWindow() { ::DestroyWindow(window_); }
    ThemedWindow(const ThemedWindow&) = delete;
    ThemedWindow& operator=(const ThemedWindow&) = delete;

    void Apply(const ThemePalette& palette) {
        palette_ = palette;
        ApplyTheme(window_, lists_, statusBar_, palette_);
    }

    HWND Window() const { return window_; }
    const std::array<HWND, 3>& Lists() const { return lists_; }
    HWND StatusBar() const { return statusBar_; }
    HWND Button() const { return button_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ThemedWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_NOTIFY) {
            const auto* notification = reinterpret_cast<const NMHDR*>(lParam);
            if (notification->code == NM_CUSTOMDRAW && self->IsListHeader(notification->hwndFrom)) {
                return DrawHeaderCustom(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam), self->palette_, 96);
            }
            if (notification->code == NM_CUSTOMDRAW && notification->hwndFrom == self->button_) {
                return DrawButtonCustom(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam), self->palette_, 96);
            }
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    bool IsListHeader(HWND candidate) const {
        return std::any_of(lists_.begin(), lists_.end(), [&](HWND list) { return candidate == HeaderOf(list); });
    }

    HWND window_ = nullptr;
    std::array<HWND, 3> lists_{};
    HWND statusBar_ = nullptr;
    HWND button_ = nullptr;
    ThemePalette palette_ = LookUpTheme(L"Light");
};

// What a window shows at one point, as a COLORREF.
COLORREF ShownPixel(HWND window, int x, int y) {
    HDC dc = ::GetDC(window);
    const COLORREF pixel = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return pixel;
}

// What is on screen at a screen point, from whichever window shows there.
struct Shown {
    HWND window;
    COLORREF pixel;
};
Shown ShownAt(POINT screen) {
    const HWND window = ::WindowFromPoint(screen);
    RECT frame{};
    ::GetWindowRect(window, &frame);
    HDC dc = ::GetWindowDC(window);
    const COLORREF pixel = ::GetPixel(dc, screen.x - frame.left, screen.y - frame.top);
    ::ReleaseDC(window, dc);
    return {window, pixel};
}

RECT VerticalBarOf(HWND list) {
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof bar;
    ::GetScrollBarInfo(list, OBJID_VSCROLL, &bar);
    return bar.rcScrollBar;
}

// The status bar has no message that reads its background colour back, but
// SB_SETBKCOLOR answers with the colour it replaces.
COLORREF StatusBarColour(HWND statusBar) {
    const auto current = static_cast<COLORREF>(::SendMessageW(statusBar, SB_SETBKCOLOR, 0, CLR_DEFAULT));
    ::SendMessageW(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(current));
    return current;
}

TEST(ApplyTheme, ListsStatusBarAndHeadersTakeEachThemesColours) {
    ThemedWindow themed;
    ASSERT_NE(themed.Window(), nullptr);
    // Catalog order switches between dark and light themes several times;
    // high contrast (here Windows' own black scheme) comes last.
    std::vector<ThemeEntry> themes(ThemeCatalog().begin(), ThemeCatalog().end());
    themes.push_back({L"HighContrast", HighContrastPalette({RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255),
                                                            RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255),
                                                            RGB(63, 242, 63)})});
    for (const ThemeEntry& theme : themes) {
        const ThemePalette& palette = theme.palette;
        SCOPED_TRACE(::testing::Message() << "theme " << std::string(theme.identifier.begin(), theme.identifier.end()));
        themed.Apply(palette);
        for (HWND list : themed.Lists()) {
            EXPECT_EQ(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(palette.listBackground));
            EXPECT_EQ(::SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0), static_cast<LRESULT>(palette.listBackground));
            EXPECT_EQ(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0), static_cast<LRESULT>(palette.listText));

            // The header as painted on screen, through the list's forwarding.
            HWND header = HeaderOf(list);
            RECT item{};
            ASSERT_TRUE(::SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
            EXPECT_EQ(ShownPixel(header, item.left + 2, item.top + 2), palette.panelBackground);
            EXPECT_EQ(ShownPixel(header, item.right - 1, (item.top + item.bottom) / 2), palette.border);
            EXPECT_EQ(ShownPixel(header, item.right - 4, item.bottom - 1), palette.border);
        }
        EXPECT_EQ(StatusBarColour(themed.StatusBar()), palette.panelBackground);
        // Wine has no dark scroll bars of its own: a dark theme's are ours, dark
        // (white text would read on them) with a thumb that stands out 3:1.
        // The thumb is at the top; just above the lower arrow lies the track.
        PumpMessages();
        const RECT bar = VerticalBarOf(themed.Lists()[0]);
        const int across = (bar.left + bar.right) / 2;
        const Shown thumb = ShownAt({across, bar.top + (bar.right - bar.left) + 4});
        const Shown track = ShownAt({across, bar.bottom - (bar.right - bar.left) - 4});
        if (palette.isDark && !palette.highContrast) {
            EXPECT_NE(track.window, themed.Lists()[0]) << "our bar lies over the list's";
            RECT frame{};
            ::GetWindowRect(themed.Lists()[0], &frame);
            EXPECT_EQ(ShownAt({frame.left, (frame.top + frame.bottom) / 2}).pixel, palette.border) << "a dark edge";
            EXPECT_GE(ContrastRatio(track.pixel, RGB(255, 255, 255)), MinimumTextContrast) << "a dark track";
            EXPECT_GE(ContrastRatio(thumb.pixel, track.pixel), 3.0) << "the thumb is seen";
        } else {
            EXPECT_EQ(track.window, themed.Lists()[0]) << "the system's own bar";
        }
        // A dark theme's buttons are dark too, with their text readable on them.
        ::RedrawWindow(themed.Button(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT face{};
        ::GetClientRect(themed.Button(), &face);
        if (palette.isDark && !palette.highContrast) {
            EXPECT_EQ(ShownPixel(themed.Button(), face.right / 2, 4), palette.panelBackground);
            bool readableInk = false;
            for (int x = 0; x < face.right; ++x) {
                const COLORREF shown = ShownPixel(themed.Button(), x, face.bottom / 2);
                readableInk = readableInk || ContrastRatio(shown, palette.panelBackground) >= MinimumTextContrast;
            }
            EXPECT_TRUE(readableInk) << "the label keeps 4.5:1 on the button";
        } else {
            EXPECT_NE(ShownPixel(themed.Button(), face.right / 2, 4), palette.panelBackground) << "the system's button";
        }
    }
}

// Our bar over a list of 100,000 rows, through real messages: a dragged
// thumb reaches the row it stands for (beyond what WM_VSCROLL's 16 bits
// can say), arrows and track step, the wheel passes through, and the
// list's own keyboard scrolling moves our thumb.
TEST(ThemedScrollBar, DrivesAndFollowsAHundredThousandRows) {
    ThemedWindow themed;
    for (HWND other : themed.Lists()) ::ShowWindow(other, SW_HIDE);
    const HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA,
                                        8, 8, 300, 400, themed.Window(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    AddColumn(list, 0, L"Name", LVCFMT_LEFT, 180);
    ListView_SetItemCountEx(list, 100000, 0);
    ApplyTheme(themed.Window(), {list, nullptr, nullptr}, nullptr, LookUpTheme(L"Dark"));
    PumpMessages();
    const RECT bar = VerticalBarOf(list);
    const int thickness = bar.right - bar.left;
    const int length = bar.bottom - bar.top;
    const HWND ours = ::WindowFromPoint({(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2});
    ASSERT_NE(ours, list);
    const int last = 100000 - ListView_GetCountPerPage(list);
    const int travel = length - 3 * thickness;  // the thumb is as long as the bar is thick
    const auto send = [&](UINT message, int along) {
        ::SendMessageW(ours, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(thickness / 2, along));
    };
    const auto click = [&](int along) {
        send(WM_LBUTTONDOWN, along);
        send(WM_LBUTTONUP, along);
    };
    const auto drag = [&](int to) {
        const int thumbMiddle = thickness + static_cast<int>(static_cast<long long>(ListView_GetTopIndex(list)) * travel / last) + thickness / 2;
        send(WM_LBUTTONDOWN, thumbMiddle);
        send(WM_MOUSEMOVE, (thumbMiddle + to) / 2);
        send(WM_MOUSEMOVE, to);
        send(WM_LBUTTONUP, to);
    };
    const int pixelOfRows = last / travel + 1;
    const struct {
        const char* what;
        std::function<void()> act;
        int top, tolerance;
    } cases[] = {
        {"thumb to the middle", [&] { drag(length / 2); }, last / 2, pixelOfRows},
        {"up arrow", [&] { click(thickness / 2); }, last / 2 - 1, pixelOfRows},
        {"thumb past the end", [&] { drag(length + 50); }, last, 0},
        {"wheel over our bar", [&] { ::SendMessageW(ours, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(bar.left, bar.top + 40)); }, last - 3, 2},
        {"track above the thumb", [&] { click(length / 2); }, last - 3 - ListView_GetCountPerPage(list), 1},
        {"Home in the list", [&] { ::SendMessageW(list, WM_KEYDOWN, VK_HOME, 0); }, 0, 0},
    };
    for (const auto& c : cases) {
        c.act();
        PumpMessages();
        EXPECT_NEAR(ListView_GetTopIndex(list), c.top, c.tolerance) << c.what;
    }
    const Shown thumb = ShownAt({(bar.left + bar.right) / 2, bar.top + thickness + thickness / 2});
    const Shown track = ShownAt({(bar.left + bar.right) / 2, bar.top + length / 2});
    EXPECT_GE(ContrastRatio(thumb.pixel, track.pixel), 3.0) << "our thumb went back to the top with the list";
}

using varnel::testing::Canvas;

// A header with items in each alignment, owned by a hidden list.
class HeaderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
        list_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 600, 200, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(list_, nullptr);
        AddColumn(list_, 0, L"Name", LVCFMT_LEFT, 120);
        AddColumn(list_, 1, L"Share", LVCFMT_CENTER, 120);
        AddColumn(list_, 2, L"Size", LVCFMT_RIGHT, 120);
        AddColumn(list_, 3, std::wstring(300, L'W').c_str(), LVCFMT_LEFT, 120);
    }
    void TearDown() override { ::DestroyWindow(list_); }

    NMCUSTOMDRAW Notification(const Canvas& canvas, DWORD stage, int item, int width, int height) const {
        NMCUSTOMDRAW draw{};
        draw.hdr.hwndFrom = HeaderOf(list_);
        draw.hdr.code = NM_CUSTOMDRAW;
        draw.dwDrawStage = stage;
        draw.hdc = canvas.Dc();
        draw.rc = RECT{0, 0, width, height};
        draw.dwItemSpec = static_cast<DWORD_PTR>(item);
        return draw;
    }

    HWND list_ = nullptr;
    const ThemePalette palette_ = LookUpTheme(L"MysticForest");
};

TEST_F(HeaderFixture, PaintsPanelAndBorderLines) {
    constexpr int width = 120;
    constexpr int height = 24;
    Canvas canvas(width, height);
    ASSERT_TRUE(canvas.Valid());
    DrawHeaderCustom(Notification(canvas, CDDS_ITEMPREPAINT, 0, width, height), palette_, 96);
    EXPECT_EQ(canvas.At(2, 2), palette_.panelBackground);
    EXPECT_EQ(canvas.At(width - 3, height - 3), palette_.panelBackground);
    for (int x = 0; x < width; x += 7) {
        EXPECT_EQ(canvas.At(x, height - 1), palette_.border) << "bottom line at x " << x;
    }
    for (int y = 0; y < height; y += 5) {
        EXPECT_EQ(canvas.At(width - 1, y), palette_.border) << "right line at y " << y;
    }
}

TEST_F(HeaderFixture, PlacesTextByItemFormatWithinScaledInsets) {
    for (const UINT dpi : {96u, 144u}) {
        const int inset = ::MulDiv(8, static_cast<int>(dpi), 96);
        const int width = ::MulDiv(120, static_cast<int>(dpi), 96);
        const int height = ::MulDiv(24, static_cast<int>(dpi), 96);
        // Right of this the vertical border line begins.
        const int textLimit = width - ::MulDiv(1, static_cast<int>(dpi), 96) - 1;
        SCOPED_TRACE(::testing::Message() << "dpi " << dpi);

        auto inkOf = [&](int item) {
            Canvas canvas(width, height);
            EXPECT_TRUE(canvas.Valid());
            DrawHeaderCustom(Notification(canvas, CDDS_ITEMPREPAINT, item, width, height), palette_, dpi);
            return canvas.InkColumns(palette_.panelBackground, textLimit);
        };

        const Canvas::Ink left = inkOf(0);
        ASSERT_GE(left.left, 0) << "no text drawn";
        EXPECT_GE(left.left, inset);
        EXPECT_LE(left.left, inset + 2);
        EXPECT_LT(left.right, width / 2);

        const Canvas::Ink centred = inkOf(1);
        ASSERT_GE(centred.left, 0);
        EXPECT_NEAR((centred.left + centred.right) / 2, width / 2, 3);

        const Canvas::Ink right = inkOf(2);
        ASSERT_GE(right.left, 0);
        EXPECT_GT(right.left, width / 2);
        EXPECT_LE(right.right, width - inset - 1);
        EXPECT_GE(right.right, width - inset - 3);

        // A text far wider than the item ends in an ellipsis inside the insets.
        const Canvas::Ink cut = inkOf(3);
        ASSERT_GE(cut.left, 0);
        EXPECT_GE(cut.left, inset);
        EXPECT_LE(cut.right, width - inset - 1);

        HDITEMW sorted{};
        sorted.mask = HDI_FORMAT;
        Header_GetItem(HeaderOf(list_), 0, &sorted);
        sorted.fmt ^= HDF_SORTUP;
        Header_SetItem(HeaderOf(list_), 0, &sorted);
        EXPECT_GE(inkOf(0).right, width - inset - 2) << "the sort arrow, at the right end";
        sorted.fmt ^= HDF_SORTUP;
        Header_SetItem(HeaderOf(list_), 0, &sorted);
    }
}

TEST_F(HeaderFixture, LeavesTheLentDcAsItWas) {
    Canvas canvas(120, 24);
    ASSERT_TRUE(canvas.Valid());
    HDC dc = canvas.Dc();
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SetBkMode(dc, OPAQUE);
    const HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ brush = ::GetCurrentObject(dc, OBJ_BRUSH);
    const HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    for (int round = 0; round < 3; ++round) {
        DrawHeaderCustom(Notification(canvas, CDDS_ITEMPREPAINT, 2, 120, 24), palette_, 144);
    }
    EXPECT_EQ(::GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(dc), OPAQUE);
    // Our pen must not stay selected, or deleting it would have failed.
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font);
}

}  // namespace
}  // namespace varnel::ui
