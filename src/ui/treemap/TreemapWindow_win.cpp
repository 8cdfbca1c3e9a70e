#include "ui/treemap/TreemapWindow_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "i18n/Formatting.h"
#include "ui/lists/CutTextTip_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/window/MainWindowIds.h"

namespace varnel::ui {
namespace {

constexpr int PathLinePadding = 6;  // at 96 DPI
constexpr int OutlineWidth = 2;     // at 96 DPI

const core::FileTypeIndex NoTypes;

}  // namespace

TreemapWindow::TreemapWindow(TreemapEvents events) : events_(std::move(events)) {}

TreemapWindow::~TreemapWindow() { EndWorker(); }

void TreemapWindow::EndWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool TreemapWindow::Create(HWND parent, HINSTANCE instance, int id) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &TreemapWindow::WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = TreemapClassName;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    if (::CreateWindowExW(0, TreemapClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this) == nullptr) {
        return false;
    }
    const HWND self = window_;
    tip_ = CreateCutTextTip(window_, instance, std::span<const HWND>(&self, 1), Scale(600));
    worker_ = std::thread([this] { WorkerLoop(); });
    return true;
}

LRESULT TreemapWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: return OnPaint();
        case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE: return OnSize();
        case TreemapPictureReadyMessage: return OnPictureReady();
        case WM_LBUTTONDOWN: return OnLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_LBUTTONDBLCLK: return OnDoubleClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_MOUSEMOVE: return OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_CONTEXTMENU: return OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_KEYDOWN: return OnKeyDown(wParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS: return OnFocusChange();
        case WM_GETDLGCODE: {
            // Enter and Backspace zoom here instead of pressing the default button.
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const bool zoomKey = key != nullptr && key->message == WM_KEYDOWN &&
                                 (key->wParam == VK_RETURN || key->wParam == VK_BACK);
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (zoomKey ? DLGC_WANTMESSAGE : 0);
        }
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            RequestPicture();  // the path line above the picture changed height
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
        case WM_NOTIFY: {
            auto& header = *reinterpret_cast<NMHDR*>(lParam);
            if (header.hwndFrom == tip_ && header.code == TTN_GETDISPINFOW) {
                reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = tipText_.data();
            }
            return 0;
        }
        // The worker posts to this window: it ends before the handle does.
        case WM_DESTROY: EndWorker(); return 0;
        default: return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

void TreemapWindow::SetDpi(UINT dpi) {
    dpi_ = dpi == 0 ? 96 : dpi;
    RequestPicture();
}

void TreemapWindow::SetPalette(const ThemePalette& palette) {
    palette_ = palette;
    RequestPicture();
    if (window_ != nullptr) {
        ::InvalidateRect(window_, nullptr, FALSE);
    }
}

const core::FileTypeIndex& TreemapWindow::Types() const noexcept { return types_ ? *types_ : NoTypes; }

void TreemapWindow::ShowResult(const core::ScanResult* result, core::SizeMeasure measure) {
    StopWork();
    result_ = result != nullptr && result->rootIndex < result->nodes.size() ? result : nullptr;
    measure_ = measure;
    zoomTop_ = result_ != nullptr ? result_->rootIndex : core::NoIndex;
    selection_ = core::NoIndex;
    highlight_ = core::FileTypeIndex::None;
    types_.reset();
    RequestPicture(true);
}

void TreemapWindow::Clear() {
    StopWork();
    result_ = nullptr;
    zoomTop_ = selection_ = core::NoIndex;
    types_.reset();
    shown_ = Picture();
    acceptedFrom_ = ++generation_;
    if (window_ != nullptr) {
        ::InvalidateRect(window_, nullptr, FALSE);
    }
}

void TreemapWindow::StopWork() {
    std::unique_lock lock(mutex_);
    hasJob_ = false;
    idle_.wait(lock, [this] { return !busy_; });
}

void TreemapWindow::SetSizeMeasure(core::SizeMeasure measure) {
    if (measure != measure_) {
        measure_ = measure;
        RequestPicture();
    }
}

void TreemapWindow::SetSelection(std::uint64_t node) {
    if (node != selection_ && window_ != nullptr) {
        selection_ = node;
        ::InvalidateRect(window_, nullptr, FALSE);
    }
}

void TreemapWindow::SetHighlight(std::uint32_t extension) {
    if (extension != highlight_) {
        highlight_ = extension;
        RequestPicture();
    }
}

void TreemapWindow::ZoomTo(std::uint64_t folder) {
    if (result_ == nullptr || folder >= result_->nodes.size()) {
        return;
    }
    if (!result_->nodes[folder].IsDirectory()) {
        folder = result_->nodes[folder].Parent();
    }
    if (folder != core::NoIndex && folder != zoomTop_) {
        zoomTop_ = folder;
        RequestPicture();
        ::InvalidateRect(window_, nullptr, FALSE);
    }
}

void TreemapWindow::ZoomOut() {
    if (result_ != nullptr && zoomTop_ != result_->rootIndex && zoomTop_ < result_->nodes.size()) {
        zoomTop_ = result_->nodes[zoomTop_].Parent();
        RequestPicture();
        ::InvalidateRect(window_, nullptr, FALSE);
    }
}

int TreemapWindow::PathLineHeight() const {
    const HDC dc = ::GetDC(window_);
    TEXTMETRICW metrics{};
    {
        const SelectGuard font(dc, font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
        ::GetTextMetricsW(dc, &metrics);
    }
    ::ReleaseDC(window_, dc);
    return metrics.tmHeight + Scale(PathLinePadding);
}

RECT TreemapWindow::PictureRect() const {
    RECT client{};
    ::GetClientRect(window_, &client);
    client.top = std::min<LONG>(client.bottom, PathLineHeight());
    return client;
}

void TreemapWindow::RequestPicture(bool indexTypes) {
    if (result_ == nullptr || window_ == nullptr) {
        return;
    }
    const RECT area = PictureRect();
    Job job;
    job.result = result_;
    job.top = zoomTop_;
    job.measure = measure_;
    job.width = area.right - area.left;
    job.height = area.bottom - area.top;
    job.highlight = highlight_;
    job.colours = TreemapColoursFor(palette_);
    job.generation = ++generation_;
    {
        std::lock_guard lock(mutex_);
        // A waiting job that was to index the types still has to.
        job.indexTypes = indexTypes || (hasJob_ && job_.indexTypes);
        job_ = job;
        hasJob_ = true;
    }
    wake_.notify_one();
}

void TreemapWindow::WorkerLoop() {
    std::shared_ptr<const core::FileTypeIndex> types;  // the worker's copy for the pictures it draws
    const HWND target = window_;  // set before the worker starts, and it ends before the window
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || hasJob_; });
            if (stopping_) {
                return;
            }
            job = job_;
            hasJob_ = false;
            busy_ = true;
        }
        auto picture = std::make_unique<Picture>();
        picture->generation = job.generation;
        if (job.indexTypes) {
            types = std::make_shared<const core::FileTypeIndex>(job.result->nodes);
            picture->types = types;
        }
        if (job.width > 0 && job.height > 0 && types) {
            picture->layout = TreemapLayout::Compute(job.result->nodes, job.top, job.measure, job.width, job.height);
            picture->pixels.resize(static_cast<std::size_t>(job.width) * static_cast<std::size_t>(job.height));
            RenderTreemap(picture->layout, job.result->nodes, *types, job.colours, job.highlight, picture->pixels);
        }
        {
            std::lock_guard lock(mutex_);
            if (ready_ && ready_->types && !picture->types) {
                picture->types = std::move(ready_->types);  // not yet taken: passed on
            }
            ready_ = std::move(picture);
            busy_ = false;
        }
        idle_.notify_all();
        ::PostMessageW(target, TreemapPictureReadyMessage, 0, 0);
    }
}

