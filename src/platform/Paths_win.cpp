#include <windows.h>

#include <cwchar>
#include <filesystem>

#include "base/PathRules.h"
#include "platform/Paths.h"

namespace varnel::platform {
namespace {

bool IsBareDrive(const std::wstring& path) noexcept {
    return path.size() == 2 && path[1] == L':';
}

}  // namespace

bool IsVolumeRoot(const std::wstring& path) {
    wchar_t volumePath[MAX_PATH]{};
    if (!::GetVolumePathNameW(path.c_str(), volumePath, MAX_PATH)) {
        return false;
    }
    const std::wstring volume = core::TrimTrailingSeparators(volumePath);
    const std::wstring given = core::TrimTrailingSeparators(path);
    return ::_wcsicmp(volume.c_str(), given.c_str()) == 0;
}

std::wstring NormalizeScanRoot(const std::wstring& path) {
    if (path.empty() || IsBareDrive(path) || core::IsAbsolutePath(path)) {
        return core::NormalizeScanRootSyntax(path);
    }
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return core::NormalizeScanRootSyntax(path);
    }
    std::wstring full(needed, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return core::NormalizeScanRootSyntax(path);
    }
    full.resize(written);
    return core::NormalizeScanRootSyntax(std::move(full));
}

std::wstring NormalizeFolderPath(const std::wstring& path) {
    std::filesystem::path normal = std::filesystem::path(path).lexically_normal();
    normal.make_preferred();
    return core::TrimTrailingSeparators(normal.wstring());
}

}  // namespace varnel::platform
