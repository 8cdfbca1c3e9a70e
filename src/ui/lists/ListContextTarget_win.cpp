#include "ui/lists/ListContextTarget_win.h"

#include <commctrl.h>

namespace varnel::ui {

ListContextTarget ContextTargetOf(HWND list, int x, int y, int indent) {
    ListContextTarget target{ListView_GetNextItem(list, -1, LVNI_SELECTED), POINT{x, y}};
    if (x == -1 && y == -1) {
        RECT bounds{};
        if (target.row >= 0) ListView_GetItemRect(list, target.row, &bounds, LVIR_BOUNDS);
        target.at = {bounds.left + indent, (bounds.top + bounds.bottom) / 2};
        ::ClientToScreen(list, &target.at);
        return target;
    }
    LVHITTESTINFO hit{};
    hit.pt = target.at;
    ::ScreenToClient(list, &hit.pt);
    target.row = ListView_HitTest(list, &hit);
    if (target.row >= 0) {
        ListView_SetItemState(list, target.row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    return target;
}

}  // namespace varnel::ui
