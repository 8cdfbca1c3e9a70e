#include "scan/SnapshotStore.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <system_error>

#include "base/Utf8.h"
#include "model/SavedEncoding.h"
#include "platform/FileBytes.h"

namespace varnel::app {

namespace {

// "<root key>-<time as 16 hex digits>.vsnap"; a name of another shape is
// not ours and is left alone.
std::optional<std::pair<std::wstring, std::int64_t>> ParseName(const std::wstring& name) {
    const std::size_t extension = std::char_traits<wchar_t>::length(SnapshotExtension);
    if (name.size() != 16 + 1 + 16 + extension || name.compare(name.size() - extension, extension, SnapshotExtension) != 0 ||
        name[16] != L'-') {
        return std::nullopt;
    }
    std::uint64_t time = 0;
    for (std::size_t i = 17; i < 33; ++i) {
        const wchar_t c = name[i];
        const int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        time = time << 4 | static_cast<std::uint64_t>(digit);
    }
    return std::pair{name.substr(0, 16), static_cast<std::int64_t>(time)};
}

std::wstring Hex(std::uint64_t value) {
    wchar_t text[17];
    std::swprintf(text, 17, L"%016llx", static_cast<unsigned long long>(value));
    return text;
}

struct Found {
    std::wstring rootKey;
    StoredSnapshot stored;
};

std::vector<Found> ListAll(const std::filesystem::path& folder) {
    std::vector<Found> all;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto parsed = ParseName(it->path().filename().wstring());
        std::error_code sizeError;
        const std::uint64_t bytes = parsed ? it->file_size(sizeError) : 0;
        if (parsed && !sizeError) {
            all.push_back({parsed->first, {it->path(), parsed->second, bytes}});
        }
    }
    return all;
}

}  // namespace

std::wstring SnapshotRootKey(const std::wstring& rootPath) {
    std::wstring folded = rootPath;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); });
    while (folded.size() > 1 && (folded.back() == L'\\' || folded.back() == L'/') && folded[folded.size() - 2] != L':') {
        folded.pop_back();
    }
    const std::string utf8 = core::WideToUtf8(folded);
    return Hex(core::saved::Checksum(std::as_bytes(std::span<const char>(utf8.data(), utf8.size()))));
}

bool SnapshotStore::Keep(const core::FolderSnapshot& snapshot) const {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    const std::wstring name = SnapshotRootKey(snapshot.rootPath) + L"-" +
                              Hex(static_cast<std::uint64_t>(std::max<std::int64_t>(snapshot.takenAt, 0))) +
                              SnapshotExtension;
    if (!platform::WriteWholeFile(folder_ / name, core::WriteFolderSnapshot(snapshot))) {
        return false;
    }
    Prune();
    return true;
}

void SnapshotStore::Prune() const {
    std::vector<Found> all = ListAll(folder_);
    std::sort(all.begin(), all.end(), [](const Found& a, const Found& b) { return a.stored.takenAt > b.stored.takenAt; });
    std::map<std::wstring, std::size_t> keptPerRoot;
    std::uint64_t keptBytes = 0;
    std::error_code ignored;
    for (const Found& found : all) {
        std::size_t& count = keptPerRoot[found.rootKey];
        if (count < limits_.perRoot && keptBytes + found.stored.bytes <= limits_.totalBytes) {
            ++count;
            keptBytes += found.stored.bytes;
        } else {
            std::filesystem::remove(found.stored.file, ignored);
        }
    }
}

std::vector<StoredSnapshot> SnapshotStore::ListFor(const std::wstring& rootPath) const {
    const std::wstring key = SnapshotRootKey(rootPath);
    std::vector<StoredSnapshot> stored;
    for (Found& found : ListAll(folder_)) {
        if (found.rootKey == key) {
            stored.push_back(std::move(found.stored));
        }
    }
    std::sort(stored.begin(), stored.end(),
              [](const StoredSnapshot& a, const StoredSnapshot& b) { return a.takenAt > b.takenAt; });
    return stored;
}

core::FolderSnapshotRead SnapshotStore::Load(const StoredSnapshot& stored) const {
    const auto bytes = platform::ReadWholeFile(stored.file);
    if (!bytes) {
        core::FolderSnapshotRead read;
        read.error = core::SavedFileError::ReadFailed;
        return read;
    }
    return core::ReadFolderSnapshot(std::as_bytes(std::span<const char>(bytes->data(), bytes->size())));
}

}  // namespace varnel::app
