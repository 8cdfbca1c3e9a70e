#include "directory/NtDirectoryApi_win.h"

#include <algorithm>
#include <chrono>

#include "platform/UniqueHandle_win.h"

namespace varnel::core {
namespace {

using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(LONG status);

// GetProcAddress returns a generic function pointer; going through void*
// tells the compiler the signature change is deliberate.
template <class Function>
Function ResolveNtdll(const char* name) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(ntdll, name)));
}

class Win32DirectorySystem final : public DirectorySystem {
public:
    std::uint32_t ReadAttributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) override {
        return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? 0 : ::GetLastError();
    }

    std::uint32_t FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry, HANDLE& find) override {
        find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH);
        return find == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    }

    std::uint32_t FindNext(HANDLE find, WIN32_FIND_DATAW& entry) override {
        return ::FindNextFileW(find, &entry) ? 0 : ::GetLastError();
    }

    void CloseFind(HANDLE find) override { ::FindClose(find); }

    std::uint32_t OpenDirectory(const std::wstring& path, HANDLE& directory) override {
        directory = ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        return directory == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    }

    void CloseDirectory(HANDLE directory) override { ::CloseHandle(directory); }

    LONG QueryDirectory(HANDLE directory, NtIoStatusBlock& status, void* buffer, ULONG length,
                        ULONG informationClass, bool restartScan) override {
        if (query_ == nullptr) {
            return StatusProcedureNotFound;
        }
        return query_(directory, nullptr, nullptr, nullptr, &status, buffer, length, informationClass, FALSE,
                      nullptr, restartScan ? TRUE : FALSE);
    }

    std::uint32_t StatusToWin32Error(LONG status) override {
        return status == StatusProcedureNotFound ? ERROR_PROC_NOT_FOUND : NtStatusToWin32Error(status);
    }

    std::uint32_t ReadClusterSize(const std::wstring& path, std::uint64_t& bytes) override {
        // A volume root is never longer than the path it holds.
        std::wstring volume(path.size() + 2, L'\0');
        if (!::GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) {
            return ::GetLastError();
        }
        DWORD sectorsPerCluster = 0;
        DWORD bytesPerSector = 0;
        DWORD freeClusters = 0;
        DWORD clusters = 0;
        if (!::GetDiskFreeSpaceW(volume.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
            return ::GetLastError();
        }
        bytes = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
        return 0;
    }

    std::uint32_t ReadCompressedSize(const std::wstring& path, std::uint64_t& bytes) override {
        DWORD high = 0;
        ::SetLastError(NO_ERROR);  // a size whose low half is all ones is no failure
        const DWORD low = ::GetCompressedFileSizeW(path.c_str(), &high);
        if (const DWORD error = ::GetLastError(); low == INVALID_FILE_SIZE && error != NO_ERROR) {
            return error;
        }
        bytes = (static_cast<std::uint64_t>(high) << 32) | low;
        return 0;
    }

    void CancelBlockedCall(DWORD threadId) override {
        const platform::UniqueKernelHandle thread(::OpenThread(THREAD_TERMINATE, FALSE, threadId));
        if (thread) {
            ::CancelSynchronousIo(thread.get());
        }
    }

private:
    const NtQueryDirectoryFileFunction query_ = ResolveNtQueryDirectoryFile();
};

}  // namespace

NtQueryDirectoryFileFunction ResolveNtQueryDirectoryFile() {
    return ResolveNtdll<NtQueryDirectoryFileFunction>("NtQueryDirectoryFile");
}

std::uint32_t NtStatusToWin32Error(LONG status) {
    const auto convert = ResolveNtdll<RtlNtStatusToDosErrorFunction>("RtlNtStatusToDosError");
    if (convert == nullptr) {
        return ERROR_ACCESS_DENIED;
    }
    return convert(status);
}

DirectorySystem& SystemDirectories() {
    static Win32DirectorySystem system;
    return system;
}

BlockedCallCanceller::BlockedCallCanceller(DirectorySystem& system, const ScanCancellationToken& token)
    : system_(system), token_(token), watcher_([this] { Watch(); }) {}

BlockedCallCanceller::~BlockedCallCanceller() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    watcher_.join();
}

void BlockedCallCanceller::Watch() {
    // The token is a bare flag that wakes nobody, so it is looked at a few
    // times a second. A cancel can also land just before a thread enters its
    // call, which is why the cancelling repeats until the scan ends.
    constexpr auto CheckPeriod = std::chrono::milliseconds(50);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        stopped_.wait_for(lock, CheckPeriod, [this] { return stopping_; });
        if (!stopping_ && token_.IsCancelled()) {
            for (const DWORD thread : threads_) {
                system_.CancelBlockedCall(thread);
            }
        }
    }
}

BlockedCallCanceller::Registration::Registration(BlockedCallCanceller& canceller)
    : canceller_(canceller), threadId_(::GetCurrentThreadId()) {
    std::lock_guard lock(canceller_.mutex_);
    canceller_.threads_.push_back(threadId_);
}

BlockedCallCanceller::Registration::~Registration() {
    std::lock_guard lock(canceller_.mutex_);
    std::erase(canceller_.threads_, threadId_);
}

}  // namespace varnel::core
