#pragma once
// The native directory engine on POSIX systems: the same parallel walk,
// work lists and tree builder as on Windows, listing folders with readdir
// and fstatat. Files are described as the Windows engines describe them:
// folders 0x10, other files 0x80, symbolic links 0x400 (listed, never
// followed), a folder on another file system 0x410 (not entered unless
// asked); bytes on disk from st_blocks, counted once for a file with
// several names. A folder that cannot be listed, or whose entries cannot
// be examined, is an error row with the Win32 code of its errno.

#include <cerrno>
#include <cstdint>
#include <string>

#include "model/ScanModel.h"

namespace varnel::core {

class PosixDirectoryScanEngine final : public IScanEngine {
public:
    // 0 workers asks for the default of 8; other counts are held to 1..64.
    // `crossDevices` enters folders on other file systems (mount points).
    explicit PosixDirectoryScanEngine(std::uint64_t threads = 0, bool crossDevices = false)
        : threads_(threads), crossDevices_(crossDevices) {}

    // Failed, with a sentence, for a root that is missing, unreadable or not
    // a folder (a symbolic link named as the root is followed). Throws
    // std::system_error when a worker thread cannot be started and rethrows
    // a worker's failure, all workers joined first.
    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override;

private:
    std::uint64_t threads_;
    bool crossDevices_;
};

// The form a root is scanned under: absolute against the current folder,
// '/' repeated or trailing and "." parts gone; ".." is kept, as the system
// resolves it through symbolic links.
std::wstring NormalizePosixScanRoot(const std::wstring& path);

// The Win32 error code the rows show for an errno, so that both builds
// speak one set of codes: EACCES and EPERM 5 (access denied), ENOENT 2,
// ENOTDIR 3, EMFILE and ENFILE 4, ENOMEM 8, ENAMETOOLONG 206, ELOOP 1921,
// EIO 1117; any other errno is 0x20000000 + errno (the bit Windows leaves to
// applications).
constexpr std::uint32_t Win32ErrorForErrno(int error) noexcept {
    switch (error) {
        case EACCES:
        case EPERM: return 5;
        case ENOENT: return 2;
        case ENOTDIR: return 3;
        case EMFILE:
        case ENFILE: return 4;
        case ENOMEM: return 8;
        case ENAMETOOLONG: return 206;
        case ELOOP: return 1921;
        case EIO: return 1117;
        default: return 0x20000000u + static_cast<std::uint32_t>(error);
    }
}

}  // namespace varnel::core
