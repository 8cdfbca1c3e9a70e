#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/ProgramFolder.h"

namespace varnel::platform {
namespace {

constexpr DWORD InitialPathCapacity = MAX_PATH;
// Long paths end at 32767 characters; a larger buffer can only mean the
// call keeps failing in some other way.
constexpr DWORD MaximumPathCapacity = 65536;

}  // namespace

std::wstring ProgramFilePath() {
    std::wstring buffer;
    for (DWORD capacity = InitialPathCapacity; capacity <= MaximumPathCapacity; capacity *= 2) {
        buffer.resize(capacity);
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (length == 0) {
            return {};
        }
        // A name that fills the buffer completely may have been cut short.
        if (length < capacity) {
            buffer.resize(length);
            return buffer;
        }
    }
    return {};
}

std::wstring ProgramFolder() {
    const std::wstring file = ProgramFilePath();
    if (file.empty()) {
        return {};
    }
    return std::filesystem::path(file).parent_path().wstring();
}

}  // namespace varnel::platform
