#include <windows.h>

#include <cwchar>
#include <filesystem>

#include "core/PathRules.h"
#include "platform/Paths.h"

namespace varnel::platform {

bool IsVolumeRoot(const std::wstring& path) {
    wchar_t volumePath[MAX_PATH]{};
    if (!::GetVolumePathNameW(path.c_str(), volumePath, MAX_PATH)) {
        return false;
    }
    const std::wstring volume = core::TrimTrailingSeparators(volumePath);
    const std::wstring given = core::TrimTrailingSeparators(path);
    return ::_wcsicmp(volume.c_str(), given.c_str()) == 0;
}

std::wstring NormalizeFolderPath(const std::wstring& path) {
    std::filesystem::path normal;
    try {
        normal = std::filesystem::weakly_canonical(std::filesystem::path(path));
    } catch (const std::exception&) {
        // Inaccessible or malformed: compare by the lexical form instead.
        normal = std::filesystem::path(path).lexically_normal();
    }
    normal.make_preferred();
    return normal.wstring();
}

}  // namespace varnel::platform
