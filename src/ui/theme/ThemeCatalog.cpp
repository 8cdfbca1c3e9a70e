#include "ui/theme/ThemeCatalog.h"

#include <array>

namespace varnel::ui {
namespace {

constexpr ThemePalette DarkPalette{
    .windowBackground = Rgb(24, 26, 31),
    .listBackground = Rgb(31, 34, 40),
    .panelBackground = Rgb(39, 43, 51),
    .listText = Rgb(235, 238, 244),
    .border = Rgb(75, 85, 99),
    .splitter = Rgb(45, 49, 58),
    .splitterLine = Rgb(102, 112, 128),
    .selectedBackground = Rgb(59, 130, 246),
    .selectedText = Rgb(255, 255, 255),
    .bar = Rgb(125, 151, 255),
    .selectedBar = Rgb(54, 67, 105),
    .systemItemText = Rgb(248, 113, 113),
    .caption = Rgb(24, 26, 31),
    .captionText = Rgb(235, 238, 244),
    .isDark = true,
};

constexpr ThemePalette SlatePalette{
    .windowBackground = Rgb(29, 34, 41),
    .listBackground = Rgb(36, 43, 52),
    .panelBackground = Rgb(45, 54, 65),
    .listText = Rgb(235, 238, 244),
    .border = Rgb(75, 85, 99),
    .splitter = Rgb(45, 49, 58),
    .splitterLine = Rgb(102, 112, 128),
    .selectedBackground = Rgb(42, 119, 210),
    .selectedText = Rgb(255, 255, 255),
    .bar = Rgb(103, 166, 255),
    .selectedBar = Rgb(48, 77, 112),
    .systemItemText = Rgb(248, 113, 113),
    .caption = Rgb(29, 34, 41),
    .captionText = Rgb(235, 238, 244),
    .isDark = true,
};

constexpr ThemePalette LightPalette{
    .windowBackground = Rgb(255, 255, 255),
    .listBackground = Rgb(255, 255, 255),
    .panelBackground = Rgb(245, 247, 250),
    .listText = Rgb(24, 24, 27),
    .border = Rgb(209, 213, 219),
    .splitter = Rgb(229, 231, 235),
    .splitterLine = Rgb(156, 163, 175),
    .selectedBackground = Rgb(37, 99, 235),
    .selectedText = Rgb(255, 255, 255),
    .bar = Rgb(79, 70, 229),
    .selectedBar = Rgb(191, 219, 254),
    .systemItemText = Rgb(185, 28, 28),
    .caption = Rgb(255, 255, 255),
    .captionText = Rgb(24, 24, 27),
    .isDark = false,
};

// A dark theme keeps the slate surfaces and changes only the selection and
// share-bar colours.
constexpr ThemePalette SlateAccent(std::uint32_t selectedBackground, std::uint32_t bar,
                                   std::uint32_t selectedBar) noexcept {
    ThemePalette palette = SlatePalette;
    palette.selectedBackground = selectedBackground;
    palette.bar = bar;
    palette.selectedBar = selectedBar;
    return palette;
}

// A light theme also tints the window and the panels.
constexpr ThemePalette LightAccent(std::uint32_t windowBackground, std::uint32_t panelBackground,
                                   std::uint32_t selectedBackground, std::uint32_t bar,
                                   std::uint32_t selectedBar) noexcept {
    ThemePalette palette = LightPalette;
    palette.windowBackground = windowBackground;
    palette.panelBackground = panelBackground;
    palette.selectedBackground = selectedBackground;
    palette.bar = bar;
    palette.selectedBar = selectedBar;
    return palette;
}

constexpr ThemePalette PlumPalette = SlateAccent(Rgb(147, 88, 207), Rgb(190, 124, 255), Rgb(82, 54, 105));
constexpr ThemePalette VioletPalette = SlateAccent(Rgb(103, 86, 194), Rgb(178, 156, 255), Rgb(71, 62, 115));
constexpr ThemePalette RedPalette = SlateAccent(Rgb(190, 42, 42), Rgb(239, 68, 68), Rgb(109, 49, 49));
constexpr ThemePalette GreenPalette = SlateAccent(Rgb(34, 139, 86), Rgb(74, 222, 128), Rgb(42, 82, 58));
constexpr ThemePalette TealPalette = LightAccent(Rgb(242, 249, 250), Rgb(228, 242, 244), Rgb(13, 139, 153),
                                                 Rgb(18, 148, 163), Rgb(188, 235, 239));
constexpr ThemePalette AmberPalette = LightAccent(Rgb(255, 250, 235), Rgb(255, 241, 204), Rgb(194, 96, 5),
                                                  Rgb(217, 119, 6), Rgb(253, 230, 138));
constexpr ThemePalette PinkPalette = LightAccent(Rgb(255, 246, 250), Rgb(252, 231, 243), Rgb(190, 24, 93),
                                                 Rgb(219, 39, 119), Rgb(251, 207, 232));

constexpr std::array<ThemeEntry, ThemeCount> Catalog{{
    {L"JuicyPlum", PlumPalette},
    {L"Dark", DarkPalette},
    {L"CoolBreeze", TealPalette},
    {L"IcyMint", TealPalette},
    {L"MoonlightGlow", VioletPalette},
    {L"SpicyRed", RedPalette},
    {L"MangoParadise", AmberPalette},
    {L"MysticForest", GreenPalette},
    {L"CoolSlate", SlatePalette},
    {L"Bubblegum", PinkPalette},
    {L"Light", LightPalette},
    {L"SunnyDay", LightPalette},
    {L"SilkyPink", PinkPalette},
}};

}  // namespace

std::span<const ThemeEntry, ThemeCount> ThemeCatalog() noexcept {
    return Catalog;
}

std::optional<std::size_t> FindThemePosition(std::wstring_view identifier) noexcept {
    for (std::size_t position = 0; position < Catalog.size(); ++position) {
        if (Catalog[position].identifier == identifier) {
            return position;
        }
    }
    return std::nullopt;
}

ThemePalette LookUpTheme(std::wstring_view identifier) noexcept {
    const std::optional<std::size_t> position = FindThemePosition(identifier);
    return position ? Catalog[*position].palette : SlatePalette;
}

ThemePalette HighContrastPalette(const SystemColours& system) noexcept {
    const auto luminance = [](std::uint32_t colour) {
        return (colour & 0xFF) * 299 + ((colour >> 8) & 0xFF) * 587 + ((colour >> 16) & 0xFF) * 114;
    };
    return ThemePalette{
        .windowBackground = system.window,
        .listBackground = system.window,
        .panelBackground = system.buttonFace,
        .listText = system.windowText,
        .border = system.grayText,
        .splitter = system.buttonFace,
        .splitterLine = system.buttonText,
        .selectedBackground = system.highlight,
        .selectedText = system.highlightText,
        // A bar on a plain row is a piece of highlight; on a selected row,
        // which is all highlight, a piece of window.
        .bar = system.highlight,
        .selectedBar = system.window,
        .systemItemText = system.windowText,
        .caption = system.window,
        .captionText = system.windowText,
        .isDark = luminance(system.window) < 128 * 1000,
        .highContrast = true,
    };
}

}  // namespace varnel::ui
