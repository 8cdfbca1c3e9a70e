#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "settings/SettingsFile.h"

namespace varnel::app {
namespace {

constexpr std::uint32_t HardwareThreads = 12;  // more than the default cap of 8

TEST(ReadSettingsFile, ThreadsPerDriveTakesOnlyPlainDigitsAndIsRepaired) {
    EXPECT_EQ(StartingSettings(HardwareThreads).threadsPerDrive, 8u);
    EXPECT_EQ(StartingSettings(4).threadsPerDrive, 4u);
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"5", 5}, {"007", 7}, {"0", 8}, {"13", 8}, {"4294967295", 8}, {"4294967296", 8},
        {"-1", 8}, {"5.0", 8}, {"5e0", 8}, {"\"5\"", 8}, {"true", 8},
    };
    for (const auto& [token, expected] : cases) {
        const std::string file = std::string("{\"scan\": {\"threadsPerDrive\": ") + token + "}}";
        EXPECT_EQ(ReadSettingsFile(file, HardwareThreads).threadsPerDrive, expected) << token;
    }
}

// As Notepad saves "Unicode" text: a byte-order mark, then UTF-16.
std::string Utf16(std::string_view ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

// Whatever can be read is kept; anything passed over marks the file as
// damaged, so the store keeps a copy before the next save replaces it.
TEST(InspectSettingsFile, KeepsTheReadablePartsAndReportsDamage) {
    using Folders = std::vector<std::wstring>;
    struct Case {
        std::string file;
        std::function<bool(const AppSettings&)> holds;
        bool damaged;
    };
    const auto starting = [](const AppSettings& s) { return s == StartingSettings(HardwareThreads); };
    const auto german = [](const AppSettings& s) { return s.language == L"de-DE"; };
    const auto noWindow = [](const AppSettings& s) { return s.window == WindowMemory{}; };
    const auto recent = [](Folders expected) {
        return [expected](const AppSettings& s) { return s.recentFolders == expected; };
    };
    const Case cases[] = {
        {"{}", starting, false},
        {"", starting, true},
        {"not json", starting, true},
        {"{\"language\": \"\\u0064e-DE\"}", german, false},
        {std::string("{\"language\": \"de-DE\", \"theme\0\": \"Light\"}", 40), german, true},  // NUL in a key
        {R"({"language": "de-DE", "future": [1], "later": {"a": 1}})", german, false},
        {R"({"language": "de-DE", "recentFolders": ["C:\\A", "C:\\B)", german, true},  // truncated
        {"\xEF\xBB\xBF{\"language\": \"de-DE\"}", german, false},
        {Utf16(R"({"language": "de-DE"})", false), german, false},
        {Utf16(R"({"language": "de-DE"})", true), german, false},
        {R"({"scan": {"showAdminPromptOnStartup": 1, "alwaysStartAsAdministrator": "true"}})",
         [](const AppSettings& s) { return s.showAdminPromptOnStartup && !s.alwaysStartAsAdministrator; }, true},
        {R"({"scan": {"showAdminPromptOnStartup": false}})",
         [](const AppSettings& s) { return !s.showAdminPromptOnStartup; }, false},
        {R"({"scan": {"keepSnapshots": false}})", [](const AppSettings& s) { return !s.keepSnapshots; }, false},
        {R"({"language": 5, "theme": "Light"})",
         [](const AppSettings& s) { return s.language == L"system" && s.theme == L"Light"; }, true},
        {R"({"theme": "a\u0000b", "language": "de-DE"})",
         [](const AppSettings& s) { return s.theme == std::wstring(L"a\0b", 3) && s.language == L"de-DE"; }, false},
        {R"({"recentFolders": ["1","2","3","4","5","6","7","8","9","10","11","12","13","14","15","16","17"]})",
         [](const AppSettings& s) { return s.recentFolders.size() == 16 && s.recentFolders.back() == L"16"; }, false},
        {R"({"theme": "Dark", "theme": "Light"})", [](const AppSettings& s) { return s.theme == L"Light"; }, false},
        {"{\"theme\": \"Dark\xC3\"}", [](const AppSettings& s) { return s.theme.empty(); }, true},
        {R"({"recentFolders": ["C:\\A", "C:\\A",]})", recent({L"C:\\A", L"C:\\A"}), false},
        {R"({"recentFolders": ["C:\\A", 3, {"x": "]"}, "D:\\"]})", recent({L"C:\\A", L"D:\\"}), true},
        {R"({"recentFolders": "[\"C:\\\\A\"]"})", recent({}), true},
        {"{\"recentFolders\": [\"C:\\\\A\", \"\xFF\", \"D:\\\\\"]}", recent({L"C:\\A", L"D:\\"}), true},
        // A window with no width, or a field short, or numbers that are not
        // whole or do not fit, is forgotten rather than half restored.
        {R"({"window": {"placement": [1, 2, 0, 4, 96, 0], "columns": "wide", "sortColumn": [2]}})", noWindow, true},
        {R"({"window": {"placement": [1, 2, 3, 4, 96]}})", noWindow, true},
        {R"({"window": {"placement": [1, 2, 3, 4.5, 96, 0]}})", noWindow, true},
        {R"({"window": {"placement": [1, 2, 3, 99999999999, 96, 0]}})", noWindow, true},
    };
    for (const Case& c : cases) {
        const SettingsFileRead read = InspectSettingsFile(c.file, HardwareThreads);
        EXPECT_TRUE(c.holds(read.settings)) << c.file;
        EXPECT_EQ(read.damaged, c.damaged) << c.file;
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
              "  },\r\n"
              "  \"window\": {\r\n"
              "    \"placement\": [0, 0, 0, 0, 0, 0],\r\n"
              "    \"panes\": [0, 0],\r\n"
              "    \"columns\": [],\r\n"
              "    \"sortColumn\": -1,\r\n"
              "    \"sortDescending\": true,\r\n"
              "    \"lastFolder\": \"\",\r\n"
              "    \"sizeOnDisk\": false\r\n"
              "  }\r\n"
              "}\r\n");
    settings.recentFolders.clear();
    EXPECT_NE(WriteSettingsFile(settings).find("  \"recentFolders\": [],\r\n"), std::string::npos);
}

