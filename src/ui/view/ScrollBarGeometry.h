#pragma once
// Where the parts of a scroll bar lie and which position a dragged thumb
// stands for, for the scroll bars the lists draw themselves in dark themes.
// Lengths are pixels along the bar; positions are in the scrolled window's
// own units (rows of a list, pixels across it), as its SCROLLINFO gives them.

#include <cstdint>

namespace varnel::ui {

struct ScrollRange {
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;  // the last unit a page may show, as nMax
    std::int64_t page = 0;
    std::int64_t position = 0;

    friend constexpr bool operator==(const ScrollRange&, const ScrollRange&) = default;
};

enum class ScrollBarPart { None, LineBack, PageBack, Thumb, PageForward, LineForward };

struct ScrollBarGeometry {
    int length = 0;       // the whole bar
    int arrow = 0;        // each arrow button, at either end
    int thumbStart = 0;   // from the bar's start
    int thumbLength = 0;  // 0 when there is nothing to scroll or no room for a thumb

    // A bar `length` long and `thickness` across: square arrow buttons while
    // they fit, a thumb as long as the page's share of the range but never
    // shorter than the bar is thick (a list of 100,000 rows keeps a thumb
    // that can be grabbed).
    static ScrollBarGeometry Compute(int length, int thickness, const ScrollRange& range) noexcept;

    ScrollBarPart PartAt(int offset) const noexcept;

    // The position shown when the thumb starts at `thumbStart`, clamped to
    // the range; the range's own position when the thumb cannot move.
    std::int64_t PositionForThumb(int thumbStart, const ScrollRange& range) const noexcept;
};

}  // namespace varnel::ui
