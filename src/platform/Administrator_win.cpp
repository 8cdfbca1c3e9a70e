#include <windows.h>

#include "platform/Administrator.h"
#include "platform/UniqueHandle_win.h"

namespace varnel::platform {

bool IsRunningAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                    DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    administrators.put())) {
        return false;
    }
    BOOL isMember = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators.get(), &isMember)) {
        return false;
    }
    return isMember != FALSE;
}

}  // namespace varnel::platform

namespace varnel::platform {

bool EnableBackupPrivilege() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid)) {
        return false;
    }
    // Succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks the privilege.
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) {
        return false;
    }
    return ::GetLastError() == ERROR_SUCCESS;
}

}  // namespace varnel::platform
