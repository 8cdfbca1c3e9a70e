#pragma once
// Scans an image of an NTFS volume (a raw volume as mkntfs makes it, or a
// copy of one) with the MFT engine, on every platform: the geometry comes
// from the image's boot sector instead of the volume-data control call, and
// the scan starts at the root folder, record 5.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "model/ScanModel.h"
#include "ntfs/VolumeReader.h"

namespace varnel::core {

// Whether path names something an image can be read from: a regular file or
// a block device (where the platform has them). A folder, a named pipe, a
// socket or a missing path is not.
bool IsImageFileType(const std::filesystem::path& path);

// Reads an image file. A read that reaches past the end of the image fails:
// an image shorter than its own MFT is damaged, and must not scan as a
// smaller volume.
class ImageFileReader final : public VolumeReader {
public:
    // False (and nothing open) when the file cannot be opened or is not of
    // a type IsImageFileType accepts (checked before opening, so that a
    // named pipe never blocks the open).
    bool Open(const std::filesystem::path& path);
    std::uint64_t Size() const noexcept { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) override;

private:
    std::filebuf file_;
    std::uint64_t size_ = 0;
};

// Reads an image held in memory (fuzzing, tests), with the same rule.
class MemoryVolumeReader final : public VolumeReader {
public:
    explicit MemoryVolumeReader(std::span<const std::byte> bytes) noexcept : bytes_(bytes) {}
    bool ReadAt(std::uint64_t offset, std::span<std::byte> buffer, std::size_t& bytesRead) override;

private:
    std::span<const std::byte> bytes_;
};

// The geometry a boot sector declares, or the reason it is not usable: not
// NTFS, a sector, cluster or record size that NTFS never uses, or an MFT
// that does not start inside an image of imageSize bytes.
std::variant<NtfsVolumeData, std::wstring> ParseNtfsBootSector(std::span<const std::byte> bootSector,
                                                               std::uint64_t imageSize);

// Scans the root folder of the image that reader reads. rootPath names the
// root in the result (an image scan uses the image's own path). A bad boot
// sector gives a Failed result with ParseNtfsBootSector's message.
ScanResult ScanNtfsImage(VolumeReader& reader, std::uint64_t imageSize, std::wstring rootPath,
                         std::uint64_t threadsPerDrive, const ScanCancellationToken& token,
                         const ScanProgressCallback& progress);

// Opens the image file and scans it; Failed with "NTFS image is not a
// regular file or block device." for a folder, a named pipe and the like, or
// "NTFS image could not be opened." when the file is missing or unreadable.
ScanResult ScanNtfsImageFile(const std::filesystem::path& image, std::wstring rootPath,
                             std::uint64_t threadsPerDrive, const ScanCancellationToken& token,
                             const ScanProgressCallback& progress);

}  // namespace varnel::core
