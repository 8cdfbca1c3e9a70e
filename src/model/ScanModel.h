#pragma once
// The scan tree and result model every engine produces. Portable: no Windows
// headers, so the model builds and is tested natively as well.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/ScanTree.h"

namespace varnel::core {

// A folder the engine could not list, with its Win32 error code; or a
// damaged part of a volume (code ERROR_FILE_CORRUPT), which `detail` names
// in an English sentence ("MFT record 1042 is marked BAAD (damaged)").
struct ScanError {
    std::wstring path;
    std::uint32_t code = 0;
    std::wstring detail;  // empty for a folder that could not be listed
};

// The Win32 code of an error row for a damaged part of a volume.
inline constexpr std::uint32_t DamagedVolumeErrorCode = 1392;  // ERROR_FILE_CORRUPT

// A root that could not be scanned at all. `reasonKey` names the reason as a
// text key so the window can translate it; it is empty for reasons that only
// have the English sentence in `reason`.
struct ScanRootFailure {
    std::wstring path;
    std::string reasonKey;
    std::wstring reason;
};

enum class ScanStatus : std::uint32_t {
    None = 0,
    Completed = 2,
    Cancelled = 3,
    Failed = 4,
    // Completed, but the volume is damaged: what could be counted was, and
    // the error rows say what was lost or set aside.
    NeedsCheck = 5,
};

enum class ScanEngineKind : std::uint32_t {
    DirectoryWalk = 0,
    NtQueryDirectory = 1,
    NtfsMft = 2,
    Mixed = 3,  // a merged scan whose roots were read by different engines
};

// The outcome of one scan. Moved, never shared.
// The root under which a scan of several drives is merged; the one place
// the program spells it, since the lists recognise the merged root by it.
inline constexpr wchar_t MergedRootName[] = L"All local drives";

struct ScanResult {
    ScanStatus status = ScanStatus::None;
    ScanEngineKind engine = ScanEngineKind::DirectoryWalk;
    std::wstring rootPath;
    std::wstring message;  // fixed English sentence: why the scan failed, or which roots did
    // The roots that could not be scanned: the root of a Failed scan, or the
    // roots left out of a merged scan that kept the others.
    std::vector<ScanRootFailure> rootFailures;
    ScanTree nodes;
    std::uint64_t rootIndex = NoIndex;  // check before indexing: NoIndex for failed or empty results
    std::vector<ScanError> errors;
    std::uint64_t fileCount = 0;
    std::uint64_t folderCount = 0;  // the root included
    std::uint64_t errorCount = 0;
    std::int64_t elapsedMs = 0;

    // Moved, never copied.
    ScanResult() = default;
    ScanResult(ScanResult&&) noexcept = default;
    ScanResult& operator=(ScanResult&&) noexcept = default;
    ScanResult(const ScanResult&) = delete;
    ScanResult& operator=(const ScanResult&) = delete;
    ~ScanResult() = default;
};

struct ScanProgress {
    std::wstring currentPath;
    std::uint64_t filesScanned = 0;
    std::uint64_t foldersScanned = 0;
    std::uint64_t bytesFound = 0;  // sizes of the files counted so far
    // The MFT engine's reading: records read of the MFT's record count. Both
    // stay 0 for engines that cannot know their total in advance.
    std::uint64_t recordsRead = 0;
    std::uint64_t recordCount = 0;
};

// Directory engines report every folder and every file whose running count
// is a multiple of this.
inline constexpr std::uint64_t ProgressFileInterval = 128;

// Set by the window thread, read without locking by scan threads at their
// check points. Each scan gets a fresh token; it never returns to false.
struct ScanCancellationToken {
    std::atomic<bool> cancelled{false};

    bool IsCancelled() const noexcept { return cancelled.load(std::memory_order_relaxed); }
    void Cancel() noexcept { cancelled.store(true, std::memory_order_relaxed); }
};

using ScanProgressCallback = std::function<void(const ScanProgress&)>;

// The interface of the three scan engines. Engines keep no state between
// calls apart from their construction parameters, so one object may scan
// several roots one after another.
class IScanEngine {
public:
    virtual ~IScanEngine() = default;
    virtual ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                            const ScanProgressCallback& progress) = 0;
};

}  // namespace varnel::core
