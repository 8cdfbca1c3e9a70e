#include "ui/view/MenuBar.h"

#include <string>

#include "i18n/LanguageCatalog.h"
#include "ui/window/MainWindowIds.h"
#include "ui/view/PathDisplay.h"
#include "ui/view/RecentFolders.h"
#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {
namespace {

MenuEntry Command(int id, std::wstring text, bool checked = false) {
    return {MenuEntry::Kind::Command, id, std::move(text), checked, false, {}};
}

MenuEntry Separator() { return {MenuEntry::Kind::Separator, 0, {}, false, false, {}}; }

MenuEntry Submenu(std::wstring text, std::vector<MenuEntry> children, int tag = 0) {
    return {MenuEntry::Kind::Submenu, tag, std::move(text), false, false, std::move(children)};
}

}  // namespace

std::vector<MenuEntry> RecentFolderEntries(const std::vector<std::wstring>& recent, const std::wstring& noneText) {
    std::vector<MenuEntry> entries;
    if (recent.empty()) {
        MenuEntry none = Command(0, noneText);
        none.grayed = true;
        entries.push_back(std::move(none));
    }
    for (std::size_t i = 0; i < recent.size() && i < MaxRecentFolders; ++i) {
        // The number is the access key of the first ten: &1 to &9, 1&0.
        std::wstring number = std::to_wstring(i + 1);
        if (i < 10) {
            number.insert(number.size() - 1, 1, L'&');
        }
        entries.push_back(Command(FirstRecentFolderCommandId + static_cast<int>(i),
                                  number + L" " + MenuItemText(ShortenInMiddle(recent[i], RecentEntryMaxLength))));
    }
    return entries;
}

std::vector<MenuEntry> BuildMenuBarModel(const MenuBarContent& content) {
    const auto& t = content.translate;
    static const std::vector<std::wstring> noRecent;
    std::vector<MenuEntry> file{
        Submenu(t("menu.file.recent_folders"),
                RecentFolderEntries(content.recentFolders ? *content.recentFolders : noRecent, t("menu.none")),
                RecentFoldersMenuTag),
        Command(OpenScanCommandId, t("menu.file.open_scan")), Command(SaveScanCommandId, t("menu.file.save_scan")),
        Command(ExportCommandId, t("menu.file.export")), Separator(), Command(ExitCommandId, t("menu.file.exit"))};

    std::vector<MenuEntry> themes;
    const auto catalog = ThemeCatalog();
    for (std::size_t i = 0; i < catalog.size(); ++i) {
        const std::wstring_view id = catalog[i].identifier;
        themes.push_back(Command(FirstThemeCommandId + static_cast<int>(i),
                                 t("theme." + std::string(id.begin(), id.end())), content.theme == id));
    }
    std::vector<MenuEntry> languages{
        Command(SystemLanguageCommandId, content.systemLanguageLabel, content.language == L"system")};
    for (std::size_t i = 0; i < i18n::LanguageCatalog.size(); ++i) {
        const auto& entry = i18n::LanguageCatalog[i];
        languages.push_back(Command(FirstLanguageCommandId + static_cast<int>(i), MenuItemText(entry.displayName),
                                    content.language == entry.code));
    }
    std::vector<MenuEntry> settings{Command(ScanSettingsCommandId, t("menu.settings.scan")),
                                    Command(SizeOnDiskCommandId, t("menu.settings.size_on_disk"), content.sizeOnDisk),
                                    Separator(),
                                    Submenu(t("menu.settings.theme"), std::move(themes)),
                                    Submenu(t("menu.settings.language"), std::move(languages)),
                                    Separator(),
                                    Command(KeepSnapshotsCommandId, t("menu.settings.keep_snapshots"),
                                            content.keepSnapshots),
                                    Command(ExplorerEntryCommandId, t("menu.settings.explorer_entry"),
                                            content.explorerEntry)};
    std::vector<MenuEntry> edit{Command(FindCommandId, t("menu.edit.find") + L"\tCtrl+F"),
                                Command(RescanCommandId, t("menu.edit.rescan") + L"\tCtrl+R")};
    std::vector<MenuEntry> compare{
        Command(CompareNoneCommandId, t("menu.view.compare_none"), content.compared >= content.comparisons.size())};
    for (std::size_t i = 0; i < content.comparisons.size() && i < MaxComparisons; ++i) {
        compare.push_back(Command(FirstComparisonCommandId + static_cast<int>(i), MenuItemText(content.comparisons[i]),
                                  content.compared == i));
    }
    compare.push_back(Separator());
    compare.push_back(Command(CopyGoneFoldersCommandId, t("menu.view.copy_gone")));
    compare.back().grayed = !content.anythingGone;
    std::vector<MenuEntry> view{Command(ViewTreemapCommandId, t("menu.view.treemap"), content.showTreemap),
                                Command(ViewFileTypesCommandId, t("menu.view.file_types"), content.showFileTypes),
                                Separator(), Submenu(t("menu.view.compare_with"), std::move(compare))};
    std::vector<MenuEntry> help{Command(AboutCommandId, t("menu.help.about"))};

    return {Submenu(t("menu.file"), std::move(file)), Submenu(t("menu.edit"), std::move(edit)),
            Submenu(t("menu.view"), std::move(view)),
            Submenu(t("menu.settings"), std::move(settings)),
            Submenu(t("menu.help"), std::move(help))};
}

}  // namespace varnel::ui
