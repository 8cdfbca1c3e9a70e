#include "model/FolderSnapshot.h"

#include <utility>

#include "base/PathRules.h"
#include "model/SavedEncoding.h"
#include "model/SavedScan.h"
#include "model/SavedScanFormat.h"

namespace varnel::core {

using saved::ByteCursor;
using saved::ByteWriter;

std::wstring FolderSnapshot::PathOf(std::size_t folder) const {
    std::vector<std::size_t> chain;
    std::size_t top = folder;
    while (!folders[top].hasOwnPath && folders[top].parent != NoFolder) {
        chain.push_back(top);
        top = folders[top].parent;
    }
    std::wstring path(NameOf(top));
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const std::wstring_view name = NameOf(*it);
        if (name.empty()) {
            continue;
        }
        if (!path.empty() && !IsPathSeparator(path.back())) {
            path.push_back(L'\\');
        }
        path.append(name);
    }
    return path;
}

FolderSnapshot MakeFolderSnapshot(const ScanResult& result, std::int64_t takenAt) {
    FolderSnapshot snapshot;
    snapshot.rootPath = result.rootPath;
    snapshot.takenAt = takenAt;
    std::vector<std::uint32_t> folderOf(static_cast<std::size_t>(result.nodes.size()), FolderSnapshot::NoFolder);
    for (const NodeView node : result.nodes) {
        if (!node.IsDirectory()) {
            continue;
        }
        FolderSnapshot::Folder folder;
        if (node.Parent() != NoIndex) {
            folder.parent = folderOf[static_cast<std::size_t>(node.Parent())];
        }
        const std::wstring_view name = node.OwnPath().empty() ? node.Name() : node.OwnPath();
        folder.hasOwnPath = !node.OwnPath().empty();
        folder.nameStart = snapshot.names.size();
        folder.nameLength = name.size();
        snapshot.names.append(name);
        folder.totalSize = node.TotalSize();
        folder.totalSizeOnDisk = node.TotalSizeOnDisk();
        folder.fileCount = node.FileCount();
        folder.folderCount = node.FolderCount();
        folderOf[static_cast<std::size_t>(node.Index())] = static_cast<std::uint32_t>(snapshot.folders.size());
        snapshot.folders.push_back(folder);
        snapshot.nodeOf.push_back(node.Index());
    }
    return snapshot;
}

std::string WriteFolderSnapshot(const FolderSnapshot& snapshot) {
    ByteWriter out;
    out.Bytes().reserve(saved::HeaderSize + snapshot.folders.size() * 40);
    out.Bytes().assign(saved::HeaderSize, '\0');
    out.Zigzag(snapshot.takenAt);
    out.Text(snapshot.rootPath);
    out.Varint(snapshot.folders.size());
    for (std::size_t i = 0; i < snapshot.folders.size(); ++i) {
        const FolderSnapshot::Folder& folder = snapshot.folders[i];
        out.U8(folder.hasOwnPath ? saved::FolderHasOwnPath : 0);
        out.Varint(folder.parent == FolderSnapshot::NoFolder ? saved::NoParentCode : i + 1 - folder.parent);
        out.Text(snapshot.NameOf(i));
        out.Varint(folder.totalSize);
        out.Varint(folder.totalSizeOnDisk);
        out.Varint(folder.fileCount);
        out.Varint(folder.folderCount);
    }
    saved::SealInPlace(saved::SnapshotMagic, out.Bytes());
    return std::move(out.Bytes());
}

namespace {

SavedFileError ReadSnapshotPayload(std::span<const std::byte> payload, FolderSnapshot& snapshot) {
    ByteCursor in(payload);
    snapshot.takenAt = in.Zigzag();
    const std::string_view root = in.TextBytes();
    if (!in.Ok()) {
        return SavedFileError::Malformed;
    }
    if (!saved::DecodeText(root, snapshot.rootPath)) {
        return SavedFileError::BadText;
    }
    const std::uint64_t count = in.Varint();
    if (!in.Ok() || count > in.Left() / saved::MinFolderRecordBytes || count >= FolderSnapshot::NoFolder) {
        return SavedFileError::Malformed;
    }
    snapshot.folders.resize(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        FolderSnapshot::Folder& folder = snapshot.folders[static_cast<std::size_t>(i)];
        const std::uint8_t flags = in.U8();
        const std::uint64_t parentCode = in.Varint();
        const std::string_view name = in.TextBytes();
        folder.totalSize = in.Varint();
        folder.totalSizeOnDisk = in.Varint();
        folder.fileCount = in.Varint();
        folder.folderCount = in.Varint();
        if (!in.Ok() || (flags & ~saved::KnownFolderFlags) != 0) {
            return SavedFileError::Malformed;
        }
        if (parentCode == 1) {
            return SavedFileError::SelfParent;
        }
        if (parentCode > i + 1) {
            return SavedFileError::BadParent;
        }
        folder.parent = parentCode == saved::NoParentCode ? FolderSnapshot::NoFolder
                                                          : static_cast<std::uint32_t>(i + 1 - parentCode);
        folder.hasOwnPath = (flags & saved::FolderHasOwnPath) != 0;
        folder.nameStart = snapshot.names.size();
        if (!saved::DecodeText(name, snapshot.names)) {
            return SavedFileError::BadText;
        }
        folder.nameLength = snapshot.names.size() - folder.nameStart;
    }
    return in.Left() == 0 ? SavedFileError::None : SavedFileError::Malformed;
}

}  // namespace

FolderSnapshotRead ReadFolderSnapshot(std::span<const std::byte> file) {
    FolderSnapshotRead read;
    if (LooksLikeSavedScan(file)) {
        SavedScanRead scan = ReadSavedScan(file);
        read.error = scan.error;
        if (scan.error == SavedFileError::None) {
            read.snapshot = MakeFolderSnapshot(scan.result, scan.savedAt);
            read.snapshot.nodeOf.clear();
        }
        return read;
    }
    std::span<const std::byte> payload;
    read.error = saved::OpenPayload(file, saved::SnapshotMagic, payload);
    if (read.error != SavedFileError::None) {
        return read;
    }
    FolderSnapshot snapshot;
    read.error = ReadSnapshotPayload(payload, snapshot);
    if (read.error == SavedFileError::None) {
        read.snapshot = std::move(snapshot);
    }
    return read;
}

}  // namespace varnel::core
