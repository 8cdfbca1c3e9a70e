#pragma once

namespace varnel::platform {

// True when the process's effective token is in the built-in Administrators
// group; under user account control only an elevated process is. Asked
// afresh at each call, never cached. Any failure answers false.
bool IsRunningAsAdministrator();

}  // namespace varnel::platform
