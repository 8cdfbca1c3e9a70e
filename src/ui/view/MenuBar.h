#pragma once
// What the main window's menus hold, apart from the menu handles that show
// it: File (recent folders, Export, Exit), Edit (Find, Rescan folder), View
// (treemap, file types), Settings (scan settings, size on disk, themes,
// languages, snapshots, the Explorer entry) and Help (About). Portable, so the texts, checks and the
// shortened recent entries are tested without a window.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::ui {

struct MenuEntry {
    enum class Kind { Command, Separator, Submenu };
    Kind kind = Kind::Command;
    int id = 0;  // the command; for a submenu, a tag the builder can find it by
    std::wstring text;
    bool checked = false;
    bool grayed = false;
    std::vector<MenuEntry> children;
};

// The tag of the recent-folders submenu, which is refilled on its own.
inline constexpr int RecentFoldersMenuTag = -1;

// Recent entries longer than this lose their middle: a menu as wide as the
// screen hides what it is attached to.
inline constexpr std::size_t RecentEntryMaxLength = 60;

struct MenuBarContent {
    std::function<std::wstring(std::string_view key)> translate;
    std::wstring_view theme;            // the identifier in the settings
    std::wstring_view language;         // "system" or a catalog code
    std::wstring systemLanguageLabel;   // the System entry's text
    const std::vector<std::wstring>* recentFolders = nullptr;
    bool sizeOnDisk = false;  // checks Settings > Size on disk
    bool showTreemap = false;    // checks View > Treemap
    bool showFileTypes = false;  // checks View > File types
    bool keepSnapshots = false;  // checks Settings > Keep snapshots
    bool explorerEntry = false;  // checks Settings > Show "Analyse with Varnel" in Explorer
    // View > Compare with: the earlier snapshots of the shown root (their
    // dates, newest first), the one compared with (none past the end), and
    // whether anything is gone since it.
    std::vector<std::wstring> comparisons;
    std::size_t compared = static_cast<std::size_t>(-1);
    bool anythingGone = false;
};

std::vector<MenuEntry> BuildMenuBarModel(const MenuBarContent& content);

// "1 C:\…\folder" entries, or one grayed "(none)" entry; paths are shown
// literally ('&' and tabs too) and shortened in the middle.
std::vector<MenuEntry> RecentFolderEntries(const std::vector<std::wstring>& recent, const std::wstring& noneText);

}  // namespace varnel::ui