TEST(WriteSettingsFile, EscapesEveryControlCharacterAndReadsBackUnchanged) {
    AppSettings settings = StartingSettings(HardwareThreads);
    settings.recentFolders = {L"C:\\a\"b\tc\nd\re\bf\fg/h\x01i\x7F", L""};
    settings.theme = L"Zo\u00EB \U0001F4C1";
    settings.alwaysStartAsAdministrator = true;
    settings.keepSnapshots = false;
    const std::string bytes = WriteSettingsFile(settings);
    EXPECT_NE(bytes.find(R"(["C:\\a\"b\tc\nd\re\bf\fg/h\u0001i)" "\x7F\", \"\"]"), std::string::npos) << bytes;
    EXPECT_EQ(ReadSettingsFile(bytes, HardwareThreads), settings);
}

TEST(SettingsFile, WindowSectionRoundTripsAndOlderLayoutsReadAsBefore) {
    AppSettings settings = StartingSettings(HardwareThreads);
    settings.window = {-1900, 40, 1200, 800, 144, true, 3300, 6100, {250, 90, 110, 80, 80, 400}, 2, false,
                       L"D:\\Fotos \"2024\"", true};
    const std::string bytes = WriteSettingsFile(settings);
    AppSettings withoutWindow = settings;
    withoutWindow.window = {};
    // A reader that does not know the section passes over it (the same
    // bytes under an unknown key), and the twelve-line file of older
    // versions reads as before with the window never remembered.
    std::string unknownKey = bytes;
    unknownKey.replace(unknownKey.find("\"window\""), 8, "\"window2\"");
    const std::string twelveLines = bytes.substr(0, bytes.find("  },\r\n")) + "  }\r\n}\r\n";
    // The file of the version before the size-on-disk view, and a later
    // one with a member this version does not know.
    std::string beforeSizeOnDisk = bytes;
    const std::string sizeOnDiskLine = ",\r\n    \"sizeOnDisk\": true";
    beforeSizeOnDisk.erase(beforeSizeOnDisk.find(sizeOnDiskLine), sizeOnDiskLine.size());
    std::string laterMember = bytes;
    laterMember.replace(laterMember.find("\"sizeOnDisk\""), 12, "\"later\": [1], \"sizeOnDisk\"");
    AppSettings logicalSizes = settings;
    logicalSizes.window.showSizeOnDisk = false;
    const std::pair<std::string, AppSettings> files[] = {{bytes, settings},
                                                         {unknownKey, withoutWindow},
                                                         {twelveLines, withoutWindow},
                                                         {beforeSizeOnDisk, logicalSizes},
                                                         {laterMember, settings}};
    for (const auto& [file, expected] : files) {
        const SettingsFileRead read = InspectSettingsFile(file, HardwareThreads);
        EXPECT_FALSE(read.damaged) << file;
        EXPECT_EQ(read.settings, expected) << file;
    }
}

}  // namespace
}  // namespace varnel::app
