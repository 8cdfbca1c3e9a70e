#include "model/ScanRootFailure.h"

#include <string_view>
#include <utility>

#include "model/RootFailureSentences.h"

namespace varnel::core {

ScanRootFailure DescribeRootProblem(std::wstring path, RootProblem problem) {
    ScanRootFailure failure;
    failure.path = std::move(path);
    switch (problem) {
        case RootProblem::NoPath:
            failure.reasonKey = "status.root_empty";
            break;
        case RootProblem::Missing:
            failure.reasonKey = "status.root_missing";
            break;
        case RootProblem::NotAFolder:
            failure.reasonKey = "status.root_not_folder";
            break;
        case RootProblem::Device:
            failure.reasonKey = "status.root_device";
            break;
        case RootProblem::Unreadable:
            failure.reasonKey = "status.root_unreadable";
            break;
        case RootProblem::OutOfResources:
            failure.reasonKey = "status.scan_resources";
            break;
    }
    for (const auto& [key, sentence] : RootFailureSentences) {
        if (key == failure.reasonKey) {
            failure.reason = sentence;
        }
    }
    return failure;
}

RootProblem RootProblemForError(std::uint32_t win32Error) noexcept {
    switch (win32Error) {
        case 2:    // ERROR_FILE_NOT_FOUND
        case 3:    // ERROR_PATH_NOT_FOUND
        case 15:   // ERROR_INVALID_DRIVE
        case 21:   // ERROR_NOT_READY: a drive without its medium
        case 53:   // ERROR_BAD_NETPATH
        case 67:   // ERROR_BAD_NET_NAME
        case 123:  // ERROR_INVALID_NAME
        case 161:  // ERROR_BAD_PATHNAME
            return RootProblem::Missing;
        default:
            return RootProblem::Unreadable;
    }
}

ScanResult MakeRootFailedResult(std::wstring rootPath, RootProblem problem, std::int64_t elapsedMs) {
    ScanResult result;
    result.status = ScanStatus::Failed;
    result.elapsedMs = elapsedMs;
    result.rootFailures.push_back(DescribeRootProblem(rootPath, problem));
    result.message = result.rootFailures.front().reason;
    result.rootPath = std::move(rootPath);
    return result;
}

std::wstring JoinRootFailureReasons(const std::vector<ScanRootFailure>& failures) {
    if (failures.size() == 1) {
        return failures.front().reason;
    }
    std::wstring joined;
    for (const ScanRootFailure& failure : failures) {
        if (!joined.empty()) {
            joined += L' ';
        }
        joined += failure.path + L": " + failure.reason;
    }
    return joined;
}

}  // namespace varnel::core
