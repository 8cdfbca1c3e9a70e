#pragma once
// Turns the menu model into Win32 menus.

#include <windows.h>

#include <vector>

#include "ui/view/MenuBar.h"

namespace varnel::ui {

struct MenuBarHandles {
    HMENU bar = nullptr;
    HMENU recent = nullptr;  // the submenu tagged RecentFoldersMenuTag
};

// A menu bar holding `entries`; the caller sets it on its window, which then
// owns it. Null handles when the system has no menus left to give.
MenuBarHandles CreateMenuBar(const std::vector<MenuEntry>& entries);

// Replaces everything in `menu` with `entries` (commands and separators).
void RefillMenu(HMENU menu, const std::vector<MenuEntry>& entries);

}  // namespace varnel::ui
