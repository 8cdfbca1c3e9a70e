#include <gtest/gtest.h>

#include <string>

#include "i18n/LanguageCatalog.h"

namespace varnel::i18n {
namespace {

TEST(MatchSupportedLanguage, ExactThenPrimaryPartInCatalogOrder) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"EN-us", L"en-US"}, {L"en-GB", L"en-US"}, {L"en", L"en-US"},    {L"pt-PT", L"pt-BR"},
        {L"zh-HK", L"zh-CN"}, {L"ZH-tw", L"zh-TW"}, {L"be", L"be-BY"},    {L"sv-SE", L""},
        {L"", L""},           {L"-US", L""},        {L"eng", L""},
        {L"\u0131t-IT", L""},  // dotless i is not 'i', as in the system's ordinal comparison
    };
    for (const auto& [tag, expected] : cases) {
        EXPECT_EQ(MatchSupportedLanguage(tag), expected) << ::testing::PrintToString(std::wstring(tag));
    }
}

TEST(MatchPreferredLanguages, FirstMatchOfTheSystemList) {
    using namespace std::string_literals;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"de-AT\0en-US\0\0"s, L"de-DE"}, {L"sv-SE\0\0"s, L"en-US"},   {L"sv-SE\0ko\0\0"s, L"ko-KR"},
        {L""s, L"en-US"},                 {L"ja-JP"s, L"ja-JP"},      {L"sv-SE\0\0de-DE\0\0"s, L"en-US"},
    };
    for (const auto& [names, expected] : cases) {
        EXPECT_EQ(MatchPreferredLanguages(names), expected) << ::testing::PrintToString(names);
    }
}

TEST(NormalizeLanguageSetting, KnownValuesOrSystem) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L"system"},      {L"SYSTEM", L"system"},    {L"EN-us", L"en-US"},   {L"english", L"en-US"},
        {L"Japanese", L"ja-JP"}, {L"fr", L"fr-FR"},        {L"xx-YY", L"system"},  {L" de-DE", L"system"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(NormalizeLanguageSetting(value), expected) << ::testing::PrintToString(std::wstring(value));
    }
}

}  // namespace
}  // namespace varnel::i18n
