#include <gtest/gtest.h>

#include <string>

#include "i18n/LanguageCatalog.h"

namespace varnel::i18n {
namespace {

struct Case {
    const wchar_t* input;
    const wchar_t* expected;
};

TEST(LanguageCatalog, HoldsTheMenuOrder) {
    // The language menu's commands are 1201 + index; reordering breaks them.
    const wchar_t* const codes[] = {L"en-US", L"ja-JP", L"be-BY", L"de-DE", L"es-ES", L"fr-FR", L"hu-HU", L"it-IT",
                                    L"ko-KR", L"pl-PL", L"pt-BR", L"ru-RU", L"uk-UA", L"zh-CN", L"zh-TW"};
    ASSERT_EQ(LanguageCatalog.size(), std::size(codes));
    for (std::size_t i = 0; i < LanguageCatalog.size(); ++i) {
        EXPECT_EQ(LanguageCatalog[i].code, codes[i]) << i;
    }
    EXPECT_EQ(LanguageCatalog[0].displayName, L"English");
    EXPECT_EQ(LanguageCatalog[3].displayName, L"Deutsch (German)");
    EXPECT_EQ(LanguageCatalog[14].displayName, L"\u7E41\u9AD4\u4E2D\u6587 (Traditional Chinese)");
}

TEST(MatchSupportedLanguage, ExactThenPrimaryPartInCatalogOrder) {
    const Case cases[] = {
        {L"en-US", L"en-US"}, {L"EN-us", L"en-US"}, {L"en-GB", L"en-US"}, {L"en", L"en-US"},
        {L"pt-PT", L"pt-BR"}, {L"zh-HK", L"zh-CN"}, {L"zh-TW", L"zh-TW"}, {L"ZH-tw", L"zh-TW"},
        {L"zh", L"zh-CN"},    {L"de-AT", L"de-DE"}, {L"fr-CA", L"fr-FR"}, {L"be", L"be-BY"},
        {L"sv-SE", L""},      {L"", L""},           {L"-US", L""},        {L"e", L""},
        {L"eng", L""},        {L"en-US-x", L"en-US"},
        // Letters that only fold to ASCII under Unicode case rules do not match.
        {L"\u0131t-IT", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchSupportedLanguage(c.input), c.expected) << ::testing::PrintToString(std::wstring(c.input));
    }
}

TEST(MatchPreferredLanguages, FirstMatchOfTheSystemList) {
    using namespace std::string_literals;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"de-AT\0en-US\0\0"s, L"de-DE"},
        {L"sv-SE\0\0"s, L"en-US"},
        {L"sv-SE\0fi-FI\0ko\0\0"s, L"ko-KR"},
        {L"zh-HK\0\0"s, L"zh-CN"},
        {L"\0"s, L"en-US"},
        {L""s, L"en-US"},
        {L"ja-JP"s, L"ja-JP"},               // no terminator at all
        {L"sv-SE\0\0de-DE\0\0"s, L"en-US"},  // the empty name ends the list
    };
    for (const auto& [names, expected] : cases) {
        EXPECT_EQ(MatchPreferredLanguages(names), expected) << ::testing::PrintToString(names);
    }
}

TEST(NormalizeLanguageSetting, KnownValuesOrSystem) {
    const Case cases[] = {
        {L"", L"system"},          {L"system", L"system"},   {L"SYSTEM", L"system"}, {L"EN-us", L"en-US"},
        {L"English", L"en-US"},    {L"english", L"en-US"},   {L"Japanese", L"ja-JP"}, {L"fr", L"fr-FR"},
        {L"xx-YY", L"system"},     {L"German", L"system"},   {L"pt-PT", L"pt-BR"},   {L" de-DE", L"system"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormalizeLanguageSetting(c.input), c.expected) << ::testing::PrintToString(std::wstring(c.input));
    }
}

TEST(LanguageDisplayName, CatalogNameOrTheCodeItself) {
    EXPECT_EQ(LanguageDisplayName(L"fr-FR"), L"Fran\u00E7ais (French)");
    EXPECT_EQ(LanguageDisplayName(L"sv-SE"), L"sv-SE");
}

}  // namespace
}  // namespace varnel::i18n
