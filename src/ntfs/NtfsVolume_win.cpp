#include "ntfs/NtfsVolume_win.h"

#include <winioctl.h>

#include <limits>

#include "ntfs/ByteReader.h"
#include "ntfs/NtfsLayout.h"
#include "ntfs/NtfsVolume.h"

namespace varnel::core {
namespace {

constexpr DWORD PathBufferLength = 260;
constexpr const wchar_t* NotAvailable = L"NTFS MFT scan is not available for this path.";
constexpr const wchar_t* NotOpened = L"NTFS volume could not be opened.";

std::optional<std::wstring> VolumeNameOf(const std::wstring& mountPoint) {
    wchar_t name[PathBufferLength] = {};
    if (!::GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), name, PathBufferLength)) {
        return std::nullopt;
    }
    return std::wstring(name);
}

}  // namespace

NtfsVolumeOpen OpenNtfsVolume(const std::wstring& path) {
    NtfsVolumeOpen open;
    wchar_t volumePath[PathBufferLength] = {};
    if (!::GetVolumePathNameW(path.c_str(), volumePath, PathBufferLength)) {
        open.failure = NotAvailable;
        return open;
    }
    wchar_t fileSystem[PathBufferLength] = {};
    if (!::GetVolumeInformationW(volumePath, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, PathBufferLength) ||
        ::CompareStringOrdinal(fileSystem, -1, L"NTFS", -1, TRUE) != CSTR_EQUAL) {
        open.failure = NotAvailable;
        return open;
    }
    const std::optional<std::wstring> device = VolumeDevicePath(volumePath, VolumeNameOf);
    if (!device) {
        open.failure = NotOpened;
        return open;
    }
    open.volume.reset(::CreateFileW(device->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!open.volume) {
        open.failure = NotOpened;
    }
    return open;
}

bool IsMftScanAvailable(const std::wstring& path) {
    return OpenNtfsVolume(path).volume.valid();
}

VolumeQuery QueryVolume(HANDLE volume, NtfsVolumeData& data) {
    NTFS_VOLUME_DATA_BUFFER buffer{};
    DWORD returned = 0;
    if (!::DeviceIoControl(volume, FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, &buffer, sizeof buffer, &returned,
                           nullptr)) {
        return VolumeQuery::Failed;
    }
    data.bytesPerSector = buffer.BytesPerSector;
    data.bytesPerCluster = buffer.BytesPerCluster;
    data.bytesPerFileRecordSegment = buffer.BytesPerFileRecordSegment;
    data.mftStartLcn = buffer.MftStartLcn.QuadPart;
    data.mftMirrorStartLcn = buffer.Mft2StartLcn.QuadPart;
    if (buffer.TotalClusters.QuadPart > 0 &&
        !CheckedMultiply(static_cast<std::uint64_t>(buffer.TotalClusters.QuadPart), buffer.BytesPerCluster,
                         data.volumeBytes)) {
        data.volumeBytes = 0;
    }
    if (data.bytesPerSector == 0 || data.bytesPerCluster == 0 || data.bytesPerFileRecordSegment == 0) {
        return VolumeQuery::NotUsable;
    }
    return VolumeQuery::Ok;
}

std::optional<std::uint64_t> ResolveRoot(const std::wstring& path) {
    platform::UniqueFile folder(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(folder.get(), &information)) {
        return std::nullopt;
    }
    const std::uint64_t reference =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return reference & ntfs::RecordNumberMask;
}

bool WindowsVolumeReader::ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) {
    bytesRead = 0;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max()) ||
        buffer.size() > std::numeric_limits<DWORD>::max()) {
        return false;
    }
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(volume_, position, nullptr, FILE_BEGIN)) {
        return false;
    }
    DWORD got = 0;
    if (!::ReadFile(volume_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
        return false;
    }
    bytesRead = got;
    return true;
}

}  // namespace varnel::core
