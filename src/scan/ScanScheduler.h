#pragma once
// The one entry point through which the application scans: picks the engine
// for each root, falls back from the master-file-table engine to the native
// directory engine, and merges several roots under one synthetic folder.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/ScanModel.h"
#include "scan/EngineChoice.h"

namespace varnel::core {


// What the automatic choice asks of the system and the engines it creates.
// The system's own set comes from SystemScanEngines(); tests pass their own.
struct ScanEngineFactory {
    std::function<bool(const std::wstring& path)> isVolumeRoot;
    std::function<bool()> isRunningAsAdministrator;
    std::function<bool(const std::wstring& path)> isMftScanAvailable;
    std::function<std::unique_ptr<IScanEngine>(std::uint64_t threadsPerDrive)> createMftEngine;
    std::function<std::unique_ptr<IScanEngine>(std::uint64_t threadsPerDrive)> createNtQueryEngine;
    std::function<std::unique_ptr<IScanEngine>()> createWalkEngine;
    // The form each root is scanned under (see NormalizeScanRootSyntax); the
    // system's own also makes relative roots absolute. Null: syntax only.
    std::function<std::wstring(const std::wstring& path)> normalizeRoot;
};

#ifdef _WIN32
ScanEngineFactory SystemScanEngines();
#endif

class ScanScheduler {
public:
    ScanScheduler(EngineChoice engineChoice, std::uint64_t threadsPerDrive, ScanEngineFactory engines);
#ifdef _WIN32
    ScanScheduler(EngineChoice engineChoice, std::uint64_t threadsPerDrive);
#endif

    // One path whose display name equals it is scanned as itself; anything
    // else goes under a synthetic node 0 named `displayName`. Roots are
    // normalised, then scanned one after another on the calling thread. A
    // root that fails (or runs out of memory) is named in `rootFailures` and
    // `message`, and the roots scanned before and after it are kept; when
    // every root fails, so does the scan.
    ScanResult Scan(const std::vector<std::wstring>& paths, const std::wstring& displayName,
                    ScanCancellationToken& token, const ScanProgressCallback& progress);

private:
    std::wstring NormalizeRoot(const std::wstring& path) const;
    ScanResult ScanOneRoot(const std::wstring& path, ScanCancellationToken& token,
                           const ScanProgressCallback& progress);
    ScanResult ScanOneRootWithEngine(const std::wstring& path, ScanCancellationToken& token,
                                     const ScanProgressCallback& progress);

    ScanEngineFactory engines_;
    std::unique_ptr<IScanEngine> engineOverride_;  // when set, every root goes to it
    std::uint64_t threadsPerDrive_;                // 0: each engine's own default
};

// Moves a root's nodes and errors to the end of `merged`, re-basing indices
// by a constant offset and hanging the root under node 0. A result without a
// usable root (a failed scan) adds nothing. If memory runs out, or the
// nodes would pass what one tree can index, `merged` keeps its nodes as they
// were and the exception passes on. Totals and children are left to the end
// of the merge.
void MergeRootResult(ScanResult& merged, ScanResult&& root);

}  // namespace varnel::core
