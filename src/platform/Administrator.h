#pragma once

namespace varnel::platform {

// True when the process's effective token is in the built-in Administrators
// group; under user account control only an elevated process is. Asked
// afresh at each call, never cached. Any failure answers false.
bool IsRunningAsAdministrator();

}  // namespace varnel::platform

namespace varnel::platform {

// What elevation buys a scan: enables the backup privilege of the process
// token when it holds it (administrators do), so that folders opened with
// backup intent are listed whatever their ACL says. True when the privilege
// is enabled now; a standard user gets false and nothing changes.
bool EnableBackupPrivilege();

}  // namespace varnel::platform
