#pragma once
// The fastest engine: reads the NTFS master file table of a volume straight
// from the volume device and builds the tree from it. Needs administrator
// rights and an NTFS volume with a drive letter (or one mounted in a folder).
// No Windows headers here, so the scheduler's users need none.

#include <cstdint>
#include <string>

#include "model/ScanModel.h"

namespace varnel::core {

class NtfsMftScanEngine final : public IScanEngine {
public:
    // threadsPerDrive 0: parse on up to 8 threads (the hardware's count);
    // otherwise on up to that many, at most 64.
    explicit NtfsMftScanEngine(std::uint64_t threadsPerDrive = 0);

    // Failed (with one fixed English message and no tree) when the volume
    // cannot be opened, queried, resolved or read; the scheduler then falls
    // back to the native directory engine.
    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override;

private:
    std::uint64_t threadsPerDrive_;
};

}  // namespace varnel::core
