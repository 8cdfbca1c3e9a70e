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

// Every key the program looks up; theme keys are "theme." + identifier.
std::vector<std::string> ProgramKeys() {
    const std::pair<const char*, std::vector<const char*>> groups[] = {
        {"menu.", {"file", "file.recent_folders", "file.exit", "settings", "settings.scan", "settings.theme",
                   "settings.language", "help", "help.about", "none"}},
        {"language.", {"system"}},
        {"theme.", {"JuicyPlum", "Dark", "CoolBreeze", "IcyMint", "MoonlightGlow", "SpicyRed", "MangoParadise",
                    "MysticForest", "CoolSlate", "Bubblegum", "Light", "SunnyDay", "SilkyPink"}},
        {"toolbar.", {"scan", "cancel", "folder", "open"}},
        {"combo.", {"all_local_drives", "folder_prefix"}},
        {"column.", {"folder", "size", "files", "folders", "full_path", "share", "file_name", "subtree_size",
                     "share_desc", "share_asc"}},
        {"context.", {"open"}},
        {"status.", {"scanning_files", "folders", "current", "completed", "cancelled", "files", "access_denied",
                     "elapsed", "ms", "ready", "drop_folder", "folder_selected", "select_ranking", "open_failed",
                     "admin_cancelled", "admin_failed", "save_failed", "recent_missing", "unreadable_folders", "incomplete"}},
        {"dialog.", {"folder.title", "startup.title", "startup.prompt", "startup.admin.heading",
                     "startup.admin.description", "startup.standard.heading", "startup.standard.description",
                     "startup.dont_show_again", "scan_settings.title", "scan_settings.threads_per_drive",
                     "scan_settings.range_prefix", "scan_settings.ask_admin", "scan_settings.always_admin",
                     "scan_settings.invalid_threads", "about.title", "about.version_prefix", "about.license",
                     "about.license_terms",
                     "common.ok", "common.cancel", "common.close"}},
        {"status.", {"root_empty", "root_missing", "root_not_folder", "root_device", "root_unreadable",
                     "scan_resources", "settings_kept", "settings_unreadable"}},
        {"", {"menu.file.export", "dialog.export.title", "dialog.export.csv", "dialog.export.json",
              "status.exporting", "status.export_done", "status.export_failed", "status.export_cancelled",
              "status.export_nothing"}},
        {"context.", {"show_in_tree", "show_in_explorer", "copy_path", "copy_csv", "delete", "properties"}},
        {"dialog.", {"delete.title", "delete.prompt", "delete.size", "delete.files"}},
        {"status.", {"deleted", "delete_failed", "delete_refused", "delete_changed", "copy_failed"}},
        {"status.", {"found", "seconds", "needs_check"}},
        {"", {"menu.settings.size_on_disk", "column.size_on_disk", "column.subtree_size_on_disk", "status.on_disk",
              "status.volume_used", "status.volume_free", "status.volume_unlisted"}},
        {"", {"menu.file.open_scan", "menu.file.save_scan", "menu.settings.keep_snapshots", "dialog.saved_scan.filter",
              "dialog.saved_scan.save", "dialog.saved_scan.open", "status.scan_saved", "status.save_nothing",
              "status.snapshot_unreadable", "status.change_since"}},
        {"status.saved.", {"ok", "truncated", "wrong_magic", "newer_version", "checksum", "malformed", "name_range",
                           "self_parent", "bad_parent", "bad_text", "read_failed", "write_failed"}},
        {"", {"menu.edit", "menu.edit.find", "menu.edit.rescan", "menu.settings.explorer_entry", "context.rescan",
              "context.analyse_with_varnel", "combo.drive_used", "combo.drive_free", "column.modified",
              "dialog.usage.text", "status.rescanned", "status.rescan_cancelled", "status.rescan_failed",
              "status.explorer_entry_added", "status.explorer_entry_removed", "status.explorer_entry_failed"}},
        {"", {"menu.view", "menu.view.treemap", "menu.view.file_types", "context.show_files"}},
        {"ranking.", {"files", "files_in", "folders", "folders_in"}},
        {"", {"column.change", "change.new", "ranking.grew_since", "status.gone", "menu.view.compare_with",
              "menu.view.compare_none", "menu.view.copy_gone", "status.gone_copied", "status.saving_scan",
              "status.opening_scan", "status.saved_scan_busy"}},
        {"types.", {"title", "files_title", "no_extension", "column.extension", "column.group", "group.pictures",
                    "group.video", "group.audio", "group.archives", "group.documents", "group.programs",
                    "group.source", "group.system", "group.other"}},
        {"dialog.search.", {"title", "pattern", "start", "stop", "minimum_size", "modified_after", "modified_before",
                            "matches", "total", "searching"}},
    };
    std::vector<std::string> keys;
    for (const auto& [prefix, names] : groups) {
        for (const char* name : names) {
            keys.push_back(std::string(prefix) + name);
        }
    }
    return keys;
}

// Joined directly to a number or path, and trimming eats a trailing space:
// these end in a no-break space or a full-width colon.
constexpr const char* LabelKeys[] = {"status.scanning_files", "status.folders", "status.current",
                                     "status.files", "status.unreadable_folders", "status.elapsed", "status.found",
                                     "combo.folder_prefix", "dialog.about.version_prefix",
                                     "status.exporting", "status.on_disk", "status.volume_used",
                                     "status.volume_free", "status.volume_unlisted", "status.change_since",
                                     "combo.drive_used",
                                     "combo.drive_free", "dialog.search.matches", "dialog.search.total"};

TEST(StringTableFiles, EveryLanguageHoldsExactlyTheProgramsKeysTranslated) {
    const StringTable english = ParseStringTable(ReadFile(StringsFolder() / L"en-US.txt"));
    const std::vector<std::string> keys = ProgramKeys();
    ASSERT_EQ(english.size(), keys.size()) << "en-US in " << StringsFolder().string();
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
            if (english.contains(key) && english.at(key) == found->second) {
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
        R"re("((?:menu|toolbar|combo|column|context|status|dialog|language|theme)\.[A-Za-z_.]*[A-Za-z_])")re");
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
