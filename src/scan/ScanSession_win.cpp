#include "scan/ScanSession.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "scan/ProgressThrottle.h"
#include "base/Elapsed.h"
#include "model/ScanRootFailure.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::app {

ScanSession::ScanSession(core::ScanEngineFactory engines, ThreadStarter startThread)
    : engines_(std::move(engines)), startThread_(std::move(startThread)) {
    RefreshDrives();
}

ScanSession::ScanSession() : ScanSession(core::SystemScanEngines()) {}

ScanSession::~ScanSession() {
    Cancel();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void ScanSession::RefreshDrives() { drives_ = platform::EnumerateLocalDrives(); }

std::vector<std::wstring> ScanSession::LocalDriveRoots() const {
    std::vector<std::wstring> roots;
    for (const platform::DriveInfo& drive : drives_) {
        if (drive.kind == platform::DriveKind::Local || drive.kind == platform::DriveKind::Removable) {
            roots.push_back(drive.rootPath);
        }
    }
    return roots;
}

void ScanSession::SetScanOptions(const ScanOptions& options) {
    std::lock_guard lock(mutex_);
    options_ = options;
}

ScanOptions ScanSession::GetScanOptions() const {
    std::lock_guard lock(mutex_);
    return options_;
}

bool ScanSession::StartScanPaths(std::vector<std::wstring> paths, std::wstring displayName, HWND notify) {
    std::erase_if(paths, [](const std::wstring& path) { return path.empty(); });
    if (scanning_.load() || paths.empty()) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (resultPending_) {
            return false;
        }
    }
    // With the flag clear the previous thread has stored its result and
    // posted its message; only its last clean-up can remain.
    if (worker_.joinable()) {
        worker_.join();
    }
    const WPARAM scanId = ++scanId_;
    scanning_.store(true);
    try {
        token_ = std::make_unique<core::ScanCancellationToken>();
        auto context = std::make_unique<ScanContext>(
            ScanContext{std::move(paths), std::move(displayName), notify, scanId, {}, token_.get()});
        {
            std::lock_guard lock(mutex_);
            progress_ = core::ScanProgress{};
            context->options = options_;
        }
        worker_ = startThread_([this, context = std::shared_ptr<ScanContext>(std::move(context))] { RunScan(*context); });
        return true;
    } catch (const std::exception&) {
        // No thread or no memory: nothing will run, so tell the window the
        // way every scan ends, and leave it usable.
        core::ScanResult failed;
        try {
            failed = core::MakeRootFailedResult(std::wstring(), core::RootProblem::OutOfResources, 0);
        } catch (const std::exception&) {
            failed.status = core::ScanStatus::Failed;
        }
        Deliver(std::move(failed), notify, scanId);
        return false;
    }
}

bool ScanSession::StartScan(const std::wstring& path, HWND notify) {
    return StartScanPaths({path}, path, notify);
}

void ScanSession::Cancel() {
    if (token_) {
        token_->Cancel();
    }
}

core::ScanProgress ScanSession::ReadProgress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

core::ScanResult ScanSession::TakeResult() {
    std::lock_guard lock(mutex_);
    resultPending_ = false;
    return std::move(resultSlot_);
}

void ScanSession::PublishProgress(const core::ScanProgress& progress) {
    std::lock_guard lock(mutex_);
    progress_ = progress;
}

void ScanSession::RunScan(ScanContext& context) noexcept {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    core::ScanResult result = ScanOrFail(context);
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    Deliver(std::move(result), context.notify, context.scanId);
}

core::ScanResult ScanSession::ScanOrFail(ScanContext& context) noexcept {
    try {
        core::ScanScheduler scheduler(context.options.engineChoice, context.options.threadsPerDrive, engines_);
        ProgressThrottle throttle;
        const core::ScanProgressCallback progress = [this, &throttle](const core::ScanProgress& report) {
            const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 core::ScanClock::now().time_since_epoch()).count();
            if (throttle.ShouldPublish(static_cast<std::int64_t>(now))) {
                PublishProgress(report);
            }
        };
        return scheduler.Scan(context.paths, context.displayName, *context.token, progress);
    } catch (const std::exception&) {
        // Out of memory, or an engine could not start its workers. Left
        // alone this would end the program from a background thread and
        // the window would wait for a result forever; report it instead.
    }
    core::ScanResult failed;
    try {
        failed = core::MakeRootFailedResult(context.displayName, core::RootProblem::OutOfResources, 0);
    } catch (const std::exception&) {
        failed.status = core::ScanStatus::Failed;  // not even the sentence fits: the status says it
    }
    return failed;
}

void ScanSession::Deliver(core::ScanResult&& result, HWND notify, WPARAM scanId) noexcept {
    {
        std::lock_guard lock(mutex_);
        resultSlot_ = std::move(result);
        resultPending_ = true;
        scanning_.store(false);
    }
    if (!::PostMessageW(notify, ScanCompletedMessage, scanId, 0)) {
        // The window is gone: nobody will take the result, and it must not
        // hold back the next scan.
        std::lock_guard lock(mutex_);
        resultPending_ = false;
    }
}

std::wstring ScanFailureNotice(const core::ScanResult& result,
                               const std::function<std::wstring(std::string_view key)>& translate) {
    std::wstring notice;
    for (const core::ScanRootFailure& failure : result.rootFailures) {
        std::wstring reason = failure.reason;
        if (!failure.reasonKey.empty() && translate) {
            std::wstring translated = translate(failure.reasonKey);
            const bool missing = translated.size() == failure.reasonKey.size() &&
                                 std::equal(translated.begin(), translated.end(), failure.reasonKey.begin());
            if (!missing && !translated.empty()) {
                reason = std::move(translated);
            }
        }
        if (!notice.empty()) {
            notice += L' ';
        }
        notice += result.rootFailures.size() == 1 ? reason : failure.path + L": " + reason;
    }
    if (notice.empty() && result.status == core::ScanStatus::Failed) {
        notice = result.message;
    }
    return notice;
}

}  // namespace varnel::app
