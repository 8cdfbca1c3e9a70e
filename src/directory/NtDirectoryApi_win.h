#pragma once
// The file-system calls both directory engines make, behind one interface so
// that tests can present what Wine cannot: cloud placeholders, refused
// information classes, paths the plain Win32 form cannot reach, shares that
// never answer. The native directory query of ntdll.dll is resolved at run
// time: it is not in the import libraries every toolchain ships, and its
// absence must become a scan error, not a failure to start the program.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::core {

// The I/O status block: a status (or pointer) and the byte count returned.
struct NtIoStatusBlock {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
static_assert(sizeof(NtIoStatusBlock) == 16);

using NtQueryDirectoryFileFunction = LONG(NTAPI*)(HANDLE fileHandle, HANDLE event, void* apcRoutine,
                                                  void* apcContext, NtIoStatusBlock* ioStatusBlock,
                                                  void* fileInformation, ULONG length,
                                                  ULONG fileInformationClass, BOOLEAN returnSingleEntry,
                                                  void* fileName, BOOLEAN restartScan);

inline constexpr LONG StatusNoMoreFiles = static_cast<LONG>(0x80000006);
inline constexpr LONG StatusNoSuchFile = static_cast<LONG>(0xC000000F);
inline constexpr LONG StatusInvalidInfoClass = static_cast<LONG>(0xC0000003);
inline constexpr LONG StatusNotSupported = static_cast<LONG>(0xC00000BB);
inline constexpr LONG StatusProcedureNotFound = static_cast<LONG>(0xC000007A);

// Null when ntdll.dll or the function cannot be found.
NtQueryDirectoryFileFunction ResolveNtQueryDirectoryFile();

// The Win32 error code for a failure status, through RtlNtStatusToDosError
// looked up at the moment of use; 5 (access denied) when it cannot be found.
std::uint32_t NtStatusToWin32Error(LONG status);

// Every call takes paths in the form it hands to the system (the engines pass
// "\\?\" forms) and reports failures as Win32 error codes, read right at the
// failing call. Calls may come from several threads at once.
class DirectorySystem {
public:
    virtual ~DirectorySystem() = default;

    // GetFileAttributesExW: 0, or the error.
    virtual std::uint32_t ReadAttributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) = 0;

    // FindFirstFileExW (basic information, large fetch): 0 with the listing
    // in `find` and its first entry, or the error.
    virtual std::uint32_t FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& entry, HANDLE& find) = 0;
    // FindNextFileW: 0, ERROR_NO_MORE_FILES at the end, or another error.
    virtual std::uint32_t FindNext(HANDLE find, WIN32_FIND_DATAW& entry) = 0;
    virtual void CloseFind(HANDLE find) = 0;

    // CreateFileW for listing only, with backup semantics, which (with the
    // backup privilege enabled) also passes folders whose ACL refuses us.
    virtual std::uint32_t OpenDirectory(const std::wstring& path, HANDLE& directory) = 0;
    virtual void CloseDirectory(HANDLE directory) = 0;
    // NtQueryDirectoryFile, synchronous, several entries per call.
    virtual LONG QueryDirectory(HANDLE directory, NtIoStatusBlock& status, void* buffer, ULONG length,
                                ULONG informationClass, bool restartScan) = 0;
    virtual std::uint32_t StatusToWin32Error(LONG status) = 0;

    // The cluster size of the volume holding `path` (GetVolumePathNameW,
    // then GetDiskFreeSpaceW on that volume's root): 0, or the error.
    virtual std::uint32_t ReadClusterSize(const std::wstring& path, std::uint64_t& bytes) = 0;
    // GetCompressedFileSizeW: what the data of a compressed, sparse or cloud
    // file really takes. Reads the file's metadata only, so a placeholder is
    // never downloaded. 0, or the error.
    virtual std::uint32_t ReadCompressedSize(const std::wstring& path, std::uint64_t& bytes) = 0;

    // Makes a directory call the thread is blocked in return (with
    // ERROR_OPERATION_ABORTED); harmless when it is not in one.
    virtual void CancelBlockedCall(DWORD threadId) = 0;
};

// The real system, shared by every engine.
DirectorySystem& SystemDirectories();

// Owns a listing opened through a DirectorySystem: closed exactly once.
class SystemListing {
public:
    using Close = void (DirectorySystem::*)(HANDLE);
    SystemListing(DirectorySystem& system, Close close) noexcept : system_(system), close_(close) {}
    SystemListing(const SystemListing&) = delete;
    SystemListing& operator=(const SystemListing&) = delete;
    ~SystemListing() {
        if (handle_ != INVALID_HANDLE_VALUE) (system_.*close_)(handle_);
    }
    HANDLE& put() noexcept { return handle_; }
    HANDLE get() const noexcept { return handle_; }

private:
    DirectorySystem& system_;
    Close close_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A scan on a network share can block a thread in one directory call for
// minutes. While it lives, a watcher thread checks the token and, once it is
// set, keeps cancelling the blocked calls of every thread registered here
// until they leave, so Cancel and closing the window take effect at once.
class BlockedCallCanceller {
public:
    // Throws std::system_error when the watcher thread cannot be started.
    BlockedCallCanceller(DirectorySystem& system, const ScanCancellationToken& token);
    BlockedCallCanceller(const BlockedCallCanceller&) = delete;
    BlockedCallCanceller& operator=(const BlockedCallCanceller&) = delete;
    ~BlockedCallCanceller();

    // Registers the calling thread for as long as it lives.
    class Registration {
    public:
        explicit Registration(BlockedCallCanceller& canceller);
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        ~Registration();

    private:
        BlockedCallCanceller& canceller_;
        DWORD threadId_;
    };

private:
    void Watch();

    DirectorySystem& system_;
    const ScanCancellationToken& token_;
    std::mutex mutex_;                  // guards threads_ and stopping_
    std::condition_variable stopped_;
    std::vector<DWORD> threads_;        // registered threads that may block
    bool stopping_ = false;             // set by the destructor
    std::thread watcher_;
};

}  // namespace varnel::core
