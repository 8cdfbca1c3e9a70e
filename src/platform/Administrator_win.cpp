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
