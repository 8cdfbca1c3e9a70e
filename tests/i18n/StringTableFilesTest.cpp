// The fifteen string-table files shipped in resources\strings, read from
// the copy beside the test binary, as the program reads its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/Utf8.h"
#include "i18n/LanguageCatalog.h"
#include "i18n/StringTable.h"

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

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

StringTable LoadTable(std::wstring_view code) {
    return ParseStringTable(ReadFile(StringsFolder() / (std::wstring(code) + L".txt")));
}

// Every key the program looks up. Theme keys are formed at run time from
// the theme identifiers.
std::vector<std::string> ProgramKeys() {
    std::vector<std::string> keys = {
        "menu.file", "menu.file.recent_folders", "menu.file.exit", "menu.settings", "menu.settings.scan",
        "menu.settings.theme", "menu.settings.language", "menu.help", "menu.help.about", "menu.none",
        "language.system", "toolbar.scan", "toolbar.cancel", "toolbar.folder", "toolbar.open",
        "combo.all_local_drives", "combo.folder_prefix", "column.folder", "column.size", "column.files",
        "column.folders", "column.full_path", "column.share", "column.file_name", "column.subtree_size",
        "column.share_desc", "column.share_asc", "context.open", "status.scanning_files", "status.folders",
        "status.current", "status.completed", "status.cancelled", "status.files", "status.access_denied",
        "status.elapsed", "status.ms", "dialog.folder.title", "dialog.startup.title", "dialog.startup.prompt",
        "dialog.startup.admin.heading", "dialog.startup.admin.description", "dialog.startup.standard.heading",
        "dialog.startup.standard.description", "dialog.startup.dont_show_again", "dialog.scan_settings.title",
        "dialog.scan_settings.threads_per_drive", "dialog.scan_settings.range_prefix",
        "dialog.scan_settings.ask_admin", "dialog.scan_settings.always_admin",
        "dialog.scan_settings.invalid_threads", "dialog.about.title", "dialog.about.version_prefix",
        "dialog.about.license", "dialog.common.ok", "dialog.common.cancel", "dialog.common.close", "status.ready",
        "status.drop_folder", "status.folder_selected", "status.select_ranking", "status.open_failed",
        "status.admin_cancelled", "status.admin_failed", "status.save_failed", "status.recent_missing",
    };
    for (const char* theme : {"JuicyPlum", "Dark", "CoolBreeze", "IcyMint", "MoonlightGlow", "SpicyRed",
                              "MangoParadise", "MysticForest", "CoolSlate", "Bubblegum", "Light", "SunnyDay",
                              "SilkyPink"}) {
        keys.push_back(std::string("theme.") + theme);
    }
    return keys;
}

// Texts the program joins directly to a number or path: trimming would
// eat a trailing space, so they must end in a no-break space or a
// full-width colon.
constexpr const char* LabelKeys[] = {"status.scanning_files", "status.folders",  "status.current",
                                     "status.files",          "status.access_denied", "status.elapsed",
                                     "combo.folder_prefix",   "dialog.about.version_prefix"};

bool EndsInSeparator(const std::wstring& text) {
    return !text.empty() && (text.back() == L'\u00A0' || text.back() == L'\u202F' || text.back() == L'\uFF1A');
}

TEST(StringTableFiles, EnglishHoldsEveryKeyTheProgramUses) {
    const StringTable english = LoadTable(FallbackLanguage);
    for (const std::string& key : ProgramKeys()) {
        EXPECT_TRUE(english.contains(key)) << key;
    }
    EXPECT_EQ(english.size(), ProgramKeys().size()) << "en-US holds keys nobody looks up";
}

TEST(StringTableFiles, EveryLanguageIsCompleteWellFormedAndTranslated) {
    const StringTable english = LoadTable(FallbackLanguage);
    ASSERT_FALSE(english.empty()) << "no en-US table in " << StringsFolder().string();
    for (const LanguageEntry& language : LanguageCatalog) {
        const std::string name = core::WideToUtf8(language.code);
        const std::string bytes = ReadFile(StringsFolder() / (std::wstring(language.code) + L".txt"));
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_FALSE(bytes.starts_with("\xEF\xBB\xBF")) << name << ": a byte-order mark would spoil the first key";
        EXPECT_TRUE(core::Utf8ToWide(bytes).has_value()) << name << ": not valid UTF-8";
        EXPECT_EQ(bytes.find('\r'), std::string::npos) << name << ": lines end in LF";

        // Each entry line counts once: no duplicates, nothing silently dropped.
        std::size_t entryLines = 0;
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
            const std::string_view line(bytes.data() + start, end - start);
            if (!line.empty() && line.front() != '#') {
                EXPECT_NE(line.find('='), std::string_view::npos) << name << ": " << line;
                ++entryLines;
            }
            start = end + 1;
        }

        const StringTable table = ParseStringTable(bytes);
        EXPECT_EQ(table.size(), entryLines) << name << ": duplicate keys";
        std::size_t sameAsEnglish = 0;
        for (const auto& [key, text] : english) {
            const auto found = table.find(key);
            if (found == table.end()) {
                ADD_FAILURE() << name << " lacks " << key;
                continue;
            }
            EXPECT_FALSE(found->second.empty()) << name << " " << key;
            // Menus, buttons and static texts would turn '&' into a mnemonic.
            EXPECT_EQ(found->second.find(L'&'), std::wstring::npos) << name << " " << key;
            if (found->second == text) {
                ++sameAsEnglish;
            }
        }
        EXPECT_EQ(table.size(), english.size()) << name << " holds keys en-US does not";
        for (const char* key : LabelKeys) {
            EXPECT_TRUE(table.contains(key) && EndsInSeparator(table.at(key))) << name << " " << key;
        }
        EXPECT_TRUE(table.contains("status.ms") && table.at("status.ms").starts_with(L'\u00A0')) << name;
        if (language.code != FallbackLanguage) {
            // "OK", "Version" and the like may stay; a copied table may not.
            EXPECT_LT(sameAsEnglish, english.size() / 10) << name << " looks like an English copy";
        }
    }
}

#ifdef VARNEL_SOURCE_FOLDER
// Keys written out in the sources, found by their prefixes, must exist in
// en-US; otherwise the interface shows the bare key.
TEST(StringTableFiles, EveryKeyInTheSourcesExistsInEnglish) {
    const StringTable english = LoadTable(FallbackLanguage);
    const std::regex keyLiteral(
        R"re("((?:menu|toolbar|combo|column|context|status|dialog|language|theme)\.[A-Za-z_.]+)")re");
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(VARNEL_SOURCE_FOLDER)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
            continue;
        }
        const std::string source = ReadFile(entry.path());
        for (std::sregex_iterator match(source.begin(), source.end(), keyLiteral), end; match != end; ++match) {
            const std::string key = (*match)[1];
            if (key.back() == '.') {
                continue;  // a prefix to which an identifier is added
            }
            seen.insert(key);
            EXPECT_TRUE(english.contains(key)) << key << " in " << entry.path().string();
        }
    }
    EXPECT_TRUE(seen.contains("language.system"));  // the scan does see the sources
}
#endif

}  // namespace
}  // namespace varnel::i18n
