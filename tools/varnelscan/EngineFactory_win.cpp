#include "EngineFactory.h"

#include "core/DirectoryWalkScanEngine.h"
#include "core/NtfsMftScanEngine.h"

namespace varnel::tools {

std::unique_ptr<core::IScanEngine> CreateEngine(const ScanCommand& command, std::wstring& unavailable) {
    switch (command.engine) {
        case EngineChoice::Auto:  // the walk engine until the scheduler exists
        case EngineChoice::Walk:
            return std::make_unique<core::DirectoryWalkScanEngine>();
        case EngineChoice::NtQuery:
            unavailable = L"the ntquery engine is not available in this build";
            return nullptr;
        case EngineChoice::Mft:
            return std::make_unique<core::NtfsMftScanEngine>(command.threads);
    }
    unavailable = L"unknown engine";
    return nullptr;
}

}  // namespace varnel::tools
