#pragma once
// The fifteen interface languages and the rules that turn a stored setting
// or a system language tag into one of them. Portable.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace varnel::i18n {

struct LanguageEntry {
    std::wstring_view code;         // also the string-table file name and the locale name
    std::wstring_view displayName;  // native name, English in parentheses; never translated
};

inline constexpr std::size_t LanguageCount = 15;

// The order is the language menu's order (command 1201 + index) and the
// order in which tags are matched, so "zh-HK" finds zh-CN before zh-TW.
extern const std::array<LanguageEntry, LanguageCount> LanguageCatalog;

inline constexpr std::wstring_view SystemLanguageSetting = L"system";
inline constexpr std::wstring_view FallbackLanguage = L"en-US";

// The catalog code equal to `tag` ignoring case, else the first whose
// primary part (before '-') equals the tag's: "en-GB" and "en" give en-US,
// "pt-PT" gives pt-BR. Empty when nothing matches. Case is folded for ASCII
// letters only, as the system's ordinal comparison does for these codes.
std::wstring MatchSupportedLanguage(std::wstring_view tag);

// The first match among the system's preferred languages, given as the
// system returns them: zero-terminated names, an empty name ending the
// list. en-US when none matches.
std::wstring MatchPreferredLanguages(std::wstring_view zeroSeparatedNames);

// "system" or a catalog code. Empty and unknown values become "system";
// the old names "English" and "Japanese" are still understood.
std::wstring NormalizeLanguageSetting(std::wstring_view value);

// The catalog's display name for `code`, or the code itself when it is not
// in the catalog.
std::wstring LanguageDisplayName(std::wstring_view code);

}  // namespace varnel::i18n
