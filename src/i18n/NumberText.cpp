#include "i18n/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace varnel::i18n {
namespace {

// The longest fixed-notation double: 309 integer digits, sign, point and
// one fractional digit.
constexpr std::size_t FixedDoubleCapacity = 320;
constexpr std::uint32_t DefaultGrouping = 3;

std::wstring WidenAscii(const char* begin, const char* end) { return std::wstring(begin, end); }

}  // namespace

std::wstring DecimalDigits(std::uint64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return WidenAscii(digits, result.ptr);
}

std::wstring OneDecimalDigits(double value) {
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    char digits[FixedDoubleCapacity];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc()) {
        return L"0.0";
    }
    return WidenAscii(digits, result.ptr);
}

std::uint32_t GroupingFromLocaleString(std::wstring_view grouping) {
    std::uint32_t value = 0;
    for (const wchar_t c : grouping) {
        if (c == L'0') {
            break;
        }
        if (c < L'1' || c > L'9') {
            continue;
        }
        const auto digit = static_cast<std::uint32_t>(c - L'0');
        // Real locales give two digits at most; a longer string is not a
        // grouping the system could use anyway.
        if (value > (std::numeric_limits<std::uint32_t>::max() - digit) / 10) {
            break;
        }
        value = value * 10 + digit;
    }
    return value == 0 ? DefaultGrouping : value;
}

ScaledSize ScaleSize(std::uint64_t bytes) {
    ScaledSize size{static_cast<double>(bytes), 0};
    while (size.value >= SizeUnitBase && size.unit + 1 < SizeUnits.size()) {
        size.value *= 1.0 / SizeUnitBase;
        ++size.unit;
    }
    // Rounded exactly as OneDecimalDigits will show it, so the two agree on
    // every edge (1023.95 and its binary neighbours).
    if (size.unit > 0 && size.unit + 1 < SizeUnits.size() && OneDecimalDigits(size.value) == L"1024.0") {
        size.value *= 1.0 / SizeUnitBase;
        ++size.unit;
    }
    return size;
}

}  // namespace varnel::i18n
