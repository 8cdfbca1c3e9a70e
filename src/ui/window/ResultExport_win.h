#pragma once
// File > Export: the shown result written as varnelscan writes it (CSV or
// JSON, the same bytes), on a worker thread so that a result of millions of
// nodes never stops the window. The file appears only when complete: the
// bytes go to a temporary file beside the target, which then replaces it.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "model/ScanModel.h"
#include "ui/window/MainWindowIds.h"

namespace varnel::ui {


enum class ExportFormat { Csv, Json };
enum class ExportOutcome { Written, Cancelled, Failed };

// The format a file name asks for: JSON for ".json" in any case, else CSV.
ExportFormat ExportFormatOf(const std::wstring& path);

// Writes `result` to `target` in `format`, counting the nodes written in
// `nodesWritten` and stopping when `cancel` is set. On Cancelled and Failed
// the target is as it was before and no temporary file is left; on Failed,
// `error` holds the system's error code.
ExportOutcome WriteResultFile(const core::ScanResult& result, ExportFormat format, const std::wstring& target,
                              const std::atomic<bool>& cancel, std::atomic<std::uint64_t>& nodesWritten,
                              DWORD* error = nullptr);

class ResultExport {
public:
    ResultExport() = default;
    ResultExport(const ResultExport&) = delete;
    ResultExport& operator=(const ResultExport&) = delete;
    // Cancels a running export and joins its worker.
    ~ResultExport();

    // Starts writing `result`, which must stay as it is until Finish (a
    // result is moved, never copied: the owner stops the export before it
    // changes or replaces the result); posts `doneMessage` to `window` with
    // this export's Id when the worker ends. False, and nothing started,
    // while one still runs.
    bool Start(const core::ScanResult& result, ExportFormat format, std::wstring target, HWND window,
               UINT doneMessage);
    bool IsRunning() const noexcept { return worker_.joinable(); }
    // The worker has ended but its message could not be posted (the
    // window's queue was full): the window learns it from its timer instead,
    // so that an export never looks as if it were still running.
    bool EndedUnannounced() const noexcept { return unannounced_.load(); }
    // Tells a late message of an earlier export from the current one's.
    WPARAM Id() const noexcept { return id_; }
    void Cancel() noexcept { cancel_ = true; }
    // Nodes written so far, in percent of the result's nodes.
    int Percent() const noexcept;
    // Joins the worker that posted its message and gives what it did.
    ExportOutcome Finish();
    // Why the last export failed: the system's error code.
    DWORD Error() const noexcept { return error_; }

private:
    std::atomic<bool> cancel_ = false;                 // set by the window, read by the worker
    std::atomic<std::uint64_t> nodesWritten_ = 0;      // written by the worker, shown by the window
    std::uint64_t nodeCount_ = 0;                      // fixed before the worker starts
    ExportOutcome outcome_ = ExportOutcome::Written;   // the worker's, read after the join
    DWORD error_ = 0;                                  // the worker's, read after the join
    std::atomic<bool> unannounced_ = false;            // set by the worker, read by the window's timer
    WPARAM id_ = 0;
    std::thread worker_;
};

}  // namespace varnel::ui
