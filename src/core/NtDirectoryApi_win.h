#pragma once
// The native directory query of ntdll.dll, resolved at run time: it is not in
// the import libraries every toolchain ships, and its absence must become a
// scan error, not a failure to start the program.

#include <windows.h>

#include <cstdint>

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

// Null when ntdll.dll or the function cannot be found.
NtQueryDirectoryFileFunction ResolveNtQueryDirectoryFile();

// The Win32 error code for a failure status, through RtlNtStatusToDosError
// looked up at the moment of use; 5 (access denied) when it cannot be found.
std::uint32_t NtStatusToWin32Error(LONG status);

}  // namespace varnel::core
