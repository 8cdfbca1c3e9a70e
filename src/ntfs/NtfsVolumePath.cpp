#include "ntfs/NtfsVolume.h"

#include "base/PathRules.h"

namespace varnel::core {

std::optional<std::wstring> VolumeDevicePath(const std::wstring& volumePath, const VolumeNameLookup& lookup) {
    if (volumePath.size() < 3 || volumePath[1] != L':' || !IsPathSeparator(volumePath[2])) {
        return std::nullopt;
    }
    std::size_t end = volumePath.size();
    while (end > 3 && IsPathSeparator(volumePath[end - 1])) {
        --end;
    }
    if (end == 3) {
        return std::wstring(L"\\\\.\\") + volumePath[0] + L':';
    }
    // Mounted in a folder: the system wants the mount point with its
    // trailing separator and answers \\?\Volume{GUID}\; CreateFileW opens the
    // volume itself only without that last separator.
    std::wstring mountPoint = volumePath.substr(0, end) + L'\\';
    std::optional<std::wstring> name = lookup ? lookup(mountPoint) : std::nullopt;
    if (!name) {
        return std::nullopt;
    }
    while (!name->empty() && IsPathSeparator(name->back())) {
        name->pop_back();
    }
    if (name->empty()) {
        return std::nullopt;
    }
    return name;
}

}  // namespace varnel::core
