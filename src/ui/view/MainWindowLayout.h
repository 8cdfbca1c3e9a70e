#pragma once
// Where the main window's controls and splitters go for a client size and
// DPI. Pure arithmetic, so the clamps are tested natively; lengths are kept
// at 96 DPI and scaled here.

#include <cstdint>

namespace varnel::ui {

// round(value * dpi / 96), as the system's multiply-divide rounds.
int ScaleForDpi(int value, std::uint32_t dpi);

struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool operator==(const LayoutRect&) const = default;
};

// Button widths already measured for the current texts and font.
struct ButtonWidths {
    int folder = 0;
    int scan = 0;
    int cancel = 0;
    int open = 0;
};

// The user's splitter positions, kept as shares of the room the panes have,
// so a window made small and then large again gets its proportions back
// (the pixel sizes are clamped at each layout, the shares are not). The
// pixel sizes are those of the last layout.
struct PaneSizes {
    double leftShare = 0.5;
    double upperRightShare = 0.5;
    int leftWidth = 0;
    int upperRightHeight = 0;
    // The band of result panes (treemap, file types) below the lists: which
    // are shown, its share of the content height, the treemap's of its width.
    bool showTreemap = false;
    bool showFileTypes = false;
    double bandShare = 0.42;
    double treemapShare = 0.62;
    // The ranking of what grew most, beside the largest folders while the
    // result is compared with an earlier snapshot.
    bool showGrewMost = false;
};

struct LayoutSize {
    int width = 0;
    int height = 0;
    bool operator==(const LayoutSize&) const = default;
};

struct MainLayout {
    LayoutRect pathBox;
    int pathBoxDropHeight = 0;
    LayoutRect folder, scan, cancel, open;
    LayoutRect tree, largestFiles, largestFolders;
    LayoutRect grewMost;  // empty while it is hidden
    LayoutRect verticalSplitter, horizontalSplitter;
    int contentTop = 0;
    // Empty while the band is hidden.
    LayoutRect treemap, fileTypes, bandSplitter, treemapSplitter;
};

enum class SplitterHit { None = 0, Vertical = 1, Horizontal = 2, Band = 3, Treemap = 4 };

class MainWindowLayout {
public:
    // Places everything and settles pane sizes (first placement and clamps).
    static MainLayout Compute(int clientWidth, int clientHeight, std::uint32_t dpi, const ButtonWidths& buttons,
                              PaneSizes& panes);

    static SplitterHit HitTest(const MainLayout& layout, int x, int y);

    // A splitter dragged to the cursor, clamped as the layout clamps it.
    static void DragVertical(int cursorX, int clientWidth, std::uint32_t dpi, PaneSizes& panes);
    static void DragHorizontal(int cursorY, int clientHeight, std::uint32_t dpi, PaneSizes& panes);
    // The splitter above the band, and the one between treemap and file types.
    static void DragBand(int cursorY, int clientHeight, std::uint32_t dpi, PaneSizes& panes);
    static void DragTreemap(int cursorX, int clientWidth, std::uint32_t dpi, PaneSizes& panes);

    // Keeps the panes' proportions when the window moves to another DPI.
    static void RescaleForDpi(std::uint32_t oldDpi, std::uint32_t newDpi, PaneSizes& panes);

    // The smallest client area in which every button and every pane keeps
    // its minimum inside the window.
    // The band of result panes, when shown, adds its minimum height.
    static LayoutSize MinimumClientSize(std::uint32_t dpi, const ButtonWidths& buttons, bool band = false);

    static int ClampLeftWidth(int width, int clientWidth, std::uint32_t dpi);
    static int ClampUpperRightHeight(int height, int contentHeight, std::uint32_t dpi);
};

// Where the window goes at start-up: 1280 x 720 at 96 DPI scaled to `dpi`,
// but at most 80 % of the work area and 48 pixels inside it; centred.
LayoutRect InitialPlacement(const LayoutRect& workArea, std::uint32_t dpi);

}  // namespace varnel::ui
