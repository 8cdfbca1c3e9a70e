#pragma once
// Arguments of the varnelscan console companion.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "model/Search.h"
#include "model/SizeMeasure.h"
#include "scan/EngineChoice.h"

namespace varnel::tools {

using core::EngineChoice;
using core::SizeMeasure;

enum class OutputFormat { Summary, Csv, Json };

struct ScanCommand {
    EngineChoice engine = EngineChoice::Automatic;
    std::uint64_t threads = 0;  // 0: each engine's own default
    OutputFormat format = OutputFormat::Summary;
    std::uint64_t top = 0;      // 0: no ranking
    SizeMeasure rankBy = SizeMeasure::Logical;  // what --top ranks by
    std::vector<std::wstring> paths;
    std::wstring image;         // --image: scan this NTFS volume image instead of paths
    bool crossDevices = false;  // POSIX builds: enter mount points too (Windows never does)
    std::size_t imageArgument = 0;  // where the image's name stands among the arguments
    bool byType = false;        // --by-type: print the breakdown by extension instead of the nodes
    std::wstring saveFile;      // --save: also write the result as a saved scan
    std::wstring openFile;      // --open: print a saved scan instead of scanning
    std::wstring compareFile;   // --compare: print what changed since this saved scan or snapshot
    // --find and the options that narrow it: print the matches, not the scan.
    bool find = false;
    core::SearchCriteria criteria;
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
