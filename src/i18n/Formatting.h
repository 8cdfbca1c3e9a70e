#pragma once
// Numbers as the window shows them, in the formatting locale: the
// normalised language setting, where "system" stands for the user's own
// regional settings and a catalog code for that language's conventions, so
// that a German interface groups 1.234.567 whatever the regional settings
// say. Every call asks the system afresh; nothing fails. Windows only.

#include <cstdint>
#include <string>
#include <string_view>

namespace varnel::i18n {

// `digits`: plain ASCII digits, optionally '.' and fractional digits. An
// empty `localeName` means the user's default locale. Separators, grouping
// and the like come from the locale (else the user's default, else US
// conventions); a string the system refuses to format comes back unchanged.
// A negative `fractionalDigits` counts as 0.
std::wstring FormatNumberForLocale(std::wstring_view localeName, std::wstring_view digits, int fractionalDigits);

// Grouped, no fraction: "1,234,567" / "1.234.567".
std::wstring FormatCount(std::wstring_view formattingLocale, std::uint64_t value);

// Exactly one fractional digit; infinities and NaN show as 0.0.
std::wstring FormatDecimal(std::wstring_view formattingLocale, double value);

// "0 B", "1,023 B", "1.5 KB", "1,023.9 KB", "1.0 MB", up to "16,384.0 PB".
std::wstring FormatSize(std::wstring_view formattingLocale, std::uint64_t bytes);

// A change in size: "+1.5 KB", "−300 B" (a minus sign), "+0 B".
std::wstring FormatSizeChange(std::wstring_view formattingLocale, std::int64_t change);

// A percentage: "12.3 %".
std::wstring FormatShare(std::wstring_view formattingLocale, double percent);

// A time in 100 ns units since 1601 (as files keep it) in the user's short
// date and time, local time, without seconds; empty for 0 or a time the
// system cannot convert.
std::wstring FormatLocalDateTime(std::uint64_t fileTime);

}  // namespace varnel::i18n
