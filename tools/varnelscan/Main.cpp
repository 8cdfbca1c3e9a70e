// varnelscan: scans folders with Varnel's engines and prints the result, so
// that users can script Varnel and tests and benchmarks can drive the engines.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Console.h"
#include "FindReport.h"
#include "FolderScan.h"
#include "ProgressLine.h"
#include "report/ReportByType.h"
#include "SavedScanFiles.h"
#include "report/ScanReport.h"
#include "ntfs/NtfsImage.h"
#include "base/Utf8.h"
#include "ntfs/MftScan.h"
#include "ntfs/NtfsImage.h"
#include "report/ScanReport.h"
#include "version/ProgramVersion.h"

namespace varnel::tools {
namespace {

using namespace varnel::report;

constexpr int ExitOk = 0;
constexpr int ExitScanFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNeedsCheck = 3;  // scanned, but the volume is damaged: see the error rows
constexpr int ExitOutputIncomplete = 4;

void Write(std::FILE* stream, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

int UsageFailure(const std::wstring& message) {
    Write(stderr, "varnelscan: " + core::WideToUtf8(message) + "\n");
    Write(stderr, UsageText);
    return ExitUsage;
}

int OutputFailure(const std::string& reason) {
    Write(stderr, "varnelscan: the output could not be written: " + reason + "\n");
    return ExitOutputIncomplete;
}

// Standard output, every write checked: a full disk, a closed pipe or a
// closed descriptor ends the report with the system's reason instead of a
// cut file and exit code 0.
class CheckedOutput {
public:
    bool Write(std::string_view bytes) {
        if (failed_) {
            return false;
        }
        ForgetWriteError();
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
            Fail();
        }
        return !failed_;
    }
    // Pushes out what the stream still buffers; false if that fails.
    bool Finish() {
        ForgetWriteError();
        if (!failed_ && (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)) {
            Fail();
        }
        return !failed_;
    }
    const std::string& Reason() const noexcept { return reason_; }

private:
    void Fail() {
        failed_ = true;
        reason_ = WriteErrorText(errno);
    }

    bool failed_ = false;
    std::string reason_;
};

int FileFailure(const std::wstring& problem) {
    Write(stderr, "varnelscan: " + core::WideToUtf8(problem) + "\n");
    return ExitScanFailed;
}

// --find prints the matches alone, every write checked like the reports.
int PrintMatches(const ScanCommand& command, const core::ScanResult& result) {
    CheckedOutput output;
    if (!output.Write(RenderMatches(result, command.criteria, command.format)) || !output.Finish()) {
        return OutputFailure(output.Reason());
    }
    if (result.status == core::ScanStatus::Failed) {
        Write(stderr, "varnelscan: " + core::WideToUtf8(result.message) + "\n");
        return ExitScanFailed;
    }
    if (result.status == core::ScanStatus::NeedsCheck) {
        Write(stderr, "varnelscan: " + core::WideToUtf8(result.message) + "\n");
        return ExitNeedsCheck;
    }
    return ExitOk;
}

int PrintResult(const ScanCommand& command, const core::ScanResult& result) {
    if (command.find) {
        return PrintMatches(command, result);
    }
    const Ranking ranking = RankLargest(result, command.top, command.rankBy);
    // Ctrl+C while a big report is written stops it after the piece in hand:
    // the output ends early and says so on the error stream.
    core::ScanCancellationToken interrupted;
    CancelOnInterrupt(&interrupted);
    CheckedOutput output;
    const ReportSink sink = [&](std::string_view piece, std::uint64_t) {
        return output.Write(piece) && !interrupted.IsCancelled();
    };
    bool complete = true;
    if (command.byType) {
        switch (command.format) {
            case OutputFormat::Summary: complete = output.Write(RenderTypesSummary(result, command.rankBy)); break;
            case OutputFormat::Csv: complete = output.Write(RenderTypesCsv(result, command.rankBy)); break;
            case OutputFormat::Json: complete = output.Write(RenderTypesJson(result, command.rankBy)); break;
        }
    } else {
        switch (command.format) {
            case OutputFormat::Summary: complete = output.Write(RenderSummary(result, ranking)); break;
            case OutputFormat::Csv: complete = WriteCsv(result, ranking, sink); break;
            case OutputFormat::Json: complete = WriteJson(result, ranking, sink); break;
        }
    }
    const bool flushed = output.Finish();
    CancelOnInterrupt(nullptr);
    if (!flushed) {
        return OutputFailure(output.Reason());
    }
    if (!complete) {
        Write(stderr, "varnelscan: interrupted; the output is incomplete\n");
        return ExitOutputIncomplete;
    }
    if (result.status == core::ScanStatus::Failed) {
        Write(stderr, "varnelscan: " + core::WideToUtf8(result.message) + "\n");
        return ExitScanFailed;
    }
    if (result.status == core::ScanStatus::NeedsCheck) {
        Write(stderr, "varnelscan: " + core::WideToUtf8(result.message) + "\n");
        return ExitNeedsCheck;
    }
    return ExitOk;
}

// An image is scanned by the MFT engine on every platform; its root is named
// by the image's own path, so node paths read as paths inside the image.
// `file` is the name as the system gave it, never converted.
core::ScanResult ScanImage(const ScanCommand& command, const std::filesystem::path& file,
                           core::ScanCancellationToken& token, const core::ScanProgressCallback& progress) {
    const std::wstring reason = OpenFailureReason(file);
    if (!reason.empty()) {
        const std::wstring message = L"NTFS image could not be opened: " + reason + L".";
        return core::MakeFailedMftResult(command.image, message.c_str(), core::ScanClock::now());
    }
    return core::ScanNtfsImageFile(file, command.image, command.threads, token, progress);
}

// `nativeArguments` are the arguments as the system handed them, for the
// names that go back to it.
int Run(const std::vector<std::wstring>& arguments, const std::vector<std::filesystem::path>& nativeArguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (std::holds_alternative<HelpRequest>(parsed)) {
        CheckedOutput output;
        if (!output.Write(UsageText) || !output.Finish()) {
            return OutputFailure(output.Reason());
        }
        return ExitOk;
    }
    if (std::holds_alternative<VersionRequest>(parsed)) {
        // Scripts read the first line; the second says what a copy may be used for.
        CheckedOutput output;
        if (!output.Write(std::string("varnelscan ") + ProgramVersion + "\nFree software under the " + LicenceName +
                          "; see LICENSE.\n") ||
            !output.Finish()) {
            return OutputFailure(output.Reason());
        }
        return ExitOk;
    }
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        return UsageFailure(error->message);
    }
    const ScanCommand& command = std::get<ScanCommand>(parsed);
    // Nowhere to write the report: say so before scanning for nothing.
    if (!StandardOutputIsOpen()) {
        return OutputFailure(std::strerror(EBADF));
    }
    ReportBrokenPipesAsWriteErrors();
    std::wstring fileProblem;
    if (!command.openFile.empty()) {
        const auto saved = OpenScanFile(command.openFile, fileProblem);
        return saved ? PrintResult(command, *saved) : FileFailure(fileProblem);
    }
    std::optional<core::FolderSnapshot> earlier;
    if (!command.compareFile.empty() && !(earlier = OpenComparisonBase(command.compareFile, fileProblem))) {
        return FileFailure(fileProblem);
    }

