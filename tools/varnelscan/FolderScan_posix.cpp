#include "FolderScan.h"

namespace varnel::tools {

// Folder scans need the Windows file API; the native build serves tests.
std::optional<core::ScanResult> ScanFolders(const ScanCommand&, core::ScanCancellationToken&,
                                            const core::ScanProgressCallback&, std::wstring& unavailable) {
    unavailable = L"folder scans need the Windows build of varnelscan";
    return std::nullopt;
}

}  // namespace varnel::tools
