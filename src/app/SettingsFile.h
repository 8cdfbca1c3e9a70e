#pragma once
// The bytes of "varnel.settings.json" and the record they stand for.
// Portable, so the format is tested and fuzzed natively.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/AppSettings.h"

namespace varnel::app {

// Never fails. Starts from StartingSettings(hardwareThreads); a file that
// is not a readable object leaves all of it, a value of the wrong kind
// leaves that field, a string that is not valid UTF-8 becomes empty. The
// result is normalised.
AppSettings ReadSettingsFile(std::string_view bytes, std::uint32_t hardwareThreads);

// The fixed twelve-line layout, UTF-8 without byte-order mark, CR LF after
// every line. Writes the record as given: normalising is the caller's.
std::string WriteSettingsFile(const AppSettings& settings);

}  // namespace varnel::app
