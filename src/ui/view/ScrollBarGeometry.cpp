#include "ui/view/ScrollBarGeometry.h"

#include <algorithm>

namespace varnel::ui {
namespace {

// The units the thumb can travel over: the range less one page. A window
// that gives no page scrolls one unit at a time.
std::int64_t Scrollable(const ScrollRange& range) noexcept {
    const std::int64_t span = range.maximum - range.minimum + 1;
    return span - std::clamp<std::int64_t>(range.page, 1, std::max<std::int64_t>(span, 1));
}

}  // namespace

ScrollBarGeometry ScrollBarGeometry::Compute(int length, int thickness, const ScrollRange& range) noexcept {
    ScrollBarGeometry geometry;
    geometry.length = std::max(length, 0);
    geometry.arrow = std::clamp(thickness, 0, geometry.length / 2);
    const int track = geometry.length - 2 * geometry.arrow;
    const std::int64_t span = range.maximum - range.minimum + 1;
    const std::int64_t scrollable = Scrollable(range);
    if (track <= 0 || span <= 0 || scrollable <= 0) {
        return geometry;
    }
    const std::int64_t page = std::clamp<std::int64_t>(range.page, 1, span);
    const auto proportional = static_cast<int>(static_cast<std::int64_t>(track) * page / span);
    const int thumb = std::clamp(proportional, std::min(std::max(thickness, 1), track), track);
    if (thumb >= track) {
        return geometry;  // no room to move: the system's bars show no thumb either
    }
    const std::int64_t offset = std::clamp<std::int64_t>(range.position - range.minimum, 0, scrollable);
    const std::int64_t travel = track - thumb;
    geometry.thumbLength = thumb;
    geometry.thumbStart = geometry.arrow + static_cast<int>((travel * offset + scrollable / 2) / scrollable);
    return geometry;
}

ScrollBarPart ScrollBarGeometry::PartAt(int offset) const noexcept {
    if (offset < 0 || offset >= length) return ScrollBarPart::None;
    if (offset < arrow) return ScrollBarPart::LineBack;
    if (offset >= length - arrow) return ScrollBarPart::LineForward;
    if (thumbLength == 0) return ScrollBarPart::None;
    if (offset < thumbStart) return ScrollBarPart::PageBack;
    if (offset < thumbStart + thumbLength) return ScrollBarPart::Thumb;
    return ScrollBarPart::PageForward;
}

std::int64_t ScrollBarGeometry::PositionForThumb(int start, const ScrollRange& range) const noexcept {
    const std::int64_t travel = length - 2 * arrow - thumbLength;
    const std::int64_t scrollable = Scrollable(range);
    if (thumbLength == 0 || travel <= 0 || scrollable <= 0) {
        return range.position;
    }
    const std::int64_t moved = std::clamp<std::int64_t>(start - arrow, 0, travel);
    return range.minimum + (moved * scrollable + travel / 2) / travel;
}

}  // namespace varnel::ui
