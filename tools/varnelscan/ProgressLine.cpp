#include "ProgressLine.h"

#include <chrono>

#include "base/Utf8.h"

namespace varnel::tools {
namespace {

constexpr std::size_t LineWidth = 79;

}  // namespace

std::string ProgressLine::Format(const core::ScanProgress& progress, std::size_t width) {
    std::string text = std::to_string(progress.filesScanned) + " files, " +
                       std::to_string(progress.foldersScanned) + " folders";
    if (text.size() + 2 >= width || progress.currentPath.empty()) {
        return text.substr(0, width);
    }
    std::wstring path = progress.currentPath;
    const std::size_t room = width - text.size() - 2;
    if (path.size() > room) {
        path = L"..." + path.substr(path.size() - (room - 3));
    }
    return text + ": " + core::WideToUtf8(path);
}

void ProgressLine::Update(const core::ScanProgress& progress) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch()).count();
    std::lock_guard lock(mutex_);
    if (!throttle_.ShouldPublish(static_cast<std::int64_t>(now))) {
        return;
    }
    const std::string line = Format(progress, LineWidth);
    std::fprintf(stream_, "\r%-*s", static_cast<int>(LineWidth), line.c_str());
    std::fflush(stream_);
    shown_ = true;
}

void ProgressLine::Clear() {
    std::lock_guard lock(mutex_);
    if (shown_) {
        std::fprintf(stream_, "\r%*s\r", static_cast<int>(LineWidth), "");
        std::fflush(stream_);
        shown_ = false;
    }
}

}  // namespace varnel::tools
