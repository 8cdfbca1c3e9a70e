#include "ui/lists/TypedRowFind_win.h"

#include <algorithm>

namespace varnel::ui {

int FindRowByTypedName(const NMLVFINDITEMW& find, std::size_t rowCount,
                       const std::function<std::wstring_view(std::size_t)>& nameOfRow) {
    if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.lvfi.psz == nullptr) {
        return -1;
    }
    const std::wstring_view typed(find.lvfi.psz);
    if (typed.empty() || rowCount == 0) {
        return -1;
    }
    const auto start = static_cast<std::size_t>(std::max(find.iStart, 0)) % rowCount;
    for (std::size_t step = 0; step < rowCount; ++step) {
        const std::size_t row = (start + step) % rowCount;
        const std::wstring_view name = nameOfRow(row);
        if (name.size() >= typed.size() &&
            ::CompareStringOrdinal(name.data(), static_cast<int>(typed.size()), typed.data(),
                                   static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

}  // namespace varnel::ui
