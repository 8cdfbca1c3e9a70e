#include "ui/theme/GdiObjectCache_win.h"

namespace varnel::ui {

HBRUSH GdiObjectCache::Brush(std::uint32_t colour) {
    for (const auto& [kept, brush] : brushes_) {
        if (kept == colour) return brush.get();
    }
    if (brushes_.size() >= MaximumEntries) brushes_.clear();
    UniqueBrush made(::CreateSolidBrush(colour));
    const HBRUSH handle = made.get();
    if (handle != nullptr) brushes_.emplace_back(colour, std::move(made));
    return handle;
}

HPEN GdiObjectCache::Pen(std::uint32_t colour, int width) {
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32) | colour;
    for (const auto& [kept, pen] : pens_) {
        if (kept == key) return pen.get();
    }
    if (pens_.size() >= MaximumEntries) pens_.clear();
    UniquePen made(::CreatePen(PS_SOLID, width, colour));
    const HPEN handle = made.get();
    if (handle != nullptr) pens_.emplace_back(key, std::move(made));
    return handle;
}

void GdiObjectCache::Clear() noexcept {
    brushes_.clear();
    pens_.clear();
}

}  // namespace varnel::ui
