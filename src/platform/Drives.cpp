#include "platform/Drives.h"

namespace varnel::platform {
namespace {

constexpr std::uint32_t DriveRemovable = 2;
constexpr std::uint32_t DriveFixed = 3;

}  // namespace

std::wstring DriveDisplayText(wchar_t letter, const std::wstring& volumeLabel, DriveKind kind) {
    std::wstring text{letter, L':', L' '};
    if (!volumeLabel.empty()) {
        text += volumeLabel;
    } else {
        text += kind == DriveKind::Removable ? L"Removable Disk" : L"Local Disk";
    }
    return text;
}

std::vector<DriveInfo> EnumerateLocalDrives(const DriveQueries& queries) {
    std::vector<DriveInfo> drives;
    const std::uint32_t mask = queries.logicalDrives();
    for (std::uint32_t bit = 0; bit < 26; ++bit) {
        if ((mask & (1u << bit)) == 0) {
            continue;
        }
        const auto letter = static_cast<wchar_t>(L'A' + bit);
        std::wstring root{letter, L':', L'\\'};
        const std::uint32_t type = queries.driveType(root);
        if (type != DriveRemovable && type != DriveFixed) {
            continue;
        }
        DriveInfo drive;
        drive.kind = type == DriveRemovable ? DriveKind::Removable : DriveKind::Local;
        if (auto volume = queries.volumeInformation(root)) {
            drive.volumeLabel = std::move(volume->label);
            drive.fileSystemName = std::move(volume->fileSystemName);
        }
        drive.displayText = DriveDisplayText(letter, drive.volumeLabel, drive.kind);
        if (const auto space = queries.diskSpace(root)) {
            drive.totalBytes = space->totalBytes;
            drive.freeBytes = space->freeBytes;
        }
        drive.rootPath = std::move(root);
        drives.push_back(std::move(drive));
    }
    return drives;
}

}  // namespace varnel::platform
