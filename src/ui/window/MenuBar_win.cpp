#include "ui/window/MenuBar_win.h"

namespace varnel::ui {
namespace {

bool AppendEntries(HMENU menu, const std::vector<MenuEntry>& entries, HMENU& recent) {
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
            case MenuEntry::Kind::Separator: ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); break;
            case MenuEntry::Kind::Command:
                ::AppendMenuW(menu,
                              MF_STRING | (entry.checked ? MF_CHECKED : MF_UNCHECKED) | (entry.grayed ? MF_GRAYED : 0),
                              static_cast<UINT_PTR>(entry.id), entry.text.c_str());
                break;
            case MenuEntry::Kind::Submenu: {
                const HMENU submenu = ::CreatePopupMenu();
                if (submenu == nullptr) {
                    return false;
                }
                // Appended first, so that it is destroyed with `menu` on any failure below.
                ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), entry.text.c_str());
                if (entry.id == RecentFoldersMenuTag) {
                    recent = submenu;
                }
                if (!AppendEntries(submenu, entry.children, recent)) {
                    return false;
                }
                break;
            }
        }
    }
    return true;
}

}  // namespace

MenuBarHandles CreateMenuBar(const std::vector<MenuEntry>& entries) {
    MenuBarHandles handles;
    handles.bar.reset(::CreateMenu());
    if (!handles.bar || !AppendEntries(handles.bar.get(), entries, handles.recent)) {
        return {};
    }
    return handles;
}

void RefillMenu(HMENU menu, const std::vector<MenuEntry>& entries) {
    while (::GetMenuItemCount(menu) > 0) {
        ::DeleteMenu(menu, 0, MF_BYPOSITION);
    }
    HMENU unused = nullptr;
    AppendEntries(menu, entries, unused);
}

}  // namespace varnel::ui