    core::ScanCancellationToken token;
    ProgressLine progressLine(stderr, ErrorStreamIsTerminal());
    const core::ScanProgressCallback progress = [&progressLine](const core::ScanProgress& report) {
        progressLine.Update(report);
    };
    CancelOnInterrupt(&token);
    std::wstring unavailable;
    std::optional<core::ScanResult> result;
    if (!command.image.empty()) {
        result = ScanImage(command, nativeArguments.at(command.imageArgument), token, progress);
    } else {
        result = ScanFolders(command, token, progress, unavailable);
    }
    CancelOnInterrupt(nullptr);
    progressLine.Clear();
    if (!result) {
        return UsageFailure(unavailable);
    }
    if (!command.saveFile.empty() && !SaveScanFile(*result, command.saveFile, fileProblem)) {
        return FileFailure(fileProblem);
    }
    if (earlier) {
        Write(stdout, RenderComparison(command, *earlier, *result));
        return result->status == core::ScanStatus::Failed ? FileFailure(result->message) : ExitOk;
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
    std::vector<std::filesystem::path> nativeArguments(arguments.begin(), arguments.end());
    return varnel::tools::Run(arguments, nativeArguments);
}
#else
// An argument that is not UTF-8 is still a name the system may hold (a file
// name is any bytes but '/' and NUL): it is shown with U+FFFD in place of
// its other bytes and handed back to the system as its own bytes.
int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    std::vector<std::filesystem::path> nativeArguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(varnel::core::Utf8ToWideForDisplay(argv[i]));
        nativeArguments.emplace_back(std::string(argv[i]));
    }
    return varnel::tools::Run(arguments, nativeArguments);
}
#endif
