#include "i18n/LanguageCatalog.h"

namespace varnel::i18n {

const std::array<LanguageEntry, LanguageCount> LanguageCatalog = {{
    {L"en-US", L"English"},
    {L"ja-JP", L"\u65E5\u672C\u8A9E (Japanese)"},
    {L"be-BY", L"\u0411\u0435\u043B\u0430\u0440\u0443\u0441\u043A\u0430\u044F (Belarusian)"},
    {L"de-DE", L"Deutsch (German)"},
    {L"es-ES", L"Espa\u00F1ol (Spanish)"},
    {L"fr-FR", L"Fran\u00E7ais (French)"},
    {L"hu-HU", L"Magyar (Hungarian)"},
    {L"it-IT", L"Italiano (Italian)"},
    {L"ko-KR", L"\uD55C\uAD6D\uC5B4 (Korean)"},
    {L"pl-PL", L"Polski (Polish)"},
    {L"pt-BR", L"Portugu\u00EAs (Portuguese)"},
    {L"ru-RU", L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439 (Russian)"},
    {L"uk-UA", L"\u0423\u043A\u0440\u0430\u0457\u043D\u0441\u044C\u043A\u0430 (Ukrainian)"},
    {L"zh-CN", L"\u7B80\u4F53\u4E2D\u6587 (Simplified Chinese)"},
    {L"zh-TW", L"\u7E41\u9AD4\u4E2D\u6587 (Traditional Chinese)"},
}};

namespace {

wchar_t FoldAscii(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::wstring_view PrimaryPart(std::wstring_view tag) noexcept { return tag.substr(0, tag.find(L'-')); }

}  // namespace

std::wstring MatchSupportedLanguage(std::wstring_view tag) {
    for (const LanguageEntry& entry : LanguageCatalog) {
        if (EqualsIgnoringAsciiCase(entry.code, tag)) {
            return std::wstring(entry.code);
        }
    }
    if (tag.empty()) {
        return {};
    }
    const std::wstring_view primary = PrimaryPart(tag);
    for (const LanguageEntry& entry : LanguageCatalog) {
        if (EqualsIgnoringAsciiCase(PrimaryPart(entry.code), primary)) {
            return std::wstring(entry.code);
        }
    }
    return {};
}

std::wstring MatchPreferredLanguages(std::wstring_view zeroSeparatedNames) {
    std::size_t start = 0;
    while (start < zeroSeparatedNames.size()) {
        std::size_t end = zeroSeparatedNames.find(L'\0', start);
        if (end == std::wstring_view::npos) {
            end = zeroSeparatedNames.size();
        }
        if (end == start) {
            break;  // the empty name that closes the list
        }
        std::wstring match = MatchSupportedLanguage(zeroSeparatedNames.substr(start, end - start));
        if (!match.empty()) {
            return match;
        }
        start = end + 1;
    }
    return std::wstring(FallbackLanguage);
}

std::wstring NormalizeLanguageSetting(std::wstring_view value) {
    if (value.empty() || EqualsIgnoringAsciiCase(value, SystemLanguageSetting)) {
        return std::wstring(SystemLanguageSetting);
    }
    // Two English language names are accepted as stored values as well.
    if (EqualsIgnoringAsciiCase(value, L"English")) {
        return L"en-US";
    }
    if (EqualsIgnoringAsciiCase(value, L"Japanese")) {
        return L"ja-JP";
    }
    std::wstring match = MatchSupportedLanguage(value);
    if (!match.empty()) {
        return match;
    }
    return std::wstring(SystemLanguageSetting);
}

std::wstring LanguageDisplayName(std::wstring_view code) {
    for (const LanguageEntry& entry : LanguageCatalog) {
        if (entry.code == code) {
            return std::wstring(entry.displayName);
        }
    }
    return std::wstring(code);
}

}  // namespace varnel::i18n
