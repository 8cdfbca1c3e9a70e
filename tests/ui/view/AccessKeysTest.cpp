// Every menu and dialog text that can be chosen from the keyboard carries
// one access key, and no two items of one menu or dialog share a key, in
// any of the fifteen tables.

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "i18n/LanguageCatalog.h"
#include "i18n/StringTable.h"
#include "platform/FileBytes.h"
#ifdef _WIN32
#include "support/WindowTestSupport_win.h"
#endif

namespace varnel::ui {
namespace {

std::filesystem::path StringsFolder() {
#ifdef _WIN32
    return std::filesystem::path(varnel::testing::TestProgramFolder()) / "resources" / "strings";
#else
    return VARNEL_STRINGS_FOLDER;
#endif
}

// The character after each single '&' ("&&" shows one '&').
std::vector<wchar_t> AccessKeys(const std::wstring& text) {
    std::vector<wchar_t> keys;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == L'&') {
            if (text[i + 1] != L'&') {
                keys.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(text[i + 1]))));
            }
            ++i;
        }
    }
    return keys;
}

// The texts that appear together in one menu or one window.
const std::vector<std::vector<std::string>> Groups{
    {"menu.file", "menu.edit", "menu.view", "menu.settings", "menu.help", "toolbar.folder", "toolbar.scan",
     "toolbar.cancel", "toolbar.open"},
    {"menu.file.export", "menu.file.recent_folders", "menu.file.exit", "menu.file.open_scan", "menu.file.save_scan"},
    {"menu.edit.find", "menu.edit.rescan"},
    {"menu.settings.scan", "menu.settings.size_on_disk", "menu.settings.theme", "menu.settings.language",
     "menu.settings.keep_snapshots", "menu.settings.explorer_entry"},
    {"menu.help.about"},
    {"menu.view.treemap", "menu.view.file_types", "menu.view.compare_with"},
    {"menu.view.compare_none", "menu.view.copy_gone"},
    {"context.show_files"},
    {"context.open", "context.show_in_tree", "context.show_in_explorer", "context.copy_path", "context.copy_csv",
     "context.delete", "context.properties", "context.rescan"},
    {"dialog.search.pattern", "dialog.search.start", "dialog.search.stop", "dialog.search.minimum_size",
     "dialog.search.modified_after", "dialog.search.modified_before"},
    {"dialog.startup.admin.heading", "dialog.startup.standard.heading", "dialog.startup.dont_show_again"},
    {"dialog.scan_settings.threads_per_drive", "dialog.scan_settings.ask_admin", "dialog.scan_settings.always_admin",
     "dialog.common.ok", "dialog.common.cancel"},
    {"dialog.common.close"},
};

TEST(AccessKeys, OnePerItemAndNoClashWithinAMenuOrDialog) {
    for (const auto& language : i18n::LanguageCatalog) {
        const std::filesystem::path file = StringsFolder() / (std::wstring(language.code) + L".txt");
        const std::optional<std::string> bytes = platform::ReadWholeFile(file);
        ASSERT_TRUE(bytes) << file.string();
        const i18n::StringTable table = i18n::ParseStringTable(*bytes);
        const std::string code(language.code.begin(), language.code.end());
        for (const auto& group : Groups) {
            std::set<wchar_t> taken;
            for (const std::string& key : group) {
                SCOPED_TRACE(code + " " + key);
                const auto text = table.find(key);
                ASSERT_NE(text, table.end());
                const std::vector<wchar_t> keys = AccessKeys(text->second);
                ASSERT_EQ(keys.size(), 1u);
                EXPECT_TRUE(taken.insert(keys.front()).second) << "shares its access key";
            }
        }
    }
}

}  // namespace
}  // namespace varnel::ui
