#pragma once
// The bytes of "varnel.settings.json" and the record they stand for.
// Portable, so the format is tested and fuzzed natively.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/AppSettings.h"

namespace varnel::app {

struct SettingsFileRead {
    AppSettings settings;
    // Something in the file could not be used: it is not a whole object, a
    // known key holds a value of the wrong kind or invalid UTF-8, or a
    // recent folder was dropped. Unknown keys are not damage: newer versions
    // add keys that this one must pass over quietly.
    bool damaged = false;
};

// Never fails. Starts from StartingSettings(hardwareThreads) and keeps
// whatever is readable: the members before a truncation or syntax error,
// every field whose value has the right kind, every recent folder that is
// a string. A string that is not valid UTF-8 becomes empty. A byte-order
// mark (UTF-8, or UTF-16 as Notepad may save the file) is understood. The
// result is normalised.
SettingsFileRead InspectSettingsFile(std::string_view bytes, std::uint32_t hardwareThreads);

inline AppSettings ReadSettingsFile(std::string_view bytes, std::uint32_t hardwareThreads) {
    return InspectSettingsFile(bytes, hardwareThreads).settings;
}

// The fixed layout, UTF-8 without byte-order mark, CR LF after every line:
// the twelve lines older versions write, with the window section added
// before the last brace. Writes the record as given: normalising is the
// caller's.
std::string WriteSettingsFile(const AppSettings& settings);

}  // namespace varnel::app
