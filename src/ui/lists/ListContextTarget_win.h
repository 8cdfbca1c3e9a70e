#pragma once
// Where a list's context menu opens and for which row: from the keyboard
// (x and y both -1) beside the selected row, `indent` pixels in; from the
// mouse at the pointer, for the row under it, which becomes the selected
// one. The row is -1 when there is none.

#include <windows.h>

namespace varnel::ui {

struct ListContextTarget {
    int row = -1;
    POINT at{};  // screen coordinates
};

ListContextTarget ContextTargetOf(HWND list, int x, int y, int indent);

}  // namespace varnel::ui
