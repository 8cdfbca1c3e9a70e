#include "ui/treemap/TreemapRenderer.h"

#include <algorithm>
#include <cmath>

namespace varnel::ui {
namespace {

constexpr std::uint32_t Pixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

// In group order: pictures, video, audio, archives, documents, programs,
// source, system, other. Hues a quarter-turn apart where they can be, so
// that neighbouring groups differ in hue and not only in lightness; the
// dark set is less saturated so that it does not glare on a dark window.
constexpr std::array<std::uint32_t, core::FileTypeGroupCount> LightGroups{
    Pixel(0xE6, 0x4B, 0x3C), Pixel(0x8E, 0x44, 0xAD), Pixel(0x27, 0xAE, 0x60), Pixel(0xE6, 0x7E, 0x22),
    Pixel(0x29, 0x80, 0xB9), Pixel(0xD3, 0x54, 0x9A), Pixel(0x16, 0xA0, 0x85), Pixel(0x7F, 0x8C, 0x2D),
    Pixel(0xA0, 0xA4, 0xAC)};
constexpr std::array<std::uint32_t, core::FileTypeGroupCount> DarkGroups{
    Pixel(0xD9, 0x6A, 0x5E), Pixel(0xA5, 0x7B, 0xC9), Pixel(0x5C, 0xB8, 0x7A), Pixel(0xDE, 0x9A, 0x52),
    Pixel(0x5B, 0x9B, 0xD5), Pixel(0xD0, 0x7E, 0xB0), Pixel(0x4F, 0xB8, 0xA8), Pixel(0xA8, 0xB0, 0x5A),
    Pixel(0x8C, 0x90, 0x98)};

// The light falls from the upper left.
constexpr float LightX = -0.09759f;
constexpr float LightY = -0.19518f;
constexpr float LightZ = 0.97590f;
constexpr float Ambient = 0.35f;
constexpr float Diffuse = 0.75f;

// The pixels whose centres lie in [low, high).
int FirstPixel(float low) { return static_cast<int>(std::ceil(low - 0.5f)); }

struct PixelSpan {
    int x0, y0, x1, y1;
};

PixelSpan SpanOf(const TreemapTile& tile, int width, int height) {
    return {std::clamp(FirstPixel(tile.left), 0, width), std::clamp(FirstPixel(tile.top), 0, height),
            std::clamp(FirstPixel(tile.right), 0, width), std::clamp(FirstPixel(tile.bottom), 0, height)};
}

std::uint32_t Fade(std::uint32_t colour, std::uint32_t background) {
    const auto mix = [&](int shift) {
        const std::uint32_t a = (colour >> shift) & 0xFF;
        const std::uint32_t b = (background >> shift) & 0xFF;
        return ((a + 3 * b) / 4) << shift;
    };
    return mix(16) | mix(8) | mix(0);
}

void FillCushion(const TreemapTile& tile, std::uint32_t colour, std::span<std::uint32_t> pixels, int width,
                 int height) {
    const PixelSpan span = SpanOf(tile, width, height);
    const float red = static_cast<float>((colour >> 16) & 0xFF);
    const float green = static_cast<float>((colour >> 8) & 0xFF);
    const float blue = static_cast<float>(colour & 0xFF);
    for (int y = span.y0; y < span.y1; ++y) {
        const float ny = -(2 * tile.s2y * (static_cast<float>(y) + 0.5f) + tile.s1y);
        std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = span.x0; x < span.x1; ++x) {
            const float nx = -(2 * tile.s2x * (static_cast<float>(x) + 0.5f) + tile.s1x);
            const float cosine = (nx * LightX + ny * LightY + LightZ) / std::sqrt(nx * nx + ny * ny + 1.0f);
            const float light = Ambient + Diffuse * std::max(cosine, 0.0f);
            const auto channel = [light](float c) {
                return static_cast<std::uint32_t>(std::min(c * light, 255.0f));
            };
            row[x] = (channel(red) << 16) | (channel(green) << 8) | channel(blue);
        }
    }
}

void DrawFrame(const TreemapTile& tile, std::uint32_t colour, std::span<std::uint32_t> pixels, int width, int height) {
    const PixelSpan outer = SpanOf(tile, width, height);
    TreemapTile inset = tile;
    inset.left += 1;
    inset.top += 1;
    inset.right -= 1;
    inset.bottom -= 1;
    const PixelSpan inner = SpanOf(inset, width, height);
    for (int y = outer.y0; y < outer.y1; ++y) {
        std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        if (y < inner.y0 || y >= inner.y1) {
            std::fill(row + outer.x0, row + outer.x1, colour);
        } else {
            std::fill(row + outer.x0, row + inner.x0, colour);
            std::fill(row + inner.x1, row + outer.x1, colour);
        }
    }
}

}  // namespace

TreemapColours TreemapColoursFor(const ThemePalette& palette) {
    TreemapColours colours;
    colours.groups = palette.isDark ? DarkGroups : LightGroups;
    colours.folder = palette.isDark ? Pixel(0x6A, 0x6E, 0x76) : Pixel(0xB8, 0xBC, 0xC4);
    colours.frame = PixelFromColorRef(palette.border);
    colours.background = PixelFromColorRef(palette.listBackground);
    return colours;
}

void RenderTreemap(const TreemapLayout& layout, const core::ScanTree& tree, const core::FileTypeIndex& types,
                   const TreemapColours& colours, std::uint32_t highlight, std::span<std::uint32_t> pixels) {
    const int width = layout.Width();
    const int height = layout.Height();
    if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return;
    }
    std::fill(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(width) * height, colours.background);
    for (const TreemapTile& tile : layout.Tiles()) {
        if (tile.childCount != 0) {
            if ((tile.flags & TreemapTile::Framed) != 0) {
                DrawFrame(tile, colours.frame, pixels, width, height);
            }
            continue;
        }
        std::uint32_t colour = colours.folder;
        bool matches = false;
        if ((tile.flags & TreemapTile::Folder) == 0 && tile.node < tree.size()) {
            const std::uint32_t extension = types.ExtensionOf(tile.node);
            colour = colours.groups[static_cast<std::size_t>(types.empty() ? core::FileTypeGroup::Other
                                                                             : types.Group(extension))];
            matches = extension == highlight;
        }
        if (highlight != core::FileTypeIndex::None && !matches) {
            colour = Fade(colour, colours.background);
        }
        FillCushion(tile, colour, pixels, width, height);
    }
}

}  // namespace varnel::ui
