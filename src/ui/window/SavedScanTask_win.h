#pragma once
// File > Save scan and Open scan on a worker thread, so that writing or
// reading the file of a result of millions of nodes never stops the window.
// One task at a time; the worker posts a message when it ends and the window
// takes the outcome with Finish.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "model/SavedScan.h"

namespace varnel::ui {

class SavedScanTask {
public:
    SavedScanTask() = default;
    SavedScanTask(const SavedScanTask&) = delete;
    SavedScanTask& operator=(const SavedScanTask&) = delete;
    // Joins a running worker (a save or an open takes about a second at most).
    ~SavedScanTask();

    // Writes `result` to `path`; the result must stay as it is until Finish
    // (the window finishes a save before it changes or replaces the result).
    // False, and nothing started, while a task still runs.
    bool StartSave(const core::ScanResult& result, std::wstring path, std::int64_t savedAt, HWND window,
                   UINT doneMessage);
    // Reads the saved scan at `path`.
    bool StartOpen(std::wstring path, HWND window, UINT doneMessage);

    bool IsRunning() const noexcept { return worker_.joinable(); }
    bool IsSaving() const noexcept { return IsRunning() && saving_; }
    WPARAM Id() const noexcept { return id_; }

    struct Outcome {
        bool saving = false;
        // For an open, `read.error` says how it went; for a save only it.
        core::SavedScanRead read;
    };
    // Joins the worker and gives what it did.
    Outcome Finish();

private:
    // False while a task runs; otherwise a fresh outcome and id.
    bool Begin(bool saving);

    bool saving_ = false;
    Outcome outcome_;  // the worker's, read after the join
    WPARAM id_ = 0;
    std::thread worker_;
};

}  // namespace varnel::ui
