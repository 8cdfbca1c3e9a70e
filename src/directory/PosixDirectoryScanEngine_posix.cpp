#include "directory/PosixDirectoryScanEngine.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "base/Elapsed.h"
#include "directory/DirectoryBatch.h"
#include "directory/FileNameBytes.h"
#include "directory/HardLinks.h"
#include "directory/NtQueryDirectoryScanEngine.h"
#include "directory/ParallelWalk.h"
#include "model/ScanRootFailure.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::core {
namespace {

constexpr std::uint32_t FileAttributeNormal = 0x80;
// Entries handed to the tree at once: a folder of 100,000 files holds the
// tree's lock in short turns, and the batch stays small.
constexpr std::size_t BatchEntries = 1024;

// 100 ns units since 1601, as the Windows engines keep times; 0 before 1601.
std::uint64_t FileTimeOf(const struct timespec& time) noexcept {
    constexpr std::int64_t SecondsFrom1601To1970 = 11644473600;
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + SecondsFrom1601To1970;
    if (seconds < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(seconds) * 10'000'000u + static_cast<std::uint64_t>(time.tv_nsec) / 100u;
}

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }
    int get() const noexcept { return fd_; }
    int release() noexcept { return std::exchange(fd_, -1); }
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

int OpenOnce(int at, const char* path, bool followLast) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (followLast ? 0 : O_NOFOLLOW);
    for (;;) {
        const int fd = ::openat(at, path, flags);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

// Opens a folder for listing, also when its path is longer than the system
// takes in one call (2,000 levels deep): then piece by piece, each piece
// below the folder the previous one opened. -1 with errno on failure.
int OpenFolder(const std::string& path, bool followLast) {
    constexpr std::size_t Longest = PATH_MAX - 1;
    if (path.size() <= Longest) {
        return OpenOnce(AT_FDCWD, path.c_str(), followLast);
    }
    UniqueFd at;
    std::size_t from = 0;
    while (path.size() - from > Longest) {
        // A name is at most 255 bytes, so a separator is always this close.
        const std::size_t cut = path.rfind('/', from + Longest);
        if (cut == std::string::npos || cut <= from) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const std::string piece = path.substr(from, cut - from);
        const int next = OpenOnce(at.get() >= 0 ? at.get() : AT_FDCWD, piece.empty() ? "/" : piece.c_str(), true);
        if (next < 0) return -1;
        at.reset(next);
        from = cut + 1;
    }
    return OpenOnce(at.get(), path.c_str() + from, followLast);
}

// A name of a file that has others (a link count above 1) and takes room.
struct LinkedName {
    dev_t device;
    ino_t inode;
    std::uint32_t node;
};

// One worker's listing: its batch and the names of files that have others.
class PosixReader final : public FolderReader {
public:
    PosixReader(std::uint64_t rootIndex, dev_t rootDevice, bool crossDevices)
        : rootIndex_(rootIndex), rootDevice_(rootDevice), crossDevices_(crossDevices) {}

    void Read(FolderVisit& visit) override;

    std::vector<LinkedName> linkedNames;

private:
    void Describe(const struct stat& status, DirectoryEntryRecord& entry);
    bool Hand(FolderVisit& visit);

    std::uint64_t rootIndex_;
    dev_t rootDevice_;
    bool crossDevices_;
    DirectoryBatch batch_;
    std::vector<std::tuple<std::size_t, dev_t, ino_t>> linked_;  // batch entry, device, inode
};

void PosixReader::Read(FolderVisit& visit) {
    // The root may be reached through a symbolic link the user named; below
    // it, a folder that became a link since it was listed is not followed.
    UniqueFd fd(OpenFolder(EncodeFileName(visit.Path()), visit.Node() == rootIndex_));
    if (fd.get() < 0) {
        visit.Fail(Win32ErrorForErrno(errno));
        return;
    }
    UniqueDir dir(::fdopendir(fd.get()));
    if (!dir) {
        visit.Fail(Win32ErrorForErrno(errno));
        return;
    }
    fd.release();
    const int dirFd = ::dirfd(dir.get());
    std::uint32_t unexamined = 0;
    batch_.entries.clear();
    batch_.names.clear();
    linked_.clear();
    for (;;) {
        errno = 0;
        const struct dirent* found = ::readdir(dir.get());
        if (found == nullptr) {
            const int error = errno;
            if (!Hand(visit)) return;
            if (error != 0) visit.Fail(Win32ErrorForErrno(error));
            break;
        }
        const std::string_view name(found->d_name);
        if (name == "." || name == "..") continue;
        struct stat status{};
        DirectoryEntryRecord entry;
        if (::fstatat(dirFd, found->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            Describe(status, entry);
        } else if (errno == ENOENT) {
            continue;  // gone since the listing: the tree shows what is there
        } else {
            // Listed but not examinable (a folder we may read, not search):
            // the entry stays with what the listing says, and the folder
            // gets a row saying its figures are not all there.
            unexamined = unexamined != 0 ? unexamined : Win32ErrorForErrno(errno);
            entry.isDirectory = found->d_type == DT_DIR;
            entry.attributes = entry.isDirectory ? FileAttributeDirectory : FileAttributeNormal;
        }
        if (status.st_nlink > 1 && !entry.isDirectory && entry.sizeOnDisk != 0) {
            linked_.emplace_back(batch_.entries.size(), status.st_dev, status.st_ino);
        }
        entry.nameStart = batch_.names.size();
        AppendDecodedFileName(name, batch_.names);
        entry.nameLength = batch_.names.size() - entry.nameStart;
        batch_.entries.push_back(entry);
        if (batch_.entries.size() == BatchEntries && !Hand(visit)) return;
    }
    if (unexamined != 0) visit.Fail(unexamined);
}

void PosixReader::Describe(const struct stat& status, DirectoryEntryRecord& entry) {
    const std::uint64_t time = FileTimeOf(status.st_mtim);
    entry.lastWriteTimeLow = static_cast<std::uint32_t>(time);
    entry.lastWriteTimeHigh = static_cast<std::uint32_t>(time >> 32);
    if (S_ISDIR(status.st_mode)) {
        entry.isDirectory = true;
        entry.attributes = FileAttributeDirectory;
        // A mount point: shown as the junction Windows would show, with no
        // tag, so IsListedFolder keeps the walk out of it.
        if (status.st_dev != rootDevice_ && !crossDevices_) entry.attributes |= FileAttributeReparsePoint;
        return;
    }
    entry.attributes = S_ISLNK(status.st_mode) ? FileAttributeReparsePoint : FileAttributeNormal;
    entry.isReparsePoint = S_ISLNK(status.st_mode);
    entry.size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    entry.sizeOnDisk = status.st_blocks > 0 ? static_cast<std::uint64_t>(status.st_blocks) * 512u : 0;
}

// Hands the batch to the tree and notes the new nodes of linked files.
bool PosixReader::Hand(FolderVisit& visit) {
    if (batch_.entries.empty()) return !visit.ShouldStop();
    const bool goOn = visit.Add(batch_);
    const std::span<const std::uint64_t> nodes = visit.AddedNodes();
    for (const auto& [entry, device, inode] : linked_) {
        if (nodes[entry] != NoIndex) linkedNames.push_back({device, inode, static_cast<std::uint32_t>(nodes[entry])});
    }
    batch_.entries.clear();
    batch_.names.clear();
    linked_.clear();
    return goOn;
}

void CountEachFileOnce(std::span<std::unique_ptr<PosixReader>> readers, ScanTreeBuilder& builder) {
    std::vector<LinkedName> names;
    for (auto& reader : readers) {
        names.insert(names.end(), reader->linkedNames.begin(), reader->linkedNames.end());
        reader->linkedNames = {};
    }
    const auto key = [](const LinkedName& name) { return std::pair(name.device, name.inode); };
    std::sort(names.begin(), names.end(), [&](const LinkedName& a, const LinkedName& b) { return key(a) < key(b); });
    std::vector<std::uint32_t> sameFile;
    for (std::size_t first = 0; first < names.size();) {
        sameFile.clear();
        std::size_t end = first;
        for (; end < names.size() && key(names[end]) == key(names[first]); ++end) sameFile.push_back(names[end].node);
        KeepOnDiskUnderOneName(sameFile, builder);
        first = end;
    }
}

std::wstring CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return L"/";
        buffer.resize(buffer.size() * 2);
    }
    std::wstring folder;
    AppendDecodedFileName(buffer.c_str(), folder);
    return folder;
}

}  // namespace

