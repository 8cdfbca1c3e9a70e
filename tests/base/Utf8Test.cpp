#include <gtest/gtest.h>

#include <string>

#include "base/Utf8.h"

namespace varnel::core {
namespace {

// U+1F4C1 (file folder) lies outside the Basic Multilingual Plane.
std::wstring FolderEmoji() {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDCC1)};
    } else {
        return std::wstring{static_cast<wchar_t>(0x1F4C1)};
    }
}

TEST(Utf8, RoundTripsEveryPlane) {
    const std::wstring text = L"a\x00e9\x4e2d" + FolderEmoji() + L"z";
    const std::string utf8 = WideToUtf8(text);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x93\x81z");
    EXPECT_EQ(Utf8ToWide(utf8), text);
    EXPECT_EQ(Utf8ToWide(""), std::wstring());
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::wstring lone{L'a', static_cast<wchar_t>(0xD800), L'b', static_cast<wchar_t>(0xDC00)};
    EXPECT_EQ(WideToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Utf8, RejectsEveryMalformedSequence) {
    const char* const invalid[] = {
        "\x80",              // stray continuation byte
        "\xC0\xAF",          // overlong slash
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // encoded surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF8\x88\x80\x80",  // five-byte lead
        "\xE4\xB8",          // truncated
        "ok\xC3",            // truncated at the end
        "\xC3\x28",          // continuation missing
    };
    for (const char* bytes : invalid) {
        EXPECT_FALSE(Utf8ToWide(bytes).has_value()) << ::testing::PrintToString(std::string(bytes));
    }
}

}  // namespace
}  // namespace varnel::core