LRESULT TreemapWindow::OnPictureReady() {
    std::unique_ptr<Picture> picture;
    {
        std::lock_guard lock(mutex_);
        picture = std::move(ready_);
    }
    if (!picture || picture->generation <= acceptedFrom_ || result_ == nullptr) {
        return 0;
    }
    const bool typesCame = picture->types != nullptr;
    if (typesCame) {
        types_ = std::move(picture->types);
    }
    if (picture->layout.Width() > 0 || shown_.layout.Tiles().empty()) {
        shown_ = std::move(*picture);
    }
    ::InvalidateRect(window_, nullptr, FALSE);
    if (typesCame && events_.typesReady) {
        events_.typesReady();
    }
    return 0;
}

LRESULT TreemapWindow::OnSize() {
    RequestPicture();
    ::InvalidateRect(window_, nullptr, FALSE);
    return 0;
}

std::wstring TreemapWindow::ZoomedPathText() const {
    if (result_ == nullptr || zoomTop_ >= result_->nodes.size()) {
        return {};
    }
    return result_->nodes[zoomTop_].Path();
}

LRESULT TreemapWindow::OnPaint() {
    PaintDc paint(window_);
    Paint(paint.get());
    return 0;
}

void TreemapWindow::Paint(HDC dc) {
    RECT client{};
    ::GetClientRect(window_, &client);
    const RECT picture = PictureRect();
    const auto fill = [dc](const RECT& rect, std::uint32_t colour) {
        const UniqueBrush brush(::CreateSolidBrush(colour));
        ::FillRect(dc, &rect, brush.get());
    };
    // The zoomed path on its own line above the picture.
    RECT line{client.left, client.top, client.right, picture.top};
    fill(line, palette_.panelBackground);
    {
        const SavedDcState saved(dc);
        ::SelectObject(dc, font_ != nullptr ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, palette_.listText);
        std::wstring text = ZoomedPathText();
        RECT textRect{line.left + Scale(4), line.top, line.right - Scale(4), line.bottom};
        ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &textRect,
                    DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS | DT_NOPREFIX);
    }
    const TreemapLayout& layout = shown_.layout;
    const int width = picture.right - picture.left;
    const int height = picture.bottom - picture.top;
    if (layout.Width() <= 0 || layout.Height() <= 0 || shown_.pixels.empty()) {
        fill(picture, palette_.listBackground);
    } else {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = layout.Width();
        info.bmiHeader.biHeight = -layout.Height();
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        // Until the picture for a new size is ready, the last one is stretched.
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchDIBits(dc, picture.left, picture.top, width, height, 0, 0, layout.Width(), layout.Height(),
                        shown_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    }
    if (::GetFocus() == window_) {
        RECT focus = client;
        ::DrawFocusRect(dc, &focus);
    }
    const std::uint32_t tile =
        result_ != nullptr && selection_ != core::NoIndex ? layout.TileOf(result_->nodes, selection_) : TreemapLayout::None;
    if (tile != TreemapLayout::None && layout.Width() > 0 && layout.Height() > 0) {
        const TreemapTile& t = layout.Tiles()[tile];
        const double sx = static_cast<double>(width) / layout.Width();
        const double sy = static_cast<double>(height) / layout.Height();
        RECT outline{picture.left + static_cast<LONG>(t.left * sx + 0.5), picture.top + static_cast<LONG>(t.top * sy + 0.5),
                     picture.left + static_cast<LONG>(t.right * sx + 0.5),
                     picture.top + static_cast<LONG>(t.bottom * sy + 0.5)};
        // Dark outside, light inside: visible on every tile colour.
        const int thickness = std::max(1, Scale(OutlineWidth));
        for (int i = 0; i < 2 * thickness; ++i) {
            const UniqueBrush brush(::CreateSolidBrush(i < thickness ? RGB(0, 0, 0) : RGB(255, 255, 255)));
            ::FrameRect(dc, &outline, brush.get());
            ::InflateRect(&outline, -1, -1);
        }
    }
}

