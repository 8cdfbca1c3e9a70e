#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {
namespace {

// The identifiers are what settings files store: their order is the menu's.
TEST(ThemeCatalog, AliasesShareTheirPalette) {
    EXPECT_EQ(LookUpTheme(L"IcyMint"), LookUpTheme(L"CoolBreeze"));
    EXPECT_EQ(LookUpTheme(L"SunnyDay"), LookUpTheme(L"Light"));
    EXPECT_EQ(LookUpTheme(L"SilkyPink"), LookUpTheme(L"Bubblegum"));
    EXPECT_NE(LookUpTheme(L"CoolBreeze"), LookUpTheme(L"Light"));
}

TEST(ThemeCatalog, UnknownIdentifiersGiveTheDarkSlateBase) {
    const ThemePalette slate = LookUpTheme(L"CoolSlate");
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

}  // namespace
}  // namespace varnel::ui
