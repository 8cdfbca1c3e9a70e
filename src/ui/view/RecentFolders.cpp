#include "ui/view/RecentFolders.h"

#include <algorithm>

namespace varnel::ui {

bool AddRecentFolder(std::vector<std::wstring>& recent, const std::wstring& path, const SameFolder& sameFolder) {
    if (path.empty()) {
        return false;
    }
    std::erase_if(recent, [&](const std::wstring& entry) { return sameFolder(entry, path); });
    recent.insert(recent.begin(), path);
    if (recent.size() > MaxRecentFolders) {
        recent.resize(MaxRecentFolders);
    }
    return true;
}

}  // namespace varnel::ui
