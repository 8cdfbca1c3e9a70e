#include <windows.h>

#include "platform/Drives.h"

namespace varnel::platform {

std::vector<DriveInfo> EnumerateLocalDrives() {
    DriveQueries queries;
    queries.logicalDrives = [] { return static_cast<std::uint32_t>(::GetLogicalDrives()); };
    queries.driveType = [](const std::wstring& root) {
        return static_cast<std::uint32_t>(::GetDriveTypeW(root.c_str()));
    };
    queries.volumeInformation =
        [](const std::wstring& root) -> std::optional<DriveQueries::VolumeInformation> {
        wchar_t label[MAX_PATH + 1]{};
        wchar_t fileSystem[MAX_PATH + 1]{};
        if (!::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                     fileSystem, MAX_PATH + 1)) {
            return std::nullopt;
        }
        return DriveQueries::VolumeInformation{label, fileSystem};
    };
    queries.diskSpace = [](const std::wstring& root) { return ReadDiskSpace(root); };
    return EnumerateLocalDrives(queries);
}

std::optional<DriveQueries::Space> ReadDiskSpace(const std::wstring& root) {
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree)) {
        return std::nullopt;
    }
    return DriveQueries::Space{total.QuadPart, totalFree.QuadPart};
}

void FailCriticalErrorsSilently() {
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS);
}

}  // namespace varnel::platform
