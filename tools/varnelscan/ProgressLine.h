#pragma once
// The one-line progress display on the error stream while a scan runs:
// redrawn in place a few times a second, and only when the stream is a
// terminal, so redirected output stays clean.

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "scan/ProgressThrottle.h"
#include "model/ScanModel.h"

namespace varnel::tools {

class ProgressLine {
public:
    explicit ProgressLine(std::FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}

    void Update(const core::ScanProgress& progress);
    // Wipes the line so the result starts on a clean one.
    void Clear();

    // The text shown for one report, at most `width` characters: counts first,
    // then as much of the path's end as fits.
    static std::string Format(const core::ScanProgress& progress, std::size_t width);

private:
    std::FILE* stream_;
    bool enabled_;
    std::mutex mutex_;  // reports may come from engine worker threads
    app::ProgressThrottle throttle_{250'000'000};
    bool shown_ = false;
};

}  // namespace varnel::tools
