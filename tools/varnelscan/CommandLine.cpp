#include "CommandLine.h"

#include "FindReport.h"

#include <limits>
#include <optional>

namespace varnel::tools {

const char* const UsageText =
    "usage: varnelscan [--engine auto|walk|ntquery|mft] [--threads N]\n"
    "                  [--format summary|csv|json] [--top N] [--size logical|disk]\n"
    "                  [--cross-devices] [--by-type] PATH...\n"
    "       varnelscan --image FILE [--threads N] [--format ...] [--top N] [--size ...]\n"
    "       varnelscan --version | --help\n"
    "       varnelscan --open SAVED [--format ...] [--top N] [--size ...]\n"
    "       varnelscan --compare SAVED [--format summary|csv] [--top N] PATH... | --image FILE\n"
    "       varnelscan --find PATTERN [--min-size BYTES] [--modified-after DAY]\n"
    "                  [--modified-before DAY] [--size ...] [--format ...] (PATH... | --image FILE)\n"
    "\n"
    "Scans each PATH and prints the result on standard output (UTF-8).\n"
    "  --engine   scan engine; auto lets Varnel choose (default)\n"
    "  --threads  worker threads per drive, 0 for the engine's default (0..64)\n"
    "  --format   summary (default), csv (every node and error) or json\n"
    "  --top N    also list the N largest files and folders below the root\n"
    "  --size     what --top and --by-type order by: logical sizes (default) or bytes on disk\n"
    "  --by-type  print the bytes and files per extension instead of every node\n"
    "  --image    scan an NTFS volume image (raw, as mkntfs makes it) with the mft engine\n"
    "  --find     print only the files and folders whose name matches PATTERN (* and ?,\n"
    "             any case; against the whole path when PATTERN holds \\ or /)\n"
    "  --min-size only matches of at least BYTES (a folder by its total, in --size)\n"
    "  --modified-after, --modified-before  only matches written on or after, or\n"
    "             before, DAY (YYYY-MM-DD, UTC)\n"
    "  --save F   also write the result to F as a saved scan\n"
    "  --open F   print the saved scan F as the scan printed it (no scan)\n"
    "  --compare F  scan, then print each folder's change since the saved scan or snapshot F\n"
    "  --cross-devices  on Linux, also enter folders on other file systems (mount points)\n"
    "  --help, /?  print this text\n"
    "Exit codes: 0 completed or cancelled, 1 scan failed or a file unreadable or unwritable,\n"
    "2 bad usage, 3 damaged volume (see the error rows), 4 output not written in full\n"
    "(a failed write, or Ctrl+C while writing).\n";

namespace {

constexpr std::uint64_t MaxThreads = 64;
constexpr std::uint64_t MaxTop = 1'000'000;
constexpr std::uint64_t MaxSize = std::numeric_limits<std::uint64_t>::max();

std::optional<std::uint64_t> ParseCount(const std::wstring& text, std::uint64_t maximum, std::size_t maxDigits = 7) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - L'0');
        if (digit > maximum || value > (maximum - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::optional<EngineChoice> ParseEngine(const std::wstring& text) {
    if (text == L"auto") return EngineChoice::Automatic;
    if (text == L"walk") return EngineChoice::DirectoryWalk;
    if (text == L"ntquery") return EngineChoice::NtQueryDirectory;
    if (text == L"mft") return EngineChoice::NtfsMft;
    return std::nullopt;
}

std::optional<SizeMeasure> ParseSizeMeasure(const std::wstring& text) {
    if (text == L"logical") return SizeMeasure::Logical;
    if (text == L"disk") return SizeMeasure::OnDisk;
    return std::nullopt;
}

std::optional<OutputFormat> ParseFormat(const std::wstring& text) {
    if (text == L"summary") return OutputFormat::Summary;
    if (text == L"csv") return OutputFormat::Csv;
    if (text == L"json") return OutputFormat::Json;
    return std::nullopt;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    ScanCommand command;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!optionsEnded && (argument == L"--help" || argument == L"/?")) {
            return HelpRequest{};
        }
        // Every other word that starts with a dash is an option; a folder
        // whose name starts with one follows "--".
        if (optionsEnded || argument.size() < 2 || argument.front() != L'-') {
            command.paths.push_back(argument);
            continue;
        }
        if (argument == L"--") {
            optionsEnded = true;
            continue;
        }
        if (argument.compare(0, 2, L"--") != 0) {
            return UsageError{L"unknown option: " + argument};
        }
        if (argument == L"--version") {
            return VersionRequest{};
        }
        if (argument == L"--cross-devices") {
            command.crossDevices = true;
            continue;
        }
        if (argument == L"--by-type") {
            command.byType = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            return UsageError{argument + L" needs a value"};
        }
        const std::wstring& value = arguments[++i];
        if (argument == L"--engine") {
            const auto engine = ParseEngine(value);
            if (!engine) return UsageError{L"unknown engine: " + value};
            command.engine = *engine;
        } else if (argument == L"--format") {
            const auto format = ParseFormat(value);
            if (!format) return UsageError{L"unknown format: " + value};
            command.format = *format;
        } else if (argument == L"--threads") {
            const auto threads = ParseCount(value, MaxThreads);
            if (!threads) return UsageError{L"--threads takes a whole number from 0 to 64: " + value};
            command.threads = *threads;
        } else if (argument == L"--top") {
            const auto top = ParseCount(value, MaxTop);
            if (!top) return UsageError{L"--top takes a whole number from 0 to 1000000: " + value};
            command.top = *top;
        } else if (argument == L"--size") {
            const auto measure = ParseSizeMeasure(value);
            if (!measure) return UsageError{L"--size takes logical or disk: " + value};
            command.rankBy = *measure;
        } else if (argument == L"--find") {
            command.find = true;
            command.criteria.pattern = value;
        } else if (argument == L"--min-size") {
            const auto bytes = ParseCount(value, MaxSize, 20);
            if (!bytes) return UsageError{L"--min-size takes a number of bytes: " + value};
            command.criteria.minimumSize = *bytes;
        } else if (argument == L"--modified-after" || argument == L"--modified-before") {
            const auto day = ParseDay(value);
            if (!day) return UsageError{argument + L" takes a day as YYYY-MM-DD: " + value};
            (argument == L"--modified-after" ? command.criteria.modifiedAfter : command.criteria.modifiedBefore) = *day;
        } else if (argument == L"--image") {
            if (value.empty()) return UsageError{L"--image needs a file"};
            if (!command.image.empty()) return UsageError{L"--image is given more than once"};
            command.image = value;
            command.imageArgument = i;
        } else if (argument == L"--save") {
            if (value.empty()) return UsageError{L"--save needs a file"};
            command.saveFile = value;
        } else if (argument == L"--open") {
            if (value.empty()) return UsageError{L"--open needs a file"};
            command.openFile = value;
        } else if (argument == L"--compare") {
            if (value.empty()) return UsageError{L"--compare needs a file"};
            command.compareFile = value;
        } else {
            return UsageError{L"unknown option: " + argument};
        }
    }
    command.criteria.measure = command.rankBy;
    if (!command.openFile.empty()) {
        if (!command.paths.empty() || !command.image.empty() || !command.saveFile.empty() ||
            !command.compareFile.empty())
            return UsageError{L"--open prints a saved scan alone: no paths, --image, --save or --compare"};
        return command;
    }
    if (!command.compareFile.empty() && command.format == OutputFormat::Json) {
        return UsageError{L"--compare prints summary or csv"};
    }
    if (!command.image.empty()) {
        if (!command.paths.empty()) return UsageError{L"--image scans the image alone, not paths"};
        if (command.engine != EngineChoice::Automatic && command.engine != EngineChoice::NtfsMft)
            return UsageError{L"--image scans with the mft engine"};
        return command;
    }
    if (command.paths.empty()) {
        return UsageError{L"no path to scan"};
    }
    return command;
}

}  // namespace varnel::tools
