#include "ui/lists/NaturalCompare_win.h"

#include <windows.h>

#include <climits>

#include "ui/view/ListSorting.h"

namespace varnel::ui {

int NaturalCompare(std::wstring_view a, std::wstring_view b) {
    if (a.size() > INT_MAX || b.size() > INT_MAX) {
        return OrdinalCompare(a, b);
    }
    const int result =
        ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS, a.data(),
                          static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), nullptr, nullptr, 0);
    if (result == 0) {
        return OrdinalCompare(a, b);
    }
    // Names equal but for case still need one fixed order.
    return result == CSTR_EQUAL ? OrdinalCompare(a, b) : result - CSTR_EQUAL;
}

}  // namespace varnel::ui
