#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/SettingsFile.h"

namespace varnel::app {
namespace {

constexpr std::uint32_t HardwareThreads = 12;  // more than the default cap of 8
constexpr std::uint32_t SmallMachineThreads = 4;

// Wraps a "scan" member in an otherwise empty file.
std::string WithScan(const std::string& scanMembers) { return "{\"scan\": {" + scanMembers + "}}"; }

TEST(ReadSettingsFile, UnreadableFilesGiveTheStartingRecord) {
    const AppSettings starting = StartingSettings(HardwareThreads);
    EXPECT_EQ(starting.threadsPerDrive, 8u);
    EXPECT_EQ(starting.maxThreadsPerDrive, HardwareThreads);
    EXPECT_EQ(StartingSettings(SmallMachineThreads).threadsPerDrive, SmallMachineThreads);

    const char* const unreadable[] = {
        "",
        "   ",
        "\xEF\xBB\xBF{\"language\": \"de-DE\"}",  // byte-order mark
        "x{\"language\": \"de-DE\"}",
        "{\"language\": \"de-DE\"",                 // never closed
        "{\"language\": \"\\u0064e-DE\"}",          // \u escape anywhere fails the file
        "{\"\\u006Canguage\": \"de-DE\"}",
    };
    for (const char* bytes : unreadable) {
        EXPECT_EQ(ReadSettingsFile(bytes, HardwareThreads), starting) << ::testing::PrintToString(std::string(bytes));
    }
    EXPECT_EQ(ReadSettingsFile("{}", HardwareThreads), starting);
}

TEST(ReadSettingsFile, ReadsEveryField) {
    const std::string file =
        "{\r\n"
        "  \"appVersion\": \"v.99\",\r\n"
        "  \"language\": \"de-DE\",\r\n"
        "  \"theme\": \"Dark\",\r\n"
        "  \"recentFolders\": [\"C:\\\\Data\", \"D:\\\\\"],\r\n"
        "  \"scan\": {\r\n"
        "    \"threadsPerDrive\": 3,\r\n"
        "    \"showAdminPromptOnStartup\": false,\r\n"
        "    \"suppressAdminPrompt\": true,\r\n"
        "    \"alwaysStartAsAdministrator\": true\r\n"
        "  }\r\n"
        "}\r\n";
    const AppSettings settings = ReadSettingsFile(file, HardwareThreads);
    EXPECT_EQ(settings.appVersion, L"v.99");
    EXPECT_EQ(settings.language, L"de-DE");
    EXPECT_EQ(settings.theme, L"Dark");
    EXPECT_EQ(settings.recentFolders, (std::vector<std::wstring>{L"C:\\Data", L"D:\\"}));
    EXPECT_EQ(settings.threadsPerDrive, 3u);
    EXPECT_EQ(settings.maxThreadsPerDrive, HardwareThreads);
    EXPECT_FALSE(settings.showAdminPromptOnStartup);
    EXPECT_TRUE(settings.suppressAdminPrompt);
    EXPECT_TRUE(settings.alwaysStartAsAdministrator);
}

TEST(ReadSettingsFile, ThreadsPerDriveTakesOnlyPlainDigitsAndIsRepaired) {
    struct Case {
        const char* token;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"5", 5},
        {"12", 12},
        {"007", 7},
        {"0", 8},           // repaired to the default
        {"13", 8},          // above the hardware threads
        {"4294967295", 8},  // fits, then repaired
        {"4294967296", 8},  // does not fit: ignored
        {"99999999999999999999999", 8},
        {"-1", 8},
        {"+5", 8},
        {"5.0", 8},
        {"5e0", 8},
        {"0x5", 8},
        {"\"5\"", 8},  // a string, not a number
        {"true", 8},
        {"null", 8},
        {"[5]", 8},
    };
    for (const Case& c : cases) {
        const AppSettings settings =
            ReadSettingsFile(WithScan(std::string("\"threadsPerDrive\": ") + c.token), HardwareThreads);
        EXPECT_EQ(settings.threadsPerDrive, c.expected) << c.token;
    }
    // On a small machine the default is the hardware thread count.
    EXPECT_EQ(ReadSettingsFile(WithScan("\"threadsPerDrive\": 8"), SmallMachineThreads).threadsPerDrive,
              SmallMachineThreads);
}

TEST(ReadSettingsFile, FieldsOfTheWrongKindKeepTheirDefaults) {
    struct Case {
        const char* name;
        std::string file;
        std::function<bool(const AppSettings&)> holds;
    };
    const Case cases[] = {
        {"bool given as 1", WithScan("\"showAdminPromptOnStartup\": 1, \"alwaysStartAsAdministrator\": 1"),
         [](const AppSettings& s) { return s.showAdminPromptOnStartup && !s.alwaysStartAsAdministrator; }},
        {"bool given as a string", WithScan("\"showAdminPromptOnStartup\": \"false\""),
         [](const AppSettings& s) { return s.showAdminPromptOnStartup; }},
        {"bare false", WithScan("\"showAdminPromptOnStartup\": false"),
         [](const AppSettings& s) { return !s.showAdminPromptOnStartup; }},
        {"bare true", WithScan("\"suppressAdminPrompt\": true"),
         [](const AppSettings& s) { return s.suppressAdminPrompt; }},
        {"language as a number", R"({"language": 5, "theme": "Light"})",
         [](const AppSettings& s) { return s.language == L"system" && s.theme == L"Light"; }},
        {"theme as null", R"({"theme": null})", [](const AppSettings& s) { return s.theme == L"MysticForest"; }},
        {"scan as an array", R"({"scan": [1], "language": "fr-FR"})",
         [](const AppSettings& s) { return s.threadsPerDrive == 8 && s.language == L"fr-FR"; }},
        {"scan with a \\u escape skips all its entries",
         WithScan(R"("threadsPerDrive": 2, "suppressAdminPrompt": true, "x": "\u0041")"),
         [](const AppSettings& s) { return s.threadsPerDrive == 8 && !s.suppressAdminPrompt; }},
        {"unknown keys ignored", R"({"future": {"x": [1]}, "language": "it-IT"})",
         [](const AppSettings& s) { return s.language == L"it-IT"; }},
        {"last duplicate wins", R"({"theme": "Dark", "theme": "Light"})",
         [](const AppSettings& s) { return s.theme == L"Light"; }},
        {"invalid UTF-8 empties the field", "{\"theme\": \"Dark\xC3\"}",
         [](const AppSettings& s) { return s.theme.empty(); }},
        {"empty string stays empty", R"({"language": ""})", [](const AppSettings& s) { return s.language.empty(); }},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.holds(ReadSettingsFile(c.file, HardwareThreads))) << c.name;
    }
}

