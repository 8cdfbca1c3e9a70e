#include "ui/window/ResultExport_win.h"

#include <algorithm>
#include <cwctype>
#include <limits>
#include <utility>

#include "report/ScanReport.h"
#include "platform/FileReplacement_win.h"

namespace varnel::ui {
namespace {

constexpr wchar_t TemporarySuffix[] = L".export.tmp";

}  // namespace

ExportFormat ExportFormatOf(const std::wstring& path) {
    constexpr std::wstring_view json = L".json";
    if (path.size() < json.size()) {
        return ExportFormat::Csv;
    }
    for (std::size_t i = 0; i < json.size(); ++i) {
        if (std::towlower(path[path.size() - json.size() + i]) != json[i]) {
            return ExportFormat::Csv;
        }
    }
    return ExportFormat::Json;
}

ExportOutcome WriteResultFile(const core::ScanResult& result, ExportFormat format, const std::wstring& target,
                              const std::atomic<bool>& cancel, std::atomic<std::uint64_t>& nodesWritten,
                              DWORD* error) {
    platform::FileReplacement file(target, TemporarySuffix);
    const auto failed = [&] {
        if (error != nullptr) {
            *error = file.Error();
        }
        return ExportOutcome::Failed;
    };
    if (!file.Open()) {
        return failed();
    }
    const report::ReportSink sink = [&](std::string_view piece, std::uint64_t nodes) {
        nodesWritten = nodes;
        return file.Write(piece) && !cancel.load();
    };
    // varnelscan ranks nothing unless asked with --top; neither does the
    // export, so both write the same bytes for the same result.
    const report::Ranking noRanking;
    const bool complete = format == ExportFormat::Json ? report::WriteJson(result, noRanking, sink)
                                                       : report::WriteCsv(result, noRanking, sink);
    if (complete && file.Commit()) {
        return ExportOutcome::Written;
    }
    return file.Error() == 0 && cancel.load() ? ExportOutcome::Cancelled : failed();
}

ResultExport::~ResultExport() {
    Cancel();
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool ResultExport::Start(const core::ScanResult& result, ExportFormat format, std::wstring target, HWND window,
                         UINT doneMessage) {
    if (worker_.joinable()) {
        return false;
    }
    cancel_ = false;
    nodesWritten_ = 0;
    nodeCount_ = result.nodes.size();
    outcome_ = ExportOutcome::Failed;
    error_ = 0;
    unannounced_ = false;
    const WPARAM id = ++id_;
    worker_ = std::thread([this, &result, format, target = std::move(target), window, doneMessage, id] {
        outcome_ = WriteResultFile(result, format, target, cancel_, nodesWritten_, &error_);
        if (!::PostMessageW(window, doneMessage, id, 0)) {
            unannounced_ = true;
        }
    });
    return true;
}

int ResultExport::Percent() const noexcept {
    if (nodeCount_ == 0) {
        return 0;
    }
    const std::uint64_t written = std::min(nodesWritten_.load(), nodeCount_);
    return static_cast<int>(written * 100 / nodeCount_);
}

ExportOutcome ResultExport::Finish() {
    if (worker_.joinable()) {
        worker_.join();
    }
    return outcome_;
}

}  // namespace varnel::ui
