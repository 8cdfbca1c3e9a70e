#pragma once
// Solid brushes and pens kept for the drawing code that asks for the same
// few colours again and again (every list cell of every repaint), so that a
// repaint creates and deletes no GDI object of its own. The colours come from
// one palette and a few fixed icon colours: the cache stays small, and a
// theme or DPI change empties it.

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "ui/theme/GdiOwners_win.h"

namespace varnel::ui {

class GdiObjectCache {
public:
    GdiObjectCache() = default;
    GdiObjectCache(const GdiObjectCache&) = delete;
    GdiObjectCache& operator=(const GdiObjectCache&) = delete;

    // Owned by the cache: valid until Clear or the cache's end, never to be
    // deleted by the caller. Null only when GDI cannot create the object.
    HBRUSH Brush(std::uint32_t colour);
    HPEN Pen(std::uint32_t colour, int width);
    // A new palette or DPI: the objects of the old one go.
    void Clear() noexcept;

    void Fill(HDC dc, const RECT& rect, std::uint32_t colour) { ::FillRect(dc, &rect, Brush(colour)); }

private:
    // Both lists are searched linearly: a palette has a dozen colours, and
    // beyond MaximumEntries (a caller asking for ever new colours) they are
    // emptied rather than grown.
    static constexpr std::size_t MaximumEntries = 64;
    std::vector<std::pair<std::uint32_t, UniqueBrush>> brushes_;
    std::vector<std::pair<std::uint64_t, UniquePen>> pens_;
};

}  // namespace varnel::ui
