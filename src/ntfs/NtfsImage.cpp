#include "ntfs/NtfsImage.h"

#include <algorithm>
#include <cstring>
#include <ios>
#include <system_error>
#include <limits>

#include "ntfs/ByteReader.h"
#include "ntfs/MftScan.h"
#include "ntfs/NtfsLayout.h"
#include "base/PathRules.h"
#include "ntfs/SectorAlignedReader.h"

namespace varnel::core {

namespace boot = ntfs::boot;

namespace {

bool IsPowerOfTwo(std::uint64_t v) noexcept { return v != 0 && (v & (v - 1)) == 0; }

// Sizes NTFS uses: sectors of 512 to 4096 bytes, clusters up to 2 MiB,
// records of 512 bytes to 64 KiB (1024 and 4096 in practice); records must
// be whole 512-byte update-sequence strides.
constexpr std::uint32_t MinSectorSize = 512;
constexpr std::uint32_t MaxSectorSize = 4096;
constexpr std::uint64_t MaxClusterSize = 2 * 1024 * 1024;
constexpr std::uint64_t MinRecordSize = 512;
constexpr std::uint64_t MaxRecordSize = 64 * 1024;
constexpr std::uint64_t MaxClusters = 0xFFFF'FFFFull;

bool ReadFully(VolumeReader& reader, std::uint64_t offset, std::span<std::byte> buffer) {
    std::size_t got = 0;
    return reader.ReadAt(offset, buffer, got) && got == buffer.size();
}

}  // namespace

bool IsImageFileType(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(path, error).type();
    return !error && (type == std::filesystem::file_type::regular || type == std::filesystem::file_type::block);
}

bool ImageFileReader::Open(const std::filesystem::path& path) {
    // Looked at before opening: opening a named pipe for reading blocks
    // until a writer comes, and a folder opens but fails every read.
    if (!IsImageFileType(path) || !file_.open(path, std::ios::in | std::ios::binary)) {
        return false;
    }
    const auto end = file_.pubseekoff(0, std::ios::end, std::ios::in);
    if (end < 0) {
        file_.close();
        return false;
    }
    size_ = static_cast<std::uint64_t>(static_cast<std::streamoff>(end));
    return true;
}

bool ImageFileReader::ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) {
    bytesRead = 0;
    if (offset > size_ || buffer.size() > size_ - offset ||
        offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
        return false;
    }
    if (file_.pubseekpos(static_cast<std::streamoff>(offset), std::ios::in) < 0) {
        return false;
    }
    std::streamsize got = 0;
    try {
        got = file_.sgetn(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    } catch (const std::ios_base::failure&) {
        return false;  // the library reports a failing read (an I/O error) by throwing
    }
    bytesRead = static_cast<std::size_t>(std::max<std::streamsize>(got, 0));
    return bytesRead == buffer.size();
}

bool MemoryVolumeReader::ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) {
    bytesRead = 0;
    if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) {
        return false;
    }
    if (!buffer.empty()) {
        std::memcpy(buffer.data(), bytes_.data() + offset, buffer.size());
    }
    bytesRead = buffer.size();
    return true;
}

