// A settings file is whatever bytes lie on disk: reading must never fail,
// the record must come out normalised, and what Save would write from it
// must read back as the same record.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/JsonReader.h"
#include "settings/SettingsFile.h"

namespace {

constexpr std::uint32_t HardwareThreads = 6;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnel::app;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const AppSettings settings = ReadSettingsFile(bytes, HardwareThreads);
    if (settings.threadsPerDrive == 0 || settings.threadsPerDrive > HardwareThreads ||
        settings.maxThreadsPerDrive != HardwareThreads) {
        std::abort();
    }
    if (ReadSettingsFile(WriteSettingsFile(settings), HardwareThreads) != settings) {
        std::abort();
    }

    // Raw values are read a second time by their users; that reading must
    // cope with whatever the first pass accepted.
    if (const auto object = ParseJsonObject(bytes)) {
        for (const auto& [key, value] : *object) {
            if (value.kind == JsonKind::Array) {
                ParseJsonStringArray(value.text);
            } else if (value.kind == JsonKind::Object) {
                ParseJsonObject(value.text);  // balanced brackets, but it need not parse
            }
        }
    }
    return 0;
}
