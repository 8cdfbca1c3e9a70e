#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "ui/ThemeCatalog.h"

namespace varnel::ui {
namespace {

// Written out independently of the catalog's base-and-accent construction:
// these colours are what users see, so each one is pinned.
constexpr std::uint32_t C(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return red | green << 8 | blue << 16;
}

using Colours = std::array<std::uint32_t, 14>;

struct ExpectedTheme {
    std::wstring_view identifier;
    Colours colours;  // in field order, windowBackground to captionText
    bool isDark;
};

Colours ColoursOf(const ThemePalette& p) {
    return {p.windowBackground, p.listBackground,     p.panelBackground, p.listText, p.border,
            p.splitter,         p.splitterLine,       p.selectedBackground, p.selectedText, p.bar,
            p.selectedBar,      p.systemItemText,     p.caption,         p.captionText};
}

// Menu order.
constexpr std::array<ExpectedTheme, 13> Expected{{
    {L"JuicyPlum", {C(29, 34, 41), C(36, 43, 52), C(45, 54, 65), C(235, 238, 244), C(75, 85, 99), C(45, 49, 58), C(102, 112, 128), C(147, 88, 207), C(255, 255, 255), C(190, 124, 255), C(82, 54, 105), C(248, 113, 113), C(29, 34, 41), C(235, 238, 244)}, true},
    {L"Dark", {C(24, 26, 31), C(31, 34, 40), C(39, 43, 51), C(235, 238, 244), C(75, 85, 99), C(45, 49, 58), C(102, 112, 128), C(59, 130, 246), C(255, 255, 255), C(125, 151, 255), C(54, 67, 105), C(248, 113, 113), C(24, 26, 31), C(235, 238, 244)}, true},
    {L"CoolBreeze", {C(242, 249, 250), C(255, 255, 255), C(228, 242, 244), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(13, 139, 153), C(255, 255, 255), C(18, 148, 163), C(188, 235, 239), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
    {L"IcyMint", {C(242, 249, 250), C(255, 255, 255), C(228, 242, 244), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(13, 139, 153), C(255, 255, 255), C(18, 148, 163), C(188, 235, 239), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
    {L"MoonlightGlow", {C(29, 34, 41), C(36, 43, 52), C(45, 54, 65), C(235, 238, 244), C(75, 85, 99), C(45, 49, 58), C(102, 112, 128), C(103, 86, 194), C(255, 255, 255), C(178, 156, 255), C(71, 62, 115), C(248, 113, 113), C(29, 34, 41), C(235, 238, 244)}, true},
    {L"SpicyRed", {C(29, 34, 41), C(36, 43, 52), C(45, 54, 65), C(235, 238, 244), C(75, 85, 99), C(45, 49, 58), C(102, 112, 128), C(190, 42, 42), C(255, 255, 255), C(239, 68, 68), C(109, 49, 49), C(248, 113, 113), C(29, 34, 41), C(235, 238, 244)}, true},
    {L"MangoParadise", {C(255, 250, 235), C(255, 255, 255), C(255, 241, 204), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(194, 96, 5), C(255, 255, 255), C(217, 119, 6), C(253, 230, 138), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
    {L"MysticForest", {C(29, 34, 41), C(36, 43, 52), C(45, 54, 65), C(235, 238, 244), C(75, 85, 99), C(45, 49, 58), C(102, 112, 128), C(34, 139, 86), C(255, 255, 255), C(74, 222, 128), C(42, 82, 58), C(248, 113, 113), C(29, 34, 41), C(235, 238, 244)}, true},
    {L"CoolSlate", {C(29, 34, 41), C(36, 43, 52), C(45, 54, 65), C(235, 238, 244), C(75, 85, 99), C(45, 49, 58), C(102, 112, 128), C(42, 119, 210), C(255, 255, 255), C(103, 166, 255), C(48, 77, 112), C(248, 113, 113), C(29, 34, 41), C(235, 238, 244)}, true},
    {L"Bubblegum", {C(255, 246, 250), C(255, 255, 255), C(252, 231, 243), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(190, 24, 93), C(255, 255, 255), C(219, 39, 119), C(251, 207, 232), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
    {L"Light", {C(255, 255, 255), C(255, 255, 255), C(245, 247, 250), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(37, 99, 235), C(255, 255, 255), C(79, 70, 229), C(191, 219, 254), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
    {L"SunnyDay", {C(255, 255, 255), C(255, 255, 255), C(245, 247, 250), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(37, 99, 235), C(255, 255, 255), C(79, 70, 229), C(191, 219, 254), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
    {L"SilkyPink", {C(255, 246, 250), C(255, 255, 255), C(252, 231, 243), C(24, 24, 27), C(209, 213, 219), C(229, 231, 235), C(156, 163, 175), C(190, 24, 93), C(255, 255, 255), C(219, 39, 119), C(251, 207, 232), C(185, 28, 28), C(255, 255, 255), C(24, 24, 27)}, false},
}};

constexpr std::size_t CoolSlateRow = 8;

TEST(ThemeCatalog, EveryThemeInMenuOrderWithItsExactColours) {
    const auto catalog = ThemeCatalog();
    ASSERT_EQ(catalog.size(), Expected.size());
    for (std::size_t position = 0; position < Expected.size(); ++position) {
        const ExpectedTheme& expected = Expected[position];
        SCOPED_TRACE(testing::Message() << "position " << position);
        EXPECT_EQ(catalog[position].identifier, expected.identifier);
        EXPECT_EQ(ColoursOf(catalog[position].palette), expected.colours);
        EXPECT_EQ(catalog[position].palette.isDark, expected.isDark);

        const ThemePalette looked = LookUpTheme(expected.identifier);
        EXPECT_EQ(ColoursOf(looked), expected.colours);
        EXPECT_EQ(looked.isDark, expected.isDark);
        EXPECT_EQ(FindThemePosition(expected.identifier), position);
    }
}

TEST(ThemeCatalog, AliasesShareTheirPalette) {
    EXPECT_EQ(LookUpTheme(L"IcyMint"), LookUpTheme(L"CoolBreeze"));
    EXPECT_EQ(LookUpTheme(L"SunnyDay"), LookUpTheme(L"Light"));
    EXPECT_EQ(LookUpTheme(L"SilkyPink"), LookUpTheme(L"Bubblegum"));
    EXPECT_NE(LookUpTheme(L"CoolBreeze"), LookUpTheme(L"Light"));
}

TEST(ThemeCatalog, UnknownIdentifiersGiveTheDarkSlateBase) {
    const ThemePalette slate = LookUpTheme(L"CoolSlate");
    EXPECT_EQ(ColoursOf(slate), Expected[CoolSlateRow].colours);
    EXPECT_TRUE(slate.isDark);
    // Case matters: a hand-edited "dark" is not the Dark theme, and checks no menu entry.
    for (std::wstring_view unknown : {L"dark", L"LIGHT", L"", L"Dark ", L"CoolSlate2", L"Mystic"}) {
        SCOPED_TRACE(testing::Message() << "identifier length " << unknown.size());
        EXPECT_EQ(LookUpTheme(unknown), slate);
        EXPECT_FALSE(FindThemePosition(unknown).has_value());
    }
    // An identifier cut at an embedded null must not match its prefix.
    EXPECT_EQ(LookUpTheme(std::wstring_view(L"Light\0x", 7)), slate);
}

TEST(ThemeCatalog, RgbPutsRedInTheLowestByte) {
    EXPECT_EQ(Rgb(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(Rgb(255, 255, 255), 0x00FFFFFFu);
}

}  // namespace
}  // namespace varnel::ui
