#pragma once
// Arguments of the varnelscan console companion.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace varnel::tools {

enum class EngineChoice { Auto, Walk, NtQuery, Mft };
enum class OutputFormat { Summary, Csv, Json };
// What --top ranks by: the files' lengths, or the bytes they take on disk.
enum class SizeMeasure { Logical, Disk };

struct ScanCommand {
    EngineChoice engine = EngineChoice::Auto;
    std::uint64_t threads = 0;  // 0: each engine's own default
    OutputFormat format = OutputFormat::Summary;
    std::uint64_t top = 0;      // 0: no ranking
    SizeMeasure rankBy = SizeMeasure::Logical;
    std::vector<std::wstring> paths;
    std::wstring image;         // --image: scan this NTFS volume image instead of paths
};

struct HelpRequest {};
struct VersionRequest {};

// What is wrong with the command line, in one line for the error stream.
struct UsageError {
    std::wstring message;
};

using ParsedCommandLine = std::variant<ScanCommand, HelpRequest, VersionRequest, UsageError>;

// Arguments without the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

extern const char* const UsageText;

}  // namespace varnel::tools
