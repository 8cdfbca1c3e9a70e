// Saved scans and snapshots are files a user may pick from anywhere: no
// bytes may crash the readers, and what they accept must write out and read
// back the same. The first byte picks the reader; the rest is a payload
// given a valid header and checksum, so the fuzzer reaches the records
// instead of stopping at the checksum (byte 2 leaves the header as found).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "model/FolderSnapshot.h"
#include "model/SavedScan.h"
#include "model/SavedScanFormat.h"

namespace {

using namespace varnel::core;

std::span<const std::byte> Bytes(const std::string& file) {
    return std::as_bytes(std::span<const char>(file.data(), file.size()));
}

void CheckScan(const std::string& file) {
    SavedScanRead read = ReadSavedScan(Bytes(file));
    if (read.error != SavedFileError::None) {
        if (!read.result.nodes.empty()) std::abort();
        return;
    }
    const std::string written = WriteSavedScan(read.result, read.savedAt);
    const SavedScanRead again = ReadSavedScan(Bytes(written));
    if (again.error != SavedFileError::None || WriteSavedScan(again.result, again.savedAt) != written) {
        std::abort();
    }
}

void CheckSnapshot(const std::string& file) {
    const FolderSnapshotRead read = ReadFolderSnapshot(Bytes(file));
    if (read.error != SavedFileError::None) {
        return;
    }
    const std::string written = WriteFolderSnapshot(read.snapshot);
    const FolderSnapshotRead again = ReadFolderSnapshot(Bytes(written));
    if (again.error != SavedFileError::None || WriteFolderSnapshot(again.snapshot) != written) {
        std::abort();
    }
    for (std::size_t i = 0; i < read.snapshot.folders.size() && i < 64; ++i) {
        (void)read.snapshot.PathOf(i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0: CheckScan(saved::WrapPayload(saved::ScanMagic, rest)); break;
        case 1: CheckSnapshot(saved::WrapPayload(saved::SnapshotMagic, rest)); break;
        default:
            CheckScan(std::string(rest));
            CheckSnapshot(std::string(rest));
    }
    return 0;
}
