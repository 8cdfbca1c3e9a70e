// The fifteen shipped string tables, read from the copy beside the test
// binary, as the program reads its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "base/Utf8.h"
#include "i18n/LanguageCatalog.h"
#include "i18n/StringTable.h"
#include "platform/FileBytes.h"

#ifdef _WIN32
#include "platform/ProgramFolder.h"
#endif

namespace varnel::i18n {
namespace {

std::filesystem::path StringsFolder() {
#ifdef _WIN32
    return std::filesystem::path(platform::ProgramFolder()) / L"resources" / L"strings";
#else
    return VARNEL_TEST_STRINGS_FOLDER;
#endif
}

std::string ReadFile(const std::filesystem::path& path) { return platform::ReadWholeFile(path).value_or(""); }

// Joined directly to a number or path, and trimming eats a trailing space:
// these end in a no-break space or a full-width colon.
constexpr const char* LabelKeys[] = {"status.scanning_files", "status.folders", "status.current",
                                     "status.files", "status.unreadable_folders", "status.elapsed", "status.found",
                                     "combo.folder_prefix", "dialog.about.version_prefix",
                                     "status.exporting", "status.on_disk", "status.volume_used",
                                     "status.volume_free", "status.volume_unlisted", "status.change_since",
                                     "combo.drive_used",
                                     "combo.drive_free", "dialog.search.matches", "dialog.search.total"};

// English is the reference: the sources' keys are checked against it below.
TEST(StringTableFiles, EveryLanguageHoldsExactlyTheEnglishKeysTranslated) {
    const StringTable english = ParseStringTable(ReadFile(StringsFolder() / L"en-US.txt"));
    ASSERT_GT(english.size(), 100u) << "en-US in " << StringsFolder().string();
    std::vector<std::string> keys;
    for (const auto& entry : english) {
        keys.push_back(entry.first);
    }
    for (const LanguageEntry& language : LanguageCatalog) {
        const std::string name = core::WideToUtf8(language.code);
        const std::string bytes = ReadFile(StringsFolder() / (std::wstring(language.code) + L".txt"));
        EXPECT_TRUE(core::Utf8ToWide(bytes).has_value()) << name;
        EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << name;
        // One entry per non-comment line: no duplicate keys, no line without '='.
        std::size_t entryLines = 0;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
            if (end > at && bytes[at] != '#') {
                ++entryLines;
            }
            at = end + 1;
        }
        const StringTable table = ParseStringTable(bytes);
        EXPECT_EQ(table.size(), entryLines) << name;
        EXPECT_EQ(table.size(), keys.size()) << name;

        std::size_t sameAsEnglish = 0;
        for (const std::string& key : keys) {
            const auto found = table.find(key);
            ASSERT_NE(found, table.end()) << name << " lacks " << key;
            EXPECT_FALSE(found->second.empty()) << name << " " << key;
            if (english.at(key) == found->second) {
                ++sameAsEnglish;
            }
        }
        for (const char* key : LabelKeys) {
            const wchar_t last = table.at(key).back();
            EXPECT_TRUE(last == L'\u00A0' || last == L'\u202F' || last == L'\uFF1A') << name << " " << key;
        }
        EXPECT_TRUE(table.at("status.ms").starts_with(L'\u00A0')) << name;
        if (language.code != FallbackLanguage) {
            EXPECT_LT(sameAsEnglish, keys.size() / 10) << name << " looks like an English copy";
        }
    }
}

#ifdef VARNEL_SOURCE_FOLDER
// A key written in the sources but missing in en-US would show as the bare key.
TEST(StringTableFiles, EveryKeyInTheSourcesExistsInEnglish) {
    const StringTable english = ParseStringTable(ReadFile(StringsFolder() / "en-US.txt"));
    const std::regex keyLiteral(
        R"re("((?:menu|toolbar|combo|column|context|status|dialog|language|theme|ranking|types|change)\.[A-Za-z_.]*[A-Za-z_])")re");
    bool sawAny = false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(VARNEL_SOURCE_FOLDER)) {
        const std::string source = entry.is_regular_file() ? ReadFile(entry.path()) : std::string();
        for (std::sregex_iterator match(source.begin(), source.end(), keyLiteral), end; match != end; ++match) {
            EXPECT_TRUE(english.contains((*match)[1])) << (*match)[1] << " in " << entry.path().string();
            sawAny = true;
        }
    }
    EXPECT_TRUE(sawAny);
}
#endif

}  // namespace
}  // namespace varnel::i18n
