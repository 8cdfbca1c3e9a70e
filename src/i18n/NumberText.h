#pragma once
// The locale-independent half of number formatting: the plain digit
// strings handed to the system's formatter, and the choice of size unit.
// Portable.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnel::i18n {

inline constexpr std::array<std::wstring_view, 6> SizeUnits = {L"B", L"KB", L"MB", L"GB", L"TB", L"PB"};
inline constexpr double SizeUnitBase = 1024.0;

// Plain ASCII decimal digits, no grouping.
std::wstring DecimalDigits(std::uint64_t value);

// Fixed notation with exactly one fractional digit and '.' as the point,
// whatever the C locale says; rounds the exact binary value to nearest,
// ties to even. Infinities and NaN give "0.0": a share of an empty scan is
// 0/0 and must not show as "nan".
std::wstring OneDecimalDigits(double value);

// A locale's grouping string in the numeric form of the system's number
// format record: digits 1 to 9 are appended in order, other characters
// skipped, reading stops at the first '0'. "3;0" gives 3, "3;2;0" gives 32;
// a result of 0 becomes 3.
std::uint32_t GroupingFromLocaleString(std::wstring_view grouping);

struct ScaledSize {
    double value = 0;      // bytes divided by 1024 once per unit step
    std::size_t unit = 0;  // index into SizeUnits
};

// The unit is chosen after rounding to the one digit shown, so 1,048,575
// bytes read 1.0 MB and never 1,024.0 KB; above PB the value simply grows.
ScaledSize ScaleSize(std::uint64_t bytes);

}  // namespace varnel::i18n
