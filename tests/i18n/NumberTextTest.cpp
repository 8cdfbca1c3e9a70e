#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "i18n/NumberText.h"

namespace varnel::i18n {
namespace {

TEST(DecimalDigits, PlainDigits) {
    EXPECT_EQ(DecimalDigits(0), L"0");
    EXPECT_EQ(DecimalDigits(1234567), L"1234567");
    EXPECT_EQ(DecimalDigits(std::numeric_limits<std::uint64_t>::max()), L"18446744073709551615");
}

TEST(OneDecimalDigits, RoundsTheBinaryValueAndHidesNonFiniteValues) {
    struct Case {
        double value;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {0.0, L"0.0"},
        {12.345, L"12.3"},         // 12.3449999... in binary
        {0.05, L"0.1"},            // 0.05000000000000000277
        {0.25, L"0.2"},            // an exact tie rounds to even
        {1023.9990234375, L"1024.0"},
        {100.0, L"100.0"},
        {1e20, L"100000000000000000000.0"},
        {std::numeric_limits<double>::max(), nullptr},
        {std::numeric_limits<double>::infinity(), L"0.0"},
        {-std::numeric_limits<double>::infinity(), L"0.0"},
        {std::numeric_limits<double>::quiet_NaN(), L"0.0"},
    };
    for (const Case& c : cases) {
        const std::wstring text = OneDecimalDigits(c.value);
        if (c.expected) {
            EXPECT_EQ(text, c.expected) << c.value;
        } else {
            EXPECT_EQ(text.size(), 311u);  // 309 digits, point, one digit
            EXPECT_EQ(text.substr(text.size() - 2), L".0");
        }
    }
}

TEST(GroupingFromLocaleString, ReadsDigitsUntilZero) {
    struct Case {
        const wchar_t* grouping;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {L"3;0", 3}, {L"3;2;0", 32}, {L"3", 3}, {L"3;2", 32}, {L"0", 3}, {L"", 3},
        {L";;4", 4}, {L"3;0;2", 3},  {L"x", 3}, {L"99999999999;0", 999999999},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GroupingFromLocaleString(c.grouping), c.expected)
            << ::testing::PrintToString(std::wstring(c.grouping));
    }
}

TEST(ScaleSize, PicksTheUnitBeforeRounding) {
    struct Case {
        std::uint64_t bytes;
        std::size_t unit;
        double value;
    };
    const Case cases[] = {
        {0, 0, 0.0},
        {1023, 0, 1023.0},
        {1024, 1, 1.0},
        {1536, 1, 1.5},
        {1048575, 1, 1048575.0 / 1024.0},  // shows as 1,024.0 KB, not 1.0 MB
        {1048576, 2, 1.0},
        {std::uint64_t{1} << 50, 5, 1.0},
        {std::numeric_limits<std::uint64_t>::max(), 5, 16384.0},
    };
    for (const Case& c : cases) {
        const ScaledSize size = ScaleSize(c.bytes);
        EXPECT_EQ(size.unit, c.unit) << c.bytes;
        EXPECT_DOUBLE_EQ(size.value, c.value) << c.bytes;
    }
    EXPECT_EQ(OneDecimalDigits(ScaleSize(1048575).value), L"1024.0");
}

}  // namespace
}  // namespace varnel::i18n
