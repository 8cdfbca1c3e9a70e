#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "i18n/NumberText.h"

namespace varnel::i18n {
namespace {

TEST(OneDecimalDigits, RoundsTheBinaryValueAndHidesNonFiniteValues) {
    const std::pair<double, const wchar_t*> cases[] = {
        {12.345, L"12.3"},  // 12.3449999... in binary
        {0.25, L"0.2"},     // an exact tie rounds to even
        {1048575.0 / 1024.0, L"1024.0"},
        {std::numeric_limits<double>::infinity(), L"0.0"},
        {std::numeric_limits<double>::quiet_NaN(), L"0.0"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(OneDecimalDigits(value), expected) << value;
    }
    EXPECT_EQ(OneDecimalDigits(std::numeric_limits<double>::max()).size(), 311u);  // 309 digits fit
}

TEST(GroupingFromLocaleString, ReadsDigitsUntilZero) {
    const std::pair<const wchar_t*, std::uint32_t> cases[] = {
        {L"3;0", 3}, {L"3;2;0", 32}, {L"3", 3}, {L"0", 3}, {L"", 3}, {L"3;0;2", 3}, {L"99999999999;0", 999999999},
    };
    for (const auto& [grouping, expected] : cases) {
        EXPECT_EQ(GroupingFromLocaleString(grouping), expected) << ::testing::PrintToString(std::wstring(grouping));
    }
}

}  // namespace
}  // namespace varnel::i18n
