#include "ui/view/MainWindowLayout.h"

#include <algorithm>

namespace varnel::ui {
namespace {

// Fixed lengths at 96 DPI.
constexpr int Margin = 8;
constexpr int SplitterThickness = 6;
constexpr int ButtonHeight = 28;
constexpr int PathBoxMinWidth = 300;
constexpr int PathBoxMaxWidth = 460;
constexpr int PathBoxDropHeight = 180;
constexpr int ToolRowHeight = 36;
constexpr int StatusBarReserve = 24;
constexpr int MinLeftWidth = 180;
constexpr int MinRightWidth = 320;
constexpr int MinPaneHeight = 120;
constexpr int MinBandHeight = 100;
constexpr int MinBandPaneWidth = 160;

int ContentTop(std::uint32_t dpi) { return ScaleForDpi(Margin, dpi) + ScaleForDpi(ToolRowHeight, dpi); }

// The width both columns share, and the height both right panes share.
int PaneRoomWidth(int clientWidth, std::uint32_t dpi) {
    return std::max(clientWidth - 3 * ScaleForDpi(Margin, dpi) - ScaleForDpi(SplitterThickness, dpi), 0);
}

int PaneRoomHeight(int contentHeight, std::uint32_t dpi) {
    return std::max(contentHeight - ScaleForDpi(SplitterThickness, dpi), 0);
}

// The share's part of the room; the small addition keeps a share that was
// taken from a whole number of pixels at that number after rounding errors.
int PartOf(double share, int room) { return static_cast<int>(share * room + 1e-6); }

double ShareOfRoom(int part, int room) { return room > 0 ? static_cast<double>(part) / room : 0.5; }

int ContentHeight(int clientHeight, std::uint32_t dpi) {
    return std::max(clientHeight - ScaleForDpi(Margin, dpi) - ScaleForDpi(StatusBarReserve, dpi) - ContentTop(dpi), 0);
}

bool HasBand(const PaneSizes& panes) { return panes.showTreemap || panes.showFileTypes; }

// The band's height within the content height: its share, clamped so that
// the lists above keep their minimum first.
int BandHeight(double share, int contentHeight, std::uint32_t dpi) {
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int room = std::max(contentHeight - s, 0);
    const int lower = ScaleForDpi(MinBandHeight, dpi);
    const int upper = std::max(lower, room - 2 * ScaleForDpi(MinPaneHeight, dpi) - s);
    return std::min(std::max(static_cast<int>(share * room + 1e-6), lower), upper);
}

// The content height the lists keep above the band.
int ListsHeight(int clientHeight, std::uint32_t dpi, const PaneSizes& panes) {
    const int height = ContentHeight(clientHeight, dpi);
    if (!HasBand(panes)) {
        return height;
    }
    return std::max(height - BandHeight(panes.bandShare, height, dpi) - ScaleForDpi(SplitterThickness, dpi), 0);
}

int TreemapWidth(double share, int bandWidth, std::uint32_t dpi) {
    const int room = std::max(bandWidth - ScaleForDpi(SplitterThickness, dpi), 0);
    const int lower = ScaleForDpi(MinBandPaneWidth, dpi);
    return std::min(std::max(static_cast<int>(share * room + 1e-6), lower), std::max(lower, room - lower));
}

}  // namespace

int ScaleForDpi(int value, std::uint32_t dpi) {
    const long long product = static_cast<long long>(value) * dpi;
    const long long rounded = product >= 0 ? (product + 48) / 96 : -((-product + 48) / 96);
    return static_cast<int>(rounded);
}

int MainWindowLayout::ClampLeftWidth(int width, int clientWidth, std::uint32_t dpi) {
    const int m = ScaleForDpi(Margin, dpi);
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int lower = ScaleForDpi(MinLeftWidth, dpi);
    const int upper = std::max(lower, clientWidth - 3 * m - ScaleForDpi(MinRightWidth, dpi) - s);
    // The upper bound wins, so the right column keeps its minimum first.
    return std::min(std::max(width, lower), upper);
}

int MainWindowLayout::ClampUpperRightHeight(int height, int contentHeight, std::uint32_t dpi) {
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int available = std::max(contentHeight - s, 0);
    const int lower = ScaleForDpi(MinPaneHeight, dpi);
    const int upper = std::max(lower, available - lower);
    return std::min(std::max(height, lower), upper);
}

MainLayout MainWindowLayout::Compute(int clientWidth, int clientHeight, std::uint32_t dpi,
                                     const ButtonWidths& buttons, PaneSizes& panes) {
    const int m = ScaleForDpi(Margin, dpi);
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int h = ScaleForDpi(ButtonHeight, dpi);
    MainLayout layout;

    const int pathWidth =
        std::clamp(clientWidth - 10 * m - (buttons.open + buttons.cancel + buttons.scan + buttons.folder),
                   ScaleForDpi(PathBoxMinWidth, dpi), ScaleForDpi(PathBoxMaxWidth, dpi));
    layout.pathBox = {m, m, pathWidth, h};
    layout.pathBoxDropHeight = ScaleForDpi(PathBoxDropHeight, dpi);
    layout.folder = {2 * m + pathWidth, m, buttons.folder, h};
    layout.scan = {3 * m + pathWidth + buttons.folder, m, buttons.scan, h};
    layout.cancel = {4 * m + pathWidth + buttons.folder + buttons.scan, m, buttons.cancel, h};
    // A wider gap sets Open apart from the scan controls.
    layout.open = {9 * m + pathWidth + buttons.folder + buttons.scan + buttons.cancel, m, buttons.open, h};

    const int top = ContentTop(dpi);
    int height = ContentHeight(clientHeight, dpi);
    layout.contentTop = top;
    int contentBottom = clientHeight - m - ScaleForDpi(StatusBarReserve, dpi);
    if (HasBand(panes)) {
        const int band = BandHeight(panes.bandShare, height, dpi);
        height = std::max(height - band - s, 0);
        contentBottom = top + height;
        const int bandWidth = std::max(clientWidth - 2 * m, 0);
        const int bandTop = top + height + s;
        layout.bandSplitter = {m, top + height, bandWidth, s};
        if (panes.showTreemap && panes.showFileTypes) {
            const int treemapWidth = TreemapWidth(panes.treemapShare, bandWidth, dpi);
            layout.treemap = {m, bandTop, treemapWidth, band};
            layout.treemapSplitter = {m + treemapWidth, bandTop, s, band};
            layout.fileTypes = {m + treemapWidth + s, bandTop, std::max(bandWidth - treemapWidth - s, 0), band};
        } else {
            (panes.showTreemap ? layout.treemap : layout.fileTypes) = {m, bandTop, bandWidth, band};
        }
    }

    panes.leftWidth = ClampLeftWidth(PartOf(panes.leftShare, PaneRoomWidth(clientWidth, dpi)), clientWidth, dpi);
    const int left = panes.leftWidth;
    const int rightX = 2 * m + left + s;
    const int rightWidth = std::max(clientWidth - m - rightX, 0);

    panes.upperRightHeight =
        ClampUpperRightHeight(PartOf(panes.upperRightShare, PaneRoomHeight(height, dpi)), height, dpi);
    const int upper = panes.upperRightHeight;

    layout.tree = {m, top, left, height};
    layout.largestFiles = {rightX, top, rightWidth, upper};
    layout.largestFolders = {rightX, top + upper + s, rightWidth, std::max(height - s - upper, 0)};
    if (panes.showGrewMost) {
        // Half each, a margin apart: the two rankings of folders side by side.
        const int half = std::max((rightWidth - m) / 2, 0);
        layout.grewMost = layout.largestFolders;
        layout.largestFolders.width = half;
        layout.grewMost.x = rightX + half + m;
        layout.grewMost.width = std::max(rightWidth - half - m, 0);
    }

    layout.verticalSplitter = {m + left, top, s, std::max(contentBottom - top, 0)};
    const int horizontalLeft = m + left + s + m;
    layout.horizontalSplitter = {horizontalLeft, top + upper, std::max(clientWidth - m - horizontalLeft, 0), s};
    return layout;
}

SplitterHit MainWindowLayout::HitTest(const MainLayout& layout, int x, int y) {
    if (layout.verticalSplitter.Contains(x, y)) return SplitterHit::Vertical;
    if (layout.horizontalSplitter.Contains(x, y)) return SplitterHit::Horizontal;
    if (layout.bandSplitter.Contains(x, y)) return SplitterHit::Band;
    if (layout.treemapSplitter.Contains(x, y)) return SplitterHit::Treemap;
    return SplitterHit::None;
}

void MainWindowLayout::DragVertical(int cursorX, int clientWidth, std::uint32_t dpi, PaneSizes& panes) {
    const int m = ScaleForDpi(Margin, dpi);
    const int s = ScaleForDpi(SplitterThickness, dpi);
    panes.leftWidth = ClampLeftWidth(cursorX - s / 2 - m, clientWidth, dpi);
    panes.leftShare = ShareOfRoom(panes.leftWidth, PaneRoomWidth(clientWidth, dpi));
}

void MainWindowLayout::DragHorizontal(int cursorY, int clientHeight, std::uint32_t dpi, PaneSizes& panes) {
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int height = ListsHeight(clientHeight, dpi, panes);
    panes.upperRightHeight = ClampUpperRightHeight(cursorY - s / 2 - ContentTop(dpi), height, dpi);
    panes.upperRightShare = ShareOfRoom(panes.upperRightHeight, PaneRoomHeight(height, dpi));
}

void MainWindowLayout::DragBand(int cursorY, int clientHeight, std::uint32_t dpi, PaneSizes& panes) {
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int height = ContentHeight(clientHeight, dpi);
    const int room = std::max(height - s, 0);
    const int band = BandHeight(ShareOfRoom(ContentTop(dpi) + height - (cursorY + s / 2), room), height, dpi);
    panes.bandShare = ShareOfRoom(band, room);
}

void MainWindowLayout::DragTreemap(int cursorX, int clientWidth, std::uint32_t dpi, PaneSizes& panes) {
    const int m = ScaleForDpi(Margin, dpi);
    const int s = ScaleForDpi(SplitterThickness, dpi);
    const int bandWidth = std::max(clientWidth - 2 * m, 0);
    const int room = std::max(bandWidth - s, 0);
    panes.treemapShare = ShareOfRoom(TreemapWidth(ShareOfRoom(cursorX - s / 2 - m, room), bandWidth, dpi), room);
}

void MainWindowLayout::RescaleForDpi(std::uint32_t oldDpi, std::uint32_t newDpi, PaneSizes& panes) {
    if (oldDpi == 0 || oldDpi == newDpi) {
        return;
    }
    const auto rescale = [&](int value) {
        return static_cast<int>((static_cast<long long>(value) * newDpi + oldDpi / 2) / oldDpi);
    };
    panes.leftWidth = rescale(panes.leftWidth);
    panes.upperRightHeight = rescale(panes.upperRightHeight);
}

LayoutSize MainWindowLayout::MinimumClientSize(std::uint32_t dpi, const ButtonWidths& buttons, bool band) {
    const auto scale = [dpi](int value) { return ScaleForDpi(value, dpi); };
    const int toolRow = 10 * scale(Margin) + scale(PathBoxMinWidth) + buttons.folder + buttons.scan + buttons.cancel +
                        buttons.open;
    const int panes = 3 * scale(Margin) + scale(SplitterThickness) + scale(MinLeftWidth) + scale(MinRightWidth);
    const int height = ContentTop(dpi) + 2 * scale(MinPaneHeight) + scale(SplitterThickness) + scale(Margin) +
                       scale(StatusBarReserve) + (band ? scale(MinBandHeight) + scale(SplitterThickness) : 0);
    return {std::max(toolRow, panes), height};
}

LayoutRect InitialPlacement(const LayoutRect& workArea, std::uint32_t dpi) {
    constexpr int PreferredWidth = 1280;
    constexpr int PreferredHeight = 720;
    constexpr int Inset = 48;
    const auto fit = [&](int preferred, int area) {
        return std::max(std::min({ScaleForDpi(preferred, dpi), area * 80 / 100, area - Inset}), 1);
    };
    const int width = fit(PreferredWidth, workArea.width);
    const int height = fit(PreferredHeight, workArea.height);
    return {workArea.x + std::max((workArea.width - width) / 2, 0),
            workArea.y + std::max((workArea.height - height) / 2, 0), width, height};
}

}  // namespace varnel::ui
