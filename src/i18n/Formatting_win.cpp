#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "i18n/Formatting.h"
#include "i18n/LanguageCatalog.h"
#include "i18n/NumberText.h"

namespace varnel::i18n {
namespace {

// Separators longer than this are not taken from the locale.
constexpr int MaxSeparatorLength = 32;
constexpr int MaxGroupingLength = 32;

constexpr wchar_t DefaultGroupingString[] = L"3;0";
constexpr wchar_t DefaultDecimalSeparator[] = L".";
constexpr wchar_t DefaultThousandSeparator[] = L",";
constexpr DWORD DefaultLeadingZero = 1;
constexpr DWORD DefaultNegativeOrder = 1;

// Null is the user's default locale. The empty string is not: the system
// reads it as the invariant locale.
const wchar_t* LocaleArgument(const std::wstring& name) noexcept {
    return name.empty() ? LOCALE_NAME_USER_DEFAULT : name.c_str();
}

std::optional<DWORD> QueryNumber(const wchar_t* locale, LCTYPE type) {
    DWORD value = 0;
    if (::GetLocaleInfoEx(locale, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&value),
                          sizeof value / sizeof(wchar_t)) == 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::wstring> QueryText(const wchar_t* locale, LCTYPE type, int maxLength) {
    std::wstring text(static_cast<std::size_t>(maxLength) + 1, L'\0');
    const int length = ::GetLocaleInfoEx(locale, type, text.data(), maxLength + 1);
    if (length <= 0) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(length) - 1);  // the count includes the terminating zero
    return text;
}

// Asks the named locale, then the user's default.
template <class Query>
auto QueryWithFallback(const std::wstring& localeName, Query query) {
    auto answer = query(LocaleArgument(localeName));
    if (!answer && !localeName.empty()) {
        answer = query(LOCALE_NAME_USER_DEFAULT);
    }
    return answer;
}

std::optional<std::wstring> FormatWith(const wchar_t* locale, const std::wstring& digits, const NUMBERFMTW& format) {
    const int needed = ::GetNumberFormatEx(locale, 0, digits.c_str(), &format, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    const int written = ::GetNumberFormatEx(locale, 0, digits.c_str(), &format, text.data(), needed);
    if (written <= 0) {
        return std::nullopt;
    }
    text.resize(std::min(text.find(L'\0'), text.size()));
    return text;
}

std::wstring LocaleNameOf(std::wstring_view formattingLocale) {
    return formattingLocale == SystemLanguageSetting ? std::wstring() : std::wstring(formattingLocale);
}

}  // namespace

std::wstring FormatNumberForLocale(std::wstring_view localeName, std::wstring_view digits, int fractionalDigits) {
    const std::wstring name(localeName);
    const std::wstring digitString(digits);

    auto number = [&name](LCTYPE type, DWORD fallback) {
        return QueryWithFallback(name, [type](const wchar_t* locale) { return QueryNumber(locale, type); })
            .value_or(fallback);
    };
    auto text = [&name](LCTYPE type, int maxLength, const wchar_t* fallback) {
        auto query = [type, maxLength](const wchar_t* locale) { return QueryText(locale, type, maxLength); };
        return QueryWithFallback(name, query).value_or(fallback);
    };

    std::wstring decimalSeparator = text(LOCALE_SDECIMAL, MaxSeparatorLength, DefaultDecimalSeparator);
    std::wstring thousandSeparator = text(LOCALE_STHOUSAND, MaxSeparatorLength, DefaultThousandSeparator);
    const std::wstring grouping = text(LOCALE_SGROUPING, MaxGroupingLength, DefaultGroupingString);

    NUMBERFMTW format{};
    format.NumDigits = static_cast<UINT>(std::max(fractionalDigits, 0));
    format.LeadingZero = number(LOCALE_ILZERO, DefaultLeadingZero);
    format.Grouping = GroupingFromLocaleString(grouping);
    format.lpDecimalSep = decimalSeparator.data();
    format.lpThousandSep = thousandSeparator.data();
    format.NegativeOrder = number(LOCALE_INEGNUMBER, DefaultNegativeOrder);

    if (auto formatted = FormatWith(LocaleArgument(name), digitString, format)) {
        return std::move(*formatted);
    }
    if (!name.empty()) {
        if (auto formatted = FormatWith(LOCALE_NAME_USER_DEFAULT, digitString, format)) {
            return std::move(*formatted);
        }
    }
    return digitString;
}

std::wstring FormatCount(std::wstring_view formattingLocale, std::uint64_t value) {
    return FormatNumberForLocale(LocaleNameOf(formattingLocale), DecimalDigits(value), 0);
}

std::wstring FormatDecimal(std::wstring_view formattingLocale, double value) {
    return FormatNumberForLocale(LocaleNameOf(formattingLocale), OneDecimalDigits(value), 1);
}

std::wstring FormatSize(std::wstring_view formattingLocale, std::uint64_t bytes) {
    const ScaledSize size = ScaleSize(bytes);
    const std::wstring unit(SizeUnits[size.unit]);
    if (size.unit == 0) {
        return FormatCount(formattingLocale, bytes) + L" " + unit;
    }
    return FormatDecimal(formattingLocale, size.value) + L" " + unit;
}

std::wstring FormatSizeChange(std::wstring_view formattingLocale, std::int64_t change) {
    const std::uint64_t magnitude =
        change < 0 ? static_cast<std::uint64_t>(-(change + 1)) + 1 : static_cast<std::uint64_t>(change);
    return (change < 0 ? L"\u2212" : L"+") + FormatSize(formattingLocale, magnitude);
}

std::wstring FormatShare(std::wstring_view formattingLocale, double percent) {
    return FormatDecimal(formattingLocale, percent) + L" %";
}

std::wstring FormatLocalDateTime(std::uint64_t fileTime) {
    const FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (fileTime == 0 || !::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time)) {
        return {};
    }
    wchar_t date[64]{};
    wchar_t clock[64]{};
    ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 64, nullptr);
    ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, 64);
    return std::wstring(date) + L" " + clock;
}

}  // namespace varnel::i18n
