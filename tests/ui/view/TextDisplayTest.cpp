#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/view/PathDisplay.h"
#include "ui/view/RowColours.h"
#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {
namespace {

TEST(TextDisplay, PathsAndNamesAreShownLiterally) {
    struct Case {
        std::wstring text;
        std::wstring visible;
        std::wstring menu;
        std::wstring withoutKey;
    };
    const Case cases[] = {
        {L"R&D\\a\tb", L"R&D\\a\u2409b", L"R&&D\\a\u2409b", L"RD\\a\tb"},
        {L"&Open", L"&Open", L"&&Open", L"Open"},
        {L"\u958b\u304f(&O)", L"\u958b\u304f(&O)", L"\u958b\u304f(&&O)", L"\u958b\u304f"},
        {L"R&&D", L"R&&D", L"R&&&&D", L"R&D"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VisibleText(c.text), c.visible);
        EXPECT_EQ(MenuItemText(c.text), c.menu);
        EXPECT_EQ(WithoutAccessKey(c.text), c.withoutKey);
    }
}

TEST(TextDisplay, LongPathsLoseTheirMiddleNotTheirEnd) {
    const std::wstring path = L"C:\\Users\\someone\\projects\\vendor_4\\build\\output\\release\\final_folder";
    EXPECT_EQ(ShortenInMiddle(path, 200), path);
    for (const std::size_t limit : {60u, 40u, 30u}) {
        const std::wstring shortened = ShortenInMiddle(path, limit);
        EXPECT_LE(shortened.size(), limit);
        EXPECT_EQ(shortened.substr(0, 3), L"C:\\");
        EXPECT_NE(shortened.find(L'\u2026'), std::wstring::npos);
        EXPECT_EQ(shortened.substr(shortened.size() - 13), L"\\final_folder") << limit;
    }
}

TEST(RowColours, EveryTextIsReadableOnItsRowInEveryThemeAndState) {
    // The high-contrast schemes Windows ships (black, white, #1), as the
    // system colours they set.
    const SystemColours highContrast[] = {
        {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(26, 235, 255), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(255, 255, 255),
         Rgb(63, 242, 63)},
        {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(55, 0, 110), Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(0, 0, 0),
         Rgb(96, 0, 0)},
        {Rgb(0, 0, 0), Rgb(255, 255, 0), Rgb(0, 128, 0), Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(255, 255, 0),
         Rgb(192, 192, 192)},
    };
    std::vector<ThemeEntry> themes(ThemeCatalog().begin(), ThemeCatalog().end());
    for (const SystemColours& system : highContrast) {
        themes.push_back({L"high contrast", HighContrastPalette(system)});
    }
    for (const ThemeEntry& theme : themes) {
        for (const RowState state : {RowState::Normal, RowState::Selected, RowState::SelectedUnfocused}) {
            const RowColours colours = ColoursForRow(theme.palette, state);
            const std::wstring id(theme.identifier);
            SCOPED_TRACE(::testing::Message() << std::string(id.begin(), id.end()) << " " << static_cast<int>(state));
            EXPECT_GE(ContrastRatio(colours.text, colours.background), MinimumTextContrast);
            EXPECT_GE(ContrastRatio(colours.textOnBar, colours.bar), MinimumTextContrast);
            if (theme.palette.highContrast) {
                // Nothing of our own: the rows are in the system's pairs.
                const bool selected = state != RowState::Normal;
                EXPECT_EQ(colours.background, selected ? theme.palette.selectedBackground : theme.palette.listBackground);
                EXPECT_EQ(colours.text, selected ? theme.palette.selectedText : theme.palette.listText);
                continue;
            }
            // Grid lines hint, they do not shout.
            EXPECT_LT(ContrastRatio(colours.gridLine, theme.palette.listBackground), 2.0);
            if (state == RowState::SelectedUnfocused) {
                EXPECT_NE(colours.background, theme.palette.listBackground) << "still set apart";
            }
        }
    }
}

}  // namespace
}  // namespace varnel::ui