std::wstring NormalizePosixScanRoot(const std::wstring& path) {
    if (path.empty()) return path;
    const std::wstring absolute = path.front() == L'/' ? path : CurrentFolder() + L'/' + path;
    std::wstring normal;
    for (std::size_t at = 0; at < absolute.size();) {
        const std::size_t end = std::min(absolute.find(L'/', at), absolute.size());
        const std::wstring_view part = std::wstring_view(absolute).substr(at, end - at);
        if (!part.empty() && part != L".") {
            normal += L'/';
            normal += part;
        }
        at = end + 1;
    }
    return normal.empty() ? L"/" : normal;
}

ScanResult PosixDirectoryScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                          const ScanProgressCallback& progress) {
    const auto start = ScanClock::now();
    std::wstring rootPath = NormalizePosixScanRoot(path);
    const auto fail = [&](RootProblem problem) {
        ScanResult failed =
            MakeRootFailedResult(std::move(rootPath), problem, MeasureElapsedMs(start, ScanClock::now()));
        failed.engine = ScanEngineKind::NtQueryDirectory;
        return failed;
    };
    if (rootPath.empty()) return fail(RootProblem::NoPath);
    struct stat root{};
    if (::stat(EncodeFileName(rootPath).c_str(), &root) != 0) return fail(RootProblemForError(Win32ErrorForErrno(errno)));
    if (!S_ISDIR(root.st_mode)) return fail(RootProblem::NotAFolder);

    ScanTreeBuilder builder;
    const std::uint64_t rootIndex = builder.AddRoot(rootPath, FileAttributeDirectory, FileTimeOf(root.st_mtim));
    {
        std::vector<std::unique_ptr<PosixReader>> readers;
        std::vector<FolderReader*> workers;
        for (std::uint64_t i = 0; i < NtQueryDirectoryScanEngine::WorkerCountFor(threads_); ++i) {
            readers.push_back(std::make_unique<PosixReader>(rootIndex, root.st_dev, crossDevices_));
            workers.push_back(readers.back().get());
        }
        ParallelWalk walk(builder, rootIndex, rootPath, L'/', token, progress);
        walk.Run(workers);
        CountEachFileOnce(readers, builder);
        readers.clear();
        walk.PutInOrder();
    }
    builder.ComputeTotals();
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed;
    ScanResult result = builder.FinishResult(status, std::move(rootPath), MeasureElapsedMs(start, ScanClock::now()));
    result.engine = ScanEngineKind::NtQueryDirectory;
    return result;
}

}  // namespace varnel::core
