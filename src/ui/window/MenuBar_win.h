#pragma once
// Turns the menu model into Win32 menus.

#include <windows.h>

#include <vector>

#include "platform/UniqueHandle_win.h"
#include "ui/view/MenuBar.h"

namespace varnel::ui {

struct MenuBarHandles {
    platform::UniqueMenu bar;
    HMENU recent = nullptr;  // the submenu tagged RecentFoldersMenuTag, owned by `bar`
};

// A menu bar holding `entries`; the caller sets it on its window and then
// releases it, the window owning it from then on. Empty handles when the
// system has no menus left to give.
MenuBarHandles CreateMenuBar(const std::vector<MenuEntry>& entries);

// Replaces everything in `menu` with `entries` (commands and separators).
void RefillMenu(HMENU menu, const std::vector<MenuEntry>& entries);

}  // namespace varnel::ui
