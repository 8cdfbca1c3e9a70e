#pragma once
// Whole small files (settings, string tables) read as bytes. Portable.

#include <filesystem>
#include <optional>
#include <string>

namespace varnel::platform {

// The file's bytes; nothing when it cannot be opened or a read fails.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace varnel::platform
