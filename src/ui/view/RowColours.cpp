#include "ui/view/RowColours.h"

#include <algorithm>
#include <cmath>

namespace varnel::ui {
namespace {

constexpr std::uint32_t Black = Rgb(0, 0, 0);
constexpr std::uint32_t White = Rgb(255, 255, 255);

double Channel(std::uint32_t colour, int shift) {
    const double value = static_cast<double>((colour >> shift) & 0xFF) / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(std::uint32_t colour) {
    return 0.2126 * Channel(colour, 0) + 0.7152 * Channel(colour, 8) + 0.0722 * Channel(colour, 16);
}

}  // namespace

double ContrastRatio(std::uint32_t a, std::uint32_t b) noexcept {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::uint32_t ReadableOn(std::uint32_t background, std::uint32_t preferred) noexcept {
    if (ContrastRatio(background, preferred) >= MinimumTextContrast) {
        return preferred;
    }
    return ContrastRatio(background, Black) >= ContrastRatio(background, White) ? Black : White;
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b) noexcept {
    const auto mix = [&](int shift) {
        return static_cast<std::uint8_t>((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2);
    };
    return Rgb(mix(0), mix(8), mix(16));
}

RowColours ColoursForRow(const ThemePalette& palette, RowState state) noexcept {
    RowColours colours;
    switch (state) {
        case RowState::Normal:
            colours.background = palette.listBackground;
            colours.text = ReadableOn(colours.background, palette.listText);
            colours.bar = palette.bar;
            break;
        case RowState::Selected:
            colours.background = palette.selectedBackground;
            colours.text = ReadableOn(colours.background, palette.selectedText);
            colours.bar = palette.selectedBar;
            break;
        case RowState::SelectedUnfocused:
            // High contrast has no quieter selection colour of its own.
            colours.background = palette.highContrast ? palette.selectedBackground
                                                      : Blend(palette.selectedBackground, palette.listBackground);
            colours.text = ReadableOn(colours.background, palette.selectedText);
            colours.bar = palette.selectedBar;
            break;
    }
    colours.textOnBar = ReadableOn(colours.bar, colours.text);
    if (palette.highContrast) {
        // The bars are the system's highlight and window colours: their own text colours go on them.
        colours.textOnBar = state == RowState::Normal ? palette.selectedText : palette.listText;
    }
    // Grid lines only hint at the columns: halfway between the row and the
    // theme's border, so they never compete with the text.
    colours.gridLine = palette.highContrast ? palette.border : Blend(palette.listBackground, palette.border);
    return colours;
}

}  // namespace varnel::ui
