#pragma once
// The scan session: runs each scan on one background thread below normal
// priority, publishes throttled progress for the window's timer, hands the
// finished result over under one lock and announces it with one posted
// message. All operations are called on the window thread.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "model/ScanModel.h"
#include "scan/ScanScheduler.h"
#include "platform/Drives.h"

namespace varnel::app {

// Posted once per scan, after the result is stored; wParam is the scan's id
// (see CurrentScanId), lParam 0.
inline constexpr UINT ScanCompletedMessage = WM_APP + 1;
// How often the window polls progress while a scan runs.
inline constexpr UINT ProgressTimerPeriodMs = 250;

// The notice for a Failed scan, or for a merged scan that left out roots
// that failed: each reason in the user's language through `translate` (a
// text missing there reads as its key, and then the English sentence is
// used), roots named when there are several. Empty when nothing failed.
std::wstring ScanFailureNotice(const core::ScanResult& result,
                               const std::function<std::wstring(std::string_view key)>& translate);

struct ScanOptions {
    core::EngineChoice engineChoice = core::EngineChoice::Automatic;  // always automatic in the program
    std::uint64_t threadsPerDrive = 0;
};

class ScanSession {
public:
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    // `engines` and `startThread` exist for tests; the program uses the defaults.
    explicit ScanSession(core::ScanEngineFactory engines, ThreadStarter startThread = StartStdThread);
    ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;
    // Cancels a running scan and waits for its engines to stop.
    ~ScanSession();

    void RefreshDrives();
    const std::vector<platform::DriveInfo>& Drives() const noexcept { return drives_; }
    // Root paths of every listed (fixed or removable) drive, in letter order.
    std::vector<std::wstring> LocalDriveRoots() const;

    void SetScanOptions(const ScanOptions& options);
    ScanOptions GetScanOptions() const;

    // Starts a scan and returns true, unless no non-empty path remains or the
    // previous scan has not been handed over yet: one still running (also
    // after Cancel, until its engines have stopped) or one whose result
    // still waits for TakeResult. Refusing instead of starting keeps every
    // completion message the window sees the current scan's. If the scan
    // cannot be started (no thread, no memory), a Failed result is stored
    // and posted as usual when memory allows it, and false is returned.
    bool StartScanPaths(std::vector<std::wstring> paths, std::wstring displayName, HWND notify);
    // One folder or drive, scanned as itself.
    bool StartScan(const std::wstring& path, HWND notify);

    void Cancel();
    bool IsScanning() const noexcept { return scanning_.load(); }
    core::ScanProgress ReadProgress() const;
    // Moves the stored result out; the slot is left empty and a new scan may
    // start.
    core::ScanResult TakeResult();
    // The id the last started scan's completion message carries in wParam:
    // a message with another id is stale and must be ignored.
    WPARAM CurrentScanId() const noexcept { return scanId_; }

    static std::thread StartStdThread(std::function<void()> body) { return std::thread(std::move(body)); }

private:
    struct ScanContext {
        std::vector<std::wstring> paths;
        std::wstring displayName;
        HWND notify;
        WPARAM scanId;
        ScanOptions options;
        core::ScanCancellationToken* token;  // owned by the scanSession, outlives the thread
    };
    void RunScan(ScanContext& context) noexcept;
    core::ScanResult ScanOrFail(ScanContext& context) noexcept;
    // Stores the result, clears the scanning flag and posts the completion.
    void Deliver(core::ScanResult&& result, HWND notify, WPARAM scanId) noexcept;
    void PublishProgress(const core::ScanProgress& progress);

    core::ScanEngineFactory engines_;
    ThreadStarter startThread_;

    std::vector<platform::DriveInfo> drives_;  // window thread only

    mutable std::mutex mutex_;         // the scanSession lock: guards the four fields below
    ScanOptions options_;
    core::ScanResult resultSlot_;      // filled by the scan thread, emptied by TakeResult
    bool resultPending_ = false;       // a completion was posted and its result not yet taken
    core::ScanProgress progress_;      // the last published snapshot

    // Replaced for each scan; the scan thread only reads it.
    std::unique_ptr<core::ScanCancellationToken> token_;
    std::thread worker_;               // joinable until joined at the next start or on destruction
    std::atomic<bool> scanning_{false};  // set by the window thread, cleared by the scan thread
    WPARAM scanId_ = 0;                // window thread only: the last started scan
};

}  // namespace varnel::app
