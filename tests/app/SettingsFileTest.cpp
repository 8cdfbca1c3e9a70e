#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/SettingsFile.h"

namespace varnel::app {
namespace {

constexpr std::uint32_t HardwareThreads = 12;  // more than the default cap of 8

TEST(ReadSettingsFile, UnreadableFilesGiveTheStartingRecord) {
    const AppSettings starting = StartingSettings(HardwareThreads);
    EXPECT_EQ(starting.threadsPerDrive, 8u);
    EXPECT_EQ(StartingSettings(4).threadsPerDrive, 4u);
    for (const char* bytes : {"", "{}", "\xEF\xBB\xBF{\"language\": \"de-DE\"}", "{\"language\": \"de-DE\"",
                              "{\"language\": \"\\u0064e-DE\"}"}) {
        EXPECT_EQ(ReadSettingsFile(bytes, HardwareThreads), starting) << bytes;
    }
}

TEST(ReadSettingsFile, ThreadsPerDriveTakesOnlyPlainDigitsAndIsRepaired) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"5", 5}, {"007", 7}, {"0", 8}, {"13", 8}, {"4294967295", 8}, {"4294967296", 8},
        {"-1", 8}, {"5.0", 8}, {"5e0", 8}, {"\"5\"", 8}, {"true", 8},
    };
    for (const auto& [token, expected] : cases) {
        const std::string file = std::string("{\"scan\": {\"threadsPerDrive\": ") + token + "}}";
        EXPECT_EQ(ReadSettingsFile(file, HardwareThreads).threadsPerDrive, expected) << token;
    }
}

TEST(ReadSettingsFile, FieldsOfTheWrongKindKeepTheirDefaults) {
    struct Case {
        std::string file;
        std::function<bool(const AppSettings&)> holds;
    };
    const Case cases[] = {
        {R"({"scan": {"showAdminPromptOnStartup": 1, "alwaysStartAsAdministrator": "true"}})",
         [](const AppSettings& s) { return s.showAdminPromptOnStartup && !s.alwaysStartAsAdministrator; }},
        {R"({"scan": {"showAdminPromptOnStartup": false}})",
         [](const AppSettings& s) { return !s.showAdminPromptOnStartup; }},
        {R"({"language": 5, "theme": "Light", "future": [1]})",
         [](const AppSettings& s) { return s.language == L"system" && s.theme == L"Light"; }},
        {R"({"scan": {"threadsPerDrive": 2, "x": "\u0041"}})",  // a bad scan object skips all its entries
         [](const AppSettings& s) { return s.threadsPerDrive == 8; }},
        {R"({"theme": "Dark", "theme": "Light"})", [](const AppSettings& s) { return s.theme == L"Light"; }},
        {"{\"theme\": \"Dark\xC3\"}", [](const AppSettings& s) { return s.theme.empty(); }},  // invalid UTF-8
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.holds(ReadSettingsFile(c.file, HardwareThreads))) << c.file;
    }
}

TEST(ReadSettingsFile, RecentFoldersAreAllOrNothing) {
    const std::pair<std::string, std::vector<std::wstring>> cases[] = {
        {R"(["C:\\A", "C:\\A",])", {L"C:\\A", L"C:\\A"}},  // trailing comma, duplicates kept
        {R"(["C:\\A", 3])", {}},
        {R"("[\"C:\\\\A\"]")", {}},  // a string is not an array
        {"[\"C:\\\\A\", \"\xFF\"]", {L"C:\\A", L""}},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(ReadSettingsFile("{\"recentFolders\": " + value + "}", HardwareThreads).recentFolders, expected)
            << value;
    }
}

TEST(WriteSettingsFile, WritesTheFixedLayout) {
    AppSettings settings = StartingSettings(HardwareThreads);
    settings.language = L"ja-JP";
    settings.recentFolders = {L"C:\\Data", L"D:\\\u65E5\u672C"};
    settings.threadsPerDrive = 6;
    settings.suppressAdminPrompt = true;
    EXPECT_EQ(WriteSettingsFile(settings),
              "{\r\n"
              "  \"appVersion\": \"v.100\",\r\n"
              "  \"language\": \"ja-JP\",\r\n"
              "  \"theme\": \"MysticForest\",\r\n"
              "  \"recentFolders\": [\"C:\\\\Data\", \"D:\\\\\xE6\x97\xA5\xE6\x9C\xAC\"],\r\n"
              "  \"scan\": {\r\n"
              "    \"threadsPerDrive\": 6,\r\n"
              "    \"showAdminPromptOnStartup\": true,\r\n"
              "    \"suppressAdminPrompt\": true,\r\n"
              "    \"alwaysStartAsAdministrator\": false\r\n"
              "  }\r\n"
              "}\r\n");
    settings.recentFolders.clear();
    EXPECT_NE(WriteSettingsFile(settings).find("  \"recentFolders\": [],\r\n"), std::string::npos);
}

TEST(WriteSettingsFile, EscapesOnlySevenCharactersAndReadsBackUnchanged) {
    AppSettings settings = StartingSettings(HardwareThreads);
    settings.recentFolders = {L"C:\\a\"b\tc\nd\re\bf\fg/h\x01i\x7F", L""};
    settings.theme = L"Zo\u00EB \U0001F4C1";
    settings.alwaysStartAsAdministrator = true;
    const std::string bytes = WriteSettingsFile(settings);
    EXPECT_NE(bytes.find(R"(["C:\\a\"b\tc\nd\re\bf\fg/h)" "\x01i\x7F\", \"\"]"), std::string::npos) << bytes;
    EXPECT_EQ(ReadSettingsFile(bytes, HardwareThreads), settings);
}

}  // namespace
}  // namespace varnel::app