LRESULT TreemapWindow::OnFocusChange() {
    ::InvalidateRect(window_, nullptr, FALSE);
    return 0;
}

std::uint64_t TreemapWindow::NodeAt(int x, int y) const {
    const TreemapLayout& layout = shown_.layout;
    const RECT picture = PictureRect();
    const int width = picture.right - picture.left;
    const int height = picture.bottom - picture.top;
    if (result_ == nullptr || width <= 0 || height <= 0 || layout.Tiles().empty()) {
        return core::NoIndex;
    }
    const float px = static_cast<float>(x - picture.left) * static_cast<float>(layout.Width()) / static_cast<float>(width);
    const float py = static_cast<float>(y - picture.top) * static_cast<float>(layout.Height()) / static_cast<float>(height);
    const std::uint32_t tile = layout.TileAt(px + 0.5f, py + 0.5f);
    return tile == TreemapLayout::None ? core::NoIndex : layout.Tiles()[tile].node;
}

LRESULT TreemapWindow::OnLeftButtonDown(int x, int y) {
    ::SetFocus(window_);
    const std::uint64_t node = NodeAt(x, y);
    if (node != core::NoIndex) {
        SetSelection(node);
        if (events_.picked) events_.picked(node);
    }
    return 0;
}

LRESULT TreemapWindow::OnDoubleClick(int x, int y) {
    const std::uint64_t node = NodeAt(x, y);
    if (node != core::NoIndex) {
        ZoomTo(node);
    }
    return 0;
}

