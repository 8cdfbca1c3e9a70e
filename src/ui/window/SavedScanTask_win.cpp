#include "ui/window/SavedScanTask_win.h"

#include <filesystem>
#include <utility>

#include "platform/FileBytes.h"

namespace varnel::ui {

SavedScanTask::~SavedScanTask() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool SavedScanTask::Begin(bool saving) {
    if (worker_.joinable()) {
        return false;
    }
    saving_ = saving;
    outcome_ = {};
    outcome_.saving = saving;
    ++id_;
    return true;
}

bool SavedScanTask::StartSave(const core::ScanResult& result, std::wstring path, std::int64_t savedAt, HWND window,
                              UINT doneMessage) {
    if (!Begin(true)) {
        return false;
    }
    worker_ = std::thread([this, &result, path = std::move(path), savedAt, window, doneMessage, id = id_] {
        if (!platform::WriteWholeFile(std::filesystem::path(path), core::WriteSavedScan(result, savedAt))) {
            outcome_.read.error = core::SavedFileError::WriteFailed;
        }
        ::PostMessageW(window, doneMessage, id, 0);
    });
    return true;
}

bool SavedScanTask::StartOpen(std::wstring path, HWND window, UINT doneMessage) {
    if (!Begin(false)) {
        return false;
    }
    worker_ = std::thread([this, path = std::move(path), window, doneMessage, id = id_] {
        const auto bytes = platform::ReadWholeFile(std::filesystem::path(path));
        if (!bytes) {
            outcome_.read.error = core::SavedFileError::ReadFailed;
        } else {
            outcome_.read = core::ReadSavedScan(std::as_bytes(std::span<const char>(bytes->data(), bytes->size())));
        }
        ::PostMessageW(window, doneMessage, id, 0);
    });
    return true;
}

SavedScanTask::Outcome SavedScanTask::Finish() {
    if (worker_.joinable()) {
        worker_.join();
    }
    Outcome outcome = std::move(outcome_);
    outcome_ = {};
    return outcome;
}

}  // namespace varnel::ui
