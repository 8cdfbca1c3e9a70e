#pragma once
// Typing a name's first letters in a virtual list: the list view only asks
// (LVN_ODFINDITEMW), as it has no texts of its own, and takes the 0 of a
// notification nobody answered for its first row.

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <functional>
#include <string_view>

namespace varnel::ui {

// The next row, from the one the list starts at and round again from the
// top, whose name starts with the typed letters (case ignored); -1 when none
// does or the question is not about a typed text.
int FindRowByTypedName(const NMLVFINDITEMW& find, std::size_t rowCount,
                       const std::function<std::wstring_view(std::size_t)>& nameOfRow);

}  // namespace varnel::ui
