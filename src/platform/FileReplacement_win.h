#pragma once
// Replacing a file whole or not at all: the new bytes go to a temporary file
// beside the target, are pushed to the disk, and then take the target's
// place in one rename on the same volume. A crash, a full disk or a cancel
// while writing leaves the previous file as it was, and no temporary file
// stays behind. Used by the settings store and by File › Export.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/UniqueHandle_win.h"

namespace varnel::platform {

class FileReplacement {
public:
    // Nothing is created until Open.
    FileReplacement(std::wstring target, std::wstring_view temporarySuffix);
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    // Deletes the temporary file unless Commit put it in place.
    ~FileReplacement();

    // Creates the temporary file, shared with no one: a second writer of the
    // same target fails here instead of interleaving its bytes with ours,
    // and its clean-up cannot delete a file we hold open.
    bool Open();
    // Every byte or false.
    bool Write(std::string_view bytes);
    // Flushes the bytes to the disk, closes the file and renames it over
    // the target. False, with the target untouched, when any step fails.
    bool Commit();

    // The system's error code of the first step that failed; 0 when none did.
    DWORD Error() const noexcept { return error_; }

private:
    bool Fail() noexcept;

    std::wstring target_;
    std::wstring temporary_;
    UniqueFile file_;
    DWORD error_ = 0;
    bool committed_ = false;
};

}  // namespace varnel::platform
