#include "core/NtDirectoryApi_win.h"

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

}  // namespace varnel::core
