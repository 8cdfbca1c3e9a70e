#include "platform/FileReplacement_win.h"

#include <algorithm>

namespace varnel::platform {

FileReplacement::FileReplacement(std::wstring target, std::wstring_view temporarySuffix)
    : target_(std::move(target)), temporary_(target_ + std::wstring(temporarySuffix)) {}

FileReplacement::~FileReplacement() {
    file_.reset();
    if (!committed_) {
        ::DeleteFileW(temporary_.c_str());
    }
}

bool FileReplacement::Fail() noexcept {
    if (error_ == 0) {
        error_ = ::GetLastError();
        if (error_ == 0) {
            error_ = ERROR_WRITE_FAULT;
        }
    }
    return false;
}

bool FileReplacement::Open() {
    file_.reset(::CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    return file_ ? true : Fail();
}

bool FileReplacement::Write(std::string_view bytes) {
    if (!file_ || error_ != 0) {
        return false;
    }
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            return Fail();
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool FileReplacement::Commit() {
    if (!file_ || error_ != 0) {
        return false;
    }
    if (!::FlushFileBuffers(file_.get())) {
        return Fail();
    }
    file_.reset();
    if (!::MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Fail();
    }
    committed_ = true;
    return true;
}

}  // namespace varnel::platform
