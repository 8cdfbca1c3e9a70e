#include "app/CommandLine_win.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/Paths.h"

namespace varnel::app {

ProgramArguments ParseProgramArguments(const std::vector<std::wstring>& arguments) {
    ProgramArguments parsed;
    for (const std::wstring& argument : arguments) {
        if (argument == L"/?" || argument == L"-?" || argument == L"-h" || argument == L"--help" ||
            argument == L"/help") {
            parsed.showUsage = true;
            continue;
        }
        if (argument.empty()) {
            continue;
        }
        // "C:\" quoted, as Explorer's entry passes a drive, splits as C:" :
        // the backslash escaped the closing quote.
        std::wstring path = argument;
        if (path.back() == L'"') {
            path.back() = L'\\';
        }
        parsed.paths.push_back(platform::NormalizeScanRoot(path));
    }
    return parsed;
}

ProgramArguments ReadProgramArguments() {
    int count = 0;
    LPWSTR* split = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (split == nullptr) {
        return {};
    }
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(split[i]);
    }
    ::LocalFree(split);
    return ParseProgramArguments(arguments);
}

}  // namespace varnel::app
