#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ntfs/MftTreeAssembly.h"

namespace varnel::core {

// The native build serves image scans, tests and benchmarks; the trace goes
// to the narrow error stream, so that it mixes with varnelscan's own messages.
void WriteMftTrace(const MftScanStats& stats, std::int64_t totalMs) {
    const char* value = std::getenv("VARNEL_MFT_TRACE");
    if (value == nullptr) {
        return;
    }
    const std::size_t length = std::strlen(value);
    const std::wstring wide(value, value + std::min<std::size_t>(length, 16));
    if (!IsMftTraceEnabled(wide)) {
        return;
    }
    const std::string line = FormatMftTrace(stats, totalMs);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace varnel::core
