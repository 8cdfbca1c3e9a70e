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
#include <thread>
#include <vector>

#include "core/ScanModel.h"
#include "core/ScanScheduler.h"
#include "platform/Drives.h"

namespace varnel::app {

// Posted once per scan, after the result is stored (wParam and lParam 0).
inline constexpr UINT ScanCompletedMessage = WM_APP + 1;
// The window polls progress on this timer while a scan runs.
inline constexpr UINT_PTR ProgressTimerId = 1;
inline constexpr UINT ProgressTimerPeriodMs = 250;

// The fixed English name of the multi-drive scan (not the translated label).
inline constexpr wchar_t AllLocalDrivesName[] = L"All local drives";

// The message of a scan that stopped because the system ran out of memory or
// threads.
inline constexpr wchar_t ResourceFailureMessage[] = L"The scan ran out of system resources.";

struct ScanOptions {
    std::uint32_t engineChoice = 0;  // always automatic in the program
    std::uint64_t threadsPerDrive = 0;
};

class ApplicationController {
public:
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    // `engines` and `startThread` exist for tests; the program uses the defaults.
    explicit ApplicationController(core::ScanEngineFactory engines, ThreadStarter startThread = StartStdThread);
    ApplicationController();
    ApplicationController(const ApplicationController&) = delete;
    ApplicationController& operator=(const ApplicationController&) = delete;
    // Cancels a running scan and waits for its engines to stop.
    ~ApplicationController();

    void RefreshDrives();
    const std::vector<platform::DriveInfo>& Drives() const noexcept { return drives_; }
    // Root paths of every listed (fixed or removable) drive, in letter order.
    std::vector<std::wstring> LocalDriveRoots() const;

    void SetScanOptions(const ScanOptions& options);
    ScanOptions GetScanOptions() const;

    // Starts a scan unless one runs or no non-empty path remains. Whether a
    // scan started is read from IsScanning() afterwards; if the background
    // thread cannot be started, nothing runs and nothing will be posted.
    void StartScanPaths(std::vector<std::wstring> paths, std::wstring displayName, HWND notify);
    // One folder or drive, scanned as itself.
    void StartScan(const std::wstring& path, HWND notify);

    void Cancel();
    bool IsScanning() const noexcept { return scanning_.load(); }
    core::ScanProgress ReadProgress() const;
    // Moves the stored result out; the slot is left empty.
    core::ScanResult TakeResult();

    static std::thread StartStdThread(std::function<void()> body) { return std::thread(std::move(body)); }

private:
    struct ScanContext {
        std::vector<std::wstring> paths;
        std::wstring displayName;
        HWND notify;
        ScanOptions options;
        core::ScanCancellationToken* token;  // owned by the controller, outlives the thread
    };
    void RunScan(ScanContext context);
    void PublishProgress(const core::ScanProgress& progress);

    core::ScanEngineFactory engines_;
    ThreadStarter startThread_;

    std::vector<platform::DriveInfo> drives_;  // window thread only

    mutable std::mutex mutex_;         // the controller lock: guards the three fields below
    ScanOptions options_;
    core::ScanResult resultSlot_;      // filled by the scan thread, emptied by TakeResult
    core::ScanProgress progress_;      // the last published snapshot

    // Replaced for each scan; the scan thread only reads it.
    std::unique_ptr<core::ScanCancellationToken> token_;
    std::thread worker_;               // joinable until joined at the next start or on destruction
    std::atomic<bool> scanning_{false};  // set by the window thread, cleared by the scan thread
};

}  // namespace varnel::app
