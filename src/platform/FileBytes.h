#pragma once
// Whole files (settings, string tables, saved scans) read and written as
// bytes. Portable.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnel::platform {

// The file's bytes; nothing when it cannot be opened or a read fails.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Writes `bytes` to a file beside `path` and moves it into place, so a
// failure part-way never leaves a cut-off file under the name. False when
// anything failed; the temporary file is removed then.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace varnel::platform
