#include "EngineFactory.h"

namespace varnel::tools {

// Folder scans need the Windows file API; the native build serves tests.
std::unique_ptr<core::IScanEngine> CreateEngine(const ScanCommand&, std::wstring& unavailable) {
    unavailable = L"folder scans need the Windows build of varnelscan";
    return nullptr;
}

}  // namespace varnel::tools
