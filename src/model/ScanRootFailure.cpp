#include "model/ScanRootFailure.h"

#include <utility>

namespace varnel::core {

ScanRootFailure DescribeRootProblem(std::wstring path, RootProblem problem) {
    ScanRootFailure failure;
    failure.path = std::move(path);
    switch (problem) {
        case RootProblem::NoPath:
            failure.reasonKey = "status.root_empty";
            failure.reason = L"No folder was given to scan.";
            break;
        case RootProblem::Missing:
            failure.reasonKey = "status.root_missing";
            failure.reason = L"The folder does not exist.";
            break;
        case RootProblem::NotAFolder:
            failure.reasonKey = "status.root_not_folder";
            failure.reason = L"This is a file, not a folder.";
            break;
        case RootProblem::Device:
            failure.reasonKey = "status.root_device";
            failure.reason = L"This names a device, not a folder.";
            break;
        case RootProblem::Unreadable:
            failure.reasonKey = "status.root_unreadable";
            failure.reason = L"The folder could not be read.";
            break;
        case RootProblem::OutOfResources:
            failure.reasonKey = "status.scan_resources";
            failure.reason = L"The scan ran out of system resources.";
            break;
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
