#include "app/ApplicationController.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "app/ProgressThrottle.h"
#include "core/Elapsed.h"
#include "core/ScanTreeBuilder.h"

namespace varnel::app {

ApplicationController::ApplicationController(core::ScanEngineFactory engines, ThreadStarter startThread)
    : engines_(std::move(engines)), startThread_(std::move(startThread)) {
    RefreshDrives();
}

ApplicationController::ApplicationController() : ApplicationController(core::SystemScanEngines()) {}

ApplicationController::~ApplicationController() {
    Cancel();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void ApplicationController::RefreshDrives() { drives_ = platform::EnumerateLocalDrives(); }

std::vector<std::wstring> ApplicationController::LocalDriveRoots() const {
    std::vector<std::wstring> roots;
    for (const platform::DriveInfo& drive : drives_) {
        if (drive.kind == platform::DriveKind::Local || drive.kind == platform::DriveKind::Removable) {
            roots.push_back(drive.rootPath);
        }
    }
    return roots;
}

void ApplicationController::SetScanOptions(const ScanOptions& options) {
    std::lock_guard lock(mutex_);
    options_ = options;
}

ScanOptions ApplicationController::GetScanOptions() const {
    std::lock_guard lock(mutex_);
    return options_;
}

void ApplicationController::StartScanPaths(std::vector<std::wstring> paths, std::wstring displayName, HWND notify) {
    std::erase_if(paths, [](const std::wstring& path) { return path.empty(); });
    if (scanning_.load() || paths.empty()) {
        return;
    }
    // With the flag clear the previous thread has stored its result and
    // posted its message; only its last clean-up can remain.
    if (worker_.joinable()) {
        worker_.join();
    }
    token_ = std::make_unique<core::ScanCancellationToken>();
    ScanContext context{std::move(paths), std::move(displayName), notify, {}, token_.get()};
    {
        std::lock_guard lock(mutex_);
        progress_ = core::ScanProgress{};
        context.options = options_;
    }
    scanning_.store(true);
    try {
        worker_ = startThread_([this, context = std::move(context)]() mutable { RunScan(std::move(context)); });
    } catch (const std::system_error&) {
        // No thread, so nothing will ever clear the flag or post the
        // completion message: undo the start so the window stays usable.
        scanning_.store(false);
    }
}

void ApplicationController::StartScan(const std::wstring& path, HWND notify) {
    StartScanPaths({path}, path, notify);
}

void ApplicationController::Cancel() {
    if (token_) {
        token_->Cancel();
    }
}

core::ScanProgress ApplicationController::ReadProgress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

core::ScanResult ApplicationController::TakeResult() {
    std::lock_guard lock(mutex_);
    return std::move(resultSlot_);
}

void ApplicationController::PublishProgress(const core::ScanProgress& progress) {
    std::lock_guard lock(mutex_);
    progress_ = progress;
}

void ApplicationController::RunScan(ScanContext context) {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    core::ScanResult result;
    {
        core::ScanScheduler scheduler(context.options.engineChoice, context.options.threadsPerDrive, engines_);
        ProgressThrottle throttle;
        const core::ScanProgressCallback progress = [this, &throttle](const core::ScanProgress& report) {
            const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 core::ScanClock::now().time_since_epoch()).count();
            if (throttle.ShouldPublish(static_cast<std::int64_t>(now))) {
                PublishProgress(report);
            }
        };
        try {
            result = scheduler.Scan(context.paths, context.displayName, *context.token, progress);
        } catch (const std::exception&) {
            // Out of memory, or an engine could not start its workers. Left
            // alone this would end the program from a background thread and
            // the window would wait for a result forever; report it instead.
            result = core::MakeFailedResult(context.displayName, ResourceFailureMessage, 0);
        }
    }
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    {
        std::lock_guard lock(mutex_);
        resultSlot_ = std::move(result);
        scanning_.store(false);
    }
    ::PostMessageW(context.notify, ScanCompletedMessage, 0, 0);
}

}  // namespace varnel::app