LRESULT TreemapWindow::OnMouseMove(int x, int y) {
    UpdateTip(x, y);
    return 0;
}

void TreemapWindow::UpdateTip(int x, int y) {
    const std::uint64_t node = NodeAt(x, y);
    if (node == tipNode_) {
        return;
    }
    tipNode_ = node;
    tipText_ = node == core::NoIndex ? std::wstring() : TipText(node);
    // A shown tip belongs to the tile it was asked for.
    ::SendMessageW(tip_, TTM_POP, 0, 0);
}

std::wstring TreemapWindow::TipText(std::uint64_t node) const {
    const core::NodeView item = result_->nodes[node];
    const std::uint64_t size = core::DisplaySize(item, measure_);
    const std::uint64_t total = zoomTop_ < result_->nodes.size() ? core::DisplaySize(result_->nodes[zoomTop_], measure_) : 0;
    const double share = total == 0 ? 0.0 : 100.0 * static_cast<double>(size) / static_cast<double>(total);
    const std::wstring name = item.Name().empty() ? item.Path() : std::wstring(item.Name());
    return name + L"\n" + i18n::FormatSize(locale_, size) + L"  (" + i18n::FormatShare(locale_, share) + L")\n" +
           item.Path();
}

void TreemapWindow::MoveSelection(int dx, int dy) {
    const TreemapLayout& layout = shown_.layout;
    if (result_ == nullptr || layout.Tiles().empty()) {
        return;
    }
    std::uint32_t tile = selection_ == core::NoIndex ? TreemapLayout::None : layout.TileOf(result_->nodes, selection_);
    float x = static_cast<float>(layout.Width()) / 2;
    float y = static_cast<float>(layout.Height()) / 2;
    if (tile != TreemapLayout::None && tile != 0) {
        const TreemapTile& t = layout.Tiles()[tile];
        x = dx < 0 ? t.left - 0.5f : dx > 0 ? t.right + 0.5f : (t.left + t.right) / 2;
        y = dy < 0 ? t.top - 0.5f : dy > 0 ? t.bottom + 0.5f : (t.top + t.bottom) / 2;
    }
    const std::uint32_t next = layout.TileAt(x, y);
    if (next == TreemapLayout::None) {
        return;
    }
    SetSelection(layout.Tiles()[next].node);
    if (events_.picked) events_.picked(selection_);
}

LRESULT TreemapWindow::OnKeyDown(WPARAM key) {
    switch (key) {
        case VK_LEFT: MoveSelection(-1, 0); return 0;
        case VK_RIGHT: MoveSelection(1, 0); return 0;
        case VK_UP: MoveSelection(0, -1); return 0;
        case VK_DOWN: MoveSelection(0, 1); return 0;
        case VK_RETURN:
            if (selection_ != core::NoIndex) ZoomTo(selection_);
            return 0;
        case VK_BACK: ZoomOut(); return 0;
        default: return ::DefWindowProcW(window_, WM_KEYDOWN, key, 0);
    }
}

LRESULT TreemapWindow::OnContextMenu(int x, int y) {
    POINT at{x, y};
    std::uint64_t node = selection_;
    if (x == -1 && y == -1) {
        const std::uint32_t tile =
            result_ != nullptr && node != core::NoIndex ? shown_.layout.TileOf(result_->nodes, node) : TreemapLayout::None;
        const RECT picture = PictureRect();
        at = {picture.left, picture.top};
        if (tile != TreemapLayout::None) {
            const TreemapTile& t = shown_.layout.Tiles()[tile];
            at.x += static_cast<LONG>((t.left + t.right) / 2);
            at.y += static_cast<LONG>((t.top + t.bottom) / 2);
        }
        ::ClientToScreen(window_, &at);
    } else {
        POINT client = at;
        ::ScreenToClient(window_, &client);
        node = NodeAt(client.x, client.y);
        if (node != core::NoIndex) {
            SetSelection(node);
            if (events_.picked) events_.picked(node);
        }
    }
    if (node != core::NoIndex && events_.contextMenu) {
        events_.contextMenu(node, at);
    }
    return 0;
}

}  // namespace varnel::ui
