// varnelscan: scans folders with Varnel's engines and prints the result, so
// that users can script Varnel and tests and benchmarks can drive the engines.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Console.h"
#include "FindReport.h"
#include "FolderScan.h"
#include "ProgressLine.h"
#include "report/ScanReport.h"
#include "ntfs/NtfsImage.h"
#include "base/Utf8.h"

namespace varnel::tools {
namespace {

using namespace varnel::report;

constexpr int ExitOk = 0;
constexpr int ExitScanFailed = 1;
constexpr int ExitUsage = 2;

void Write(std::FILE* stream, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

int UsageFailure(const std::wstring& message) {
    Write(stderr, "varnelscan: " + core::WideToUtf8(message) + "\n");
    Write(stderr, UsageText);
    return ExitUsage;
}

int PrintMatches(const ScanCommand& command, const core::ScanResult& result) {
    Write(stdout, RenderMatches(result, command.criteria, command.format));
    std::fflush(stdout);
    if (result.status == core::ScanStatus::Failed) {
        Write(stderr, "varnelscan: " + core::WideToUtf8(result.message) + "\n");
        return ExitScanFailed;
    }
    return ExitOk;
}

int PrintResult(const ScanCommand& command, const core::ScanResult& result) {
    if (command.find) {
        return PrintMatches(command, result);
    }
    const Ranking ranking = RankLargest(result, command.top, command.rankBy);
    switch (command.format) {
        case OutputFormat::Summary: Write(stdout, RenderSummary(result, ranking)); break;
        case OutputFormat::Csv: Write(stdout, RenderCsv(result, ranking)); break;
        case OutputFormat::Json: Write(stdout, RenderJson(result, ranking)); break;
    }
    std::fflush(stdout);
    if (result.status == core::ScanStatus::Failed) {
        Write(stderr, "varnelscan: " + core::WideToUtf8(result.message) + "\n");
        return ExitScanFailed;
    }
    return ExitOk;
}

// An image is scanned by the MFT engine on every platform; its root is named
// by the image's own path, so node paths read as paths inside the image.
core::ScanResult ScanImage(const ScanCommand& command, core::ScanCancellationToken& token,
                           const core::ScanProgressCallback& progress) {
    const std::filesystem::path file(command.image);
    return core::ScanNtfsImageFile(file, command.image, command.threads, token, progress);
}

int Run(const std::vector<std::wstring>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (std::holds_alternative<HelpRequest>(parsed)) {
        Write(stdout, UsageText);
        return ExitOk;
    }
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        return UsageFailure(error->message);
    }
    const ScanCommand& command = std::get<ScanCommand>(parsed);

    core::ScanCancellationToken token;
    ProgressLine progressLine(stderr, ErrorStreamIsTerminal());
    const core::ScanProgressCallback progress = [&progressLine](const core::ScanProgress& report) {
        progressLine.Update(report);
    };
    CancelOnInterrupt(&token);
    std::wstring unavailable;
    std::optional<core::ScanResult> result;
    if (!command.image.empty()) {
        result = ScanImage(command, token, progress);
    } else {
        result = ScanFolders(command, token, progress, unavailable);
    }
    CancelOnInterrupt(nullptr);
    progressLine.Clear();
    if (!result) {
        return UsageFailure(unavailable);
    }
    return PrintResult(command, *result);
}

}  // namespace
}  // namespace varnel::tools

#ifdef _WIN32
#include "platform/Drives.h"

int wmain(int argc, wchar_t** argv) {
    // A root on a drive without its medium fails with a message, never a
    // "No Disk" dialog that a script cannot answer.
    varnel::platform::FailCriticalErrorsSilently();
    varnel::tools::UseBinaryStandardStreams();
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    return varnel::tools::Run(arguments);
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        auto wide = varnel::core::Utf8ToWide(argv[i]);
        if (!wide) {
            return varnel::tools::UsageFailure(L"an argument is not valid UTF-8");
        }
        arguments.push_back(std::move(*wide));
    }
    return varnel::tools::Run(arguments);
}
#endif