std::variant<NtfsVolumeData, std::wstring> ParseNtfsBootSector(std::span<const std::byte> bootSector,
                                                               std::uint64_t imageSize) {
    ByteReader r(bootSector);
    static constexpr char OemId[] = "NTFS    ";
    const std::span<const std::byte> oem = r.Sub(boot::OemId, 8);
    if (bootSector.size() < boot::Size || imageSize < boot::Size || oem.size() != 8 ||
        std::memcmp(oem.data(), OemId, 8) != 0 || r.U16(boot::EndMarker) != boot::EndMarkerValue) {
        return std::wstring(L"Image is not an NTFS volume.");
    }
    const std::uint32_t sectorSize = r.U16(boot::BytesPerSector);
    if (!IsPowerOfTwo(sectorSize) || sectorSize < MinSectorSize || sectorSize > MaxSectorSize) {
        return std::wstring(L"Image boot sector has an implausible sector size.");
    }
    const std::uint8_t sectorsPerCluster = r.U8(boot::SectorsPerCluster);
    std::uint64_t clusterSize = 0;
    if (sectorsPerCluster > 0x80) {
        // Clusters above 64 KiB: the field is negative and gives the power of
        // two of sectors (0xF4 = 2^12 sectors, 2 MiB with 512-byte sectors).
        const unsigned shift = 256u - sectorsPerCluster;
        clusterSize = shift < 32 ? (std::uint64_t{sectorSize} << shift) : 0;
    } else if (IsPowerOfTwo(sectorsPerCluster)) {
        clusterSize = std::uint64_t{sectorsPerCluster} * sectorSize;
    }
    if (clusterSize < sectorSize || clusterSize > MaxClusterSize) {
        return std::wstring(L"Image boot sector has an implausible cluster size.");
    }
    const auto clustersPerRecord = static_cast<std::int8_t>(r.U8(boot::ClustersPerFileRecord));
    std::uint64_t recordSize = 0;
    if (clustersPerRecord > 0) {
        recordSize = static_cast<std::uint64_t>(clustersPerRecord) * clusterSize;
    } else if (clustersPerRecord < 0 && clustersPerRecord >= -31) {
        recordSize = 1ull << (-clustersPerRecord);  // -10 means 2^10 = 1024 bytes
    }
    if (!IsPowerOfTwo(recordSize) || recordSize < MinRecordSize || recordSize > MaxRecordSize) {
        return std::wstring(L"Image boot sector has an implausible file record size.");
    }
    const std::uint64_t totalSectors = r.U64(boot::TotalSectors);
    const std::uint64_t mftLcn = r.U64(boot::MftStartLcn);
    std::uint64_t mftOffset = 0;
    std::uint64_t mftEnd = 0;
    if (totalSectors == 0) {
        return std::wstring(L"Image boot sector has an implausible volume size.");
    }
    // NTFS addresses at most 2^32 - 1 clusters; a count beyond that is no
    // volume's, and every size checked against it would pass.
    std::uint64_t volumeBytes = 0;
    if (!CheckedMultiply(totalSectors, sectorSize, volumeBytes) || volumeBytes / clusterSize > MaxClusters) {
        return std::wstring(L"Image boot sector claims more sectors than an NTFS volume can hold.");
    }
    if (mftLcn > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
        !CheckedMultiply(mftLcn, clusterSize, mftOffset) || !CheckedAdd(mftOffset, recordSize, mftEnd) ||
        mftEnd > imageSize) {
        return std::wstring(L"Image boot sector places the MFT outside the image.");
    }
    NtfsVolumeData volume;
    volume.bytesPerSector = sectorSize;
    volume.bytesPerCluster = static_cast<std::uint32_t>(clusterSize);
    volume.bytesPerFileRecordSegment = static_cast<std::uint32_t>(recordSize);
    volume.mftStartLcn = static_cast<std::int64_t>(mftLcn);
    // A mirror outside the image is simply not there to fall back on.
    const std::uint64_t mirrorLcn = r.U64(boot::MftMirrorStartLcn);
    std::uint64_t mirrorOffset = 0;
    std::uint64_t mirrorEnd = 0;
    if (mirrorLcn != 0 && CheckedMultiply(mirrorLcn, clusterSize, mirrorOffset) &&
        CheckedAdd(mirrorOffset, recordSize, mirrorEnd) && mirrorEnd <= imageSize) {
        volume.mftMirrorStartLcn = static_cast<std::int64_t>(mirrorLcn);
    }
    // The boot sector's count leaves out the backup boot sector after it.
    volume.volumeBytes = volumeBytes + sectorSize;
    return volume;
}

ScanResult ScanNtfsImage(VolumeReader& reader, std::uint64_t imageSize, std::wstring rootPath,
                         std::uint64_t threadsPerDrive, const ScanCancellationToken& token,
                         const ScanProgressCallback& progress) {
    MftScanStart start;
    start.start = ScanClock::now();
    start.rootPath = TrimTrailingSeparators(std::move(rootPath));
    start.rootRecordNumber = ntfs::RootFolderRecord;
    start.threadsPerDrive = threadsPerDrive;
    start.volumeSize = imageSize;

    // The boot sector is read in whole 4 KiB blocks like every other read:
    // before it is parsed, the image's sector size is not known.
    SectorAlignedReader aligned(reader, VolumeReadAlignment(boot::Size), imageSize);
    std::byte sector[boot::Size] = {};
    if (imageSize < boot::Size || !ReadFully(aligned, 0, sector)) {
        return MakeFailedMftResult(std::move(start.rootPath), L"Image is not an NTFS volume.", start.start);
    }
    auto parsed = ParseNtfsBootSector(sector, imageSize);
    if (const auto* message = std::get_if<std::wstring>(&parsed)) {
        return MakeFailedMftResult(std::move(start.rootPath), message->c_str(), start.start);
    }
    return ScanMftVolume(reader, std::get<NtfsVolumeData>(parsed), std::move(start), token, progress);
}

ScanResult ScanNtfsImageFile(const std::filesystem::path& image, std::wstring rootPath,
                             std::uint64_t threadsPerDrive, const ScanCancellationToken& token,
                             const ScanProgressCallback& progress) {
    std::error_code error;
    if (std::filesystem::exists(image, error) && !IsImageFileType(image)) {
        return MakeFailedMftResult(TrimTrailingSeparators(std::move(rootPath)),
                                   L"NTFS image is not a regular file or block device.", ScanClock::now());
    }
    ImageFileReader reader;
    if (!reader.Open(image)) {
        return MakeFailedMftResult(TrimTrailingSeparators(std::move(rootPath)), L"NTFS image could not be opened.",
                                   ScanClock::now());
    }
    return ScanNtfsImage(reader, reader.Size(), std::move(rootPath), threadsPerDrive, token, progress);
}

}  // namespace varnel::core
