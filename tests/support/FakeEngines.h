#pragma once
// Engines for tests that need a scan to fail, throw, wait or give a fixed
// tree, and the factory that hands one out for every root.

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "model/ScanModel.h"
#include "scan/ScanScheduler.h"

namespace varnel::testing {

using ScanFunction =
    std::function<core::ScanResult(const std::wstring& path, core::ScanCancellationToken&, const core::ScanProgressCallback&)>;

// An engine whose every scan is `scan`.
class FunctionEngine final : public core::IScanEngine {
public:
    explicit FunctionEngine(ScanFunction scan) : scan_(std::move(scan)) {}
    core::ScanResult Scan(const std::wstring& path, core::ScanCancellationToken& token,
                          const core::ScanProgressCallback& progress) override {
        return scan_(path, token, progress);
    }

private:
    ScanFunction scan_;
};

// No root is a volume root and nobody is an administrator, so every root
// goes to the engine `make` creates, whichever engine the scheduler asks for.
inline core::ScanEngineFactory EveryRootTo(std::function<std::unique_ptr<core::IScanEngine>()> make) {
    core::ScanEngineFactory f;
    f.isVolumeRoot = [](const std::wstring&) { return false; };
    f.isRunningAsAdministrator = [] { return false; };
    f.isMftScanAvailable = [](const std::wstring&) { return false; };
    f.createMftEngine = [make](std::uint64_t) { return make(); };
    f.createNtQueryEngine = [make](std::uint64_t) { return make(); };
    f.createWalkEngine = [make] { return make(); };
    return f;
}

inline core::ScanEngineFactory EveryRootTo(ScanFunction scan) {
    return EveryRootTo([scan] { return std::make_unique<FunctionEngine>(scan); });
}

}  // namespace varnel::testing