TEST(ReadSettingsFile, RecentFoldersAreAllOrNothing) {
    struct Case {
        const char* name;
        std::string value;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"trailing comma", R"(["C:\\A", "C:\\B",])", {L"C:\\A", L"C:\\B"}},
        {"one element not a string", R"(["C:\\A", 3])", {}},
        {"not an array", R"("C:\\A")", {}},
        {"array text inside a string", R"("[\"C:\\\\A\"]")", {}},
        {"\\u escape inside the list", R"(["C:\\A", "\u0041"])", {}},
        {"invalid UTF-8 element becomes empty", "[\"C:\\\\A\", \"\xFF\"]", {L"C:\\A", L""}},
        {"duplicates are kept", R"(["C:\\A", "C:\\A"])", {L"C:\\A", L"C:\\A"}},
    };
    for (const Case& c : cases) {
        const AppSettings settings = ReadSettingsFile("{\"recentFolders\": " + c.value + "}", HardwareThreads);
        EXPECT_EQ(settings.recentFolders, c.expected) << c.name;
    }

    // No limit at load: trimming to 16 is the job of whoever adds a folder.
    std::string many = "{\"recentFolders\": [";
    for (int i = 0; i < 20; ++i) {
        many += (i ? ", \"C:\\\\F" : "\"C:\\\\F") + std::to_string(i) + "\"";
    }
    many += "]}";
    EXPECT_EQ(ReadSettingsFile(many, HardwareThreads).recentFolders.size(), 20u);
}

TEST(WriteSettingsFile, WritesTheFixedLayout) {
    AppSettings settings = StartingSettings(HardwareThreads);
    settings.language = L"ja-JP";
    settings.recentFolders = {L"C:\\Data", L"D:\\\u65E5\u672C"};
    settings.threadsPerDrive = 6;
    settings.suppressAdminPrompt = true;
    const std::string expected =
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
        "}\r\n";
    EXPECT_EQ(WriteSettingsFile(settings), expected);

    settings.recentFolders.clear();
    EXPECT_NE(WriteSettingsFile(settings).find("  \"recentFolders\": [],\r\n"), std::string::npos);
}

TEST(WriteSettingsFile, EscapesOnlyTheSevenCharactersAndRoundTrips) {
    AppSettings settings = StartingSettings(HardwareThreads);
    const std::wstring awkward = L"C:\\a\"b\tc\nd\re\bf\fg/h\x01i\x1Fj\x7F";
    settings.recentFolders = {awkward, L""};
    settings.theme = L"Zo\u00EB \U0001F4C1";
    const std::string bytes = WriteSettingsFile(settings);
    EXPECT_NE(bytes.find(R"("C:\\a\"b\tc\nd\re\bf\fg/h)" "\x01i\x1Fj\x7F\", \"\"]"), std::string::npos) << bytes;
    EXPECT_EQ(ReadSettingsFile(bytes, HardwareThreads), settings);
}

TEST(WriteSettingsFile, UnpairedSurrogateIsWrittenAsReplacementCharacter) {
    if constexpr (sizeof(wchar_t) != 2) {
        GTEST_SKIP() << "only UTF-16 strings can hold an unpaired surrogate";
    }
    AppSettings settings = StartingSettings(HardwareThreads);
    settings.recentFolders = {std::wstring(L"C:\\x") + static_cast<wchar_t>(0xD800)};
    const AppSettings read = ReadSettingsFile(WriteSettingsFile(settings), HardwareThreads);
    EXPECT_EQ(read.recentFolders, (std::vector<std::wstring>{L"C:\\x\uFFFD"}));
}

}  // namespace
}  // namespace varnel::app
