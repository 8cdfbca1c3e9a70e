#include <windows.h>

#include "platform/Paths.h"
#include "ui/view/RecentFolders.h"

namespace varnel::ui {

bool IsSameFolder(const std::wstring& a, const std::wstring& b) {
    const std::wstring keyA = platform::NormalizeFolderPath(a);
    const std::wstring keyB = platform::NormalizeFolderPath(b);
    return ::CompareStringOrdinal(keyA.c_str(), static_cast<int>(keyA.size()), keyB.c_str(),
                                  static_cast<int>(keyB.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace varnel::ui
