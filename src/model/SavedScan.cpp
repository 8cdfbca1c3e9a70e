#include "model/SavedScan.h"

#include <utility>
#include <vector>

#include "model/NameIndex.h"
#include "model/SavedEncoding.h"
#include "model/SavedScanFormat.h"

namespace varnel::core {

using saved::ByteCursor;
using saved::ByteWriter;

namespace {

void WriteResultRecord(ByteWriter& out, const ScanResult& result, std::int64_t savedAt) {
    out.Zigzag(savedAt);
    out.U8(static_cast<std::uint8_t>(result.status));
    out.U8(static_cast<std::uint8_t>(result.engine));
    out.Varint(result.fileCount);
    out.Varint(result.folderCount);
    out.Varint(result.errorCount);
    out.Zigzag(result.elapsedMs);
    out.Varint(result.rootIndex == NoIndex ? 0 : result.rootIndex + 1);
    out.Text(result.rootPath);
    out.Text(result.message);
    out.Varint(result.rootFailures.size());
    for (const ScanRootFailure& failure : result.rootFailures) {
        out.Text(failure.path);
        out.Varint(failure.reasonKey.size());
        out.Raw(failure.reasonKey);
        out.Text(failure.reason);
    }
    out.Varint(result.errors.size());
    for (const ScanError& error : result.errors) {
        out.Text(error.path);
        out.Varint(error.code);
    }
}

// Each distinct name once, in the order first met; returns each node's
// place in that table.
std::vector<std::uint32_t> WriteNameTable(ByteWriter& out, const ScanTree& nodes) {
    std::vector<std::uint64_t> firstNodeOf;  // name place -> the node that brought it
    const auto keyOf = [&](std::uint32_t place) {
        return std::pair<std::uint32_t, std::wstring_view>(0, nodes[firstNodeOf[place]].Name());
    };
    NameIndex<decltype(keyOf)> places(static_cast<std::size_t>(nodes.size()), keyOf);
    std::vector<std::uint32_t> placeOf(static_cast<std::size_t>(nodes.size()));
    std::vector<std::uint64_t> lengths;
    std::string blob;
    for (const NodeView node : nodes) {
        const auto next = static_cast<std::uint32_t>(firstNodeOf.size());
        const std::uint32_t place = places.FindOrAdd(0, node.Name(), next);
        if (place == next) {
            firstNodeOf.push_back(node.Index());
            const std::size_t before = blob.size();
            saved::AppendText(blob, node.Name());
            lengths.push_back(blob.size() - before);
        }
        placeOf[static_cast<std::size_t>(node.Index())] = place;
    }
    out.Varint(lengths.size());
    out.Varint(blob.size());
    for (const std::uint64_t length : lengths) {
        out.Varint(length);
    }
    out.Raw(blob);
    return placeOf;
}

void WriteNodes(ByteWriter& out, const ScanTree& nodes, const std::vector<std::uint32_t>& namePlaces) {
    out.Varint(nodes.size());
    std::uint64_t previousTime = 0;
    for (const NodeView node : nodes) {
        const bool ownPath = !node.OwnPath().empty();
        out.U8(static_cast<std::uint8_t>((node.IsDirectory() ? saved::NodeIsFolder : 0) |
                                         (ownPath ? saved::NodeHasOwnPath : 0)));
        out.Varint(node.Parent() == NoIndex ? saved::NoParentCode : node.Index() + 1 - node.Parent());
        out.Varint(namePlaces[static_cast<std::size_t>(node.Index())]);
        out.Varint(node.Attributes());
        out.Zigzag(static_cast<std::int64_t>(node.LastWriteTime() - previousTime));
        previousTime = node.LastWriteTime();
        if (!node.IsDirectory()) {
            out.Varint(node.Size());
            out.Varint(node.SizeOnDisk());
        }
        if (ownPath) {
            out.Text(node.OwnPath());
        }
    }
}

class PayloadReader {
public:
    explicit PayloadReader(std::span<const std::byte> payload) : in_(payload) {}

    SavedFileError Read(ScanResult& result, std::int64_t& savedAt) {
        savedAt = in_.Zigzag();
        if (!ReadResultRecord(result) || !ReadNames()) {
            return Failure();
        }
        if (!ReadNodes(result.nodes)) {
            return Failure();
        }
        if (result.rootIndex != NoIndex && result.rootIndex >= result.nodes.size()) {
            return SavedFileError::Malformed;
        }
        if (in_.Left() != 0) {
            return SavedFileError::Malformed;
        }
        result.nodes.ComputeTotals();
        result.nodes.IndexChildren();
        return SavedFileError::None;
    }

private:
    SavedFileError Failure() const { return error_ != SavedFileError::None ? error_ : SavedFileError::Malformed; }

    bool Fail(SavedFileError error) {
        error_ = error;
        return false;
    }

    bool Text(std::wstring& out) {
        const std::string_view bytes = in_.TextBytes();
        return in_.Ok() && (saved::DecodeText(bytes, out) || Fail(SavedFileError::BadText));
    }

    // A count of records of at least `minimum` bytes each, checked against
    // the bytes left so no count from the file reserves more than it holds.
    bool Count(std::uint64_t minimum, std::uint64_t& count) {
        count = in_.Varint();
        return in_.Ok() && count <= in_.Left() / minimum;
    }

    bool ReadResultRecord(ScanResult& result) {
        const std::uint8_t status = in_.U8();
        const std::uint8_t engine = in_.U8();
        if (status != 0 && (status < 2 || status > 4)) {
            return false;
        }
        if (engine > static_cast<std::uint8_t>(ScanEngineKind::Mixed)) {
            return false;
        }
        result.status = static_cast<ScanStatus>(status);
        result.engine = static_cast<ScanEngineKind>(engine);
        result.fileCount = in_.Varint();
        result.folderCount = in_.Varint();
        result.errorCount = in_.Varint();
        result.elapsedMs = in_.Zigzag();
        const std::uint64_t root = in_.Varint();
        result.rootIndex = root == 0 ? NoIndex : root - 1;
        if (!Text(result.rootPath) || !Text(result.message)) {
            return false;
        }
        std::uint64_t failures = 0;
        if (!Count(3, failures)) {
            return false;
        }
        result.rootFailures.resize(static_cast<std::size_t>(failures));
        for (ScanRootFailure& failure : result.rootFailures) {
            if (!Text(failure.path)) {
                return false;
            }
            failure.reasonKey = std::string(in_.TextBytes());
            if (!Text(failure.reason)) {
                return false;
            }
        }
        std::uint64_t errors = 0;
        if (!Count(2, errors)) {
            return false;
        }
        result.errors.resize(static_cast<std::size_t>(errors));
        for (ScanError& error : result.errors) {
            if (!Text(error.path)) {
                return false;
            }
            const std::uint64_t code = in_.Varint();
            if (code > 0xFFFFFFFFu) {
                return false;
            }
            error.code = static_cast<std::uint32_t>(code);
        }
        return in_.Ok();
    }

    bool ReadNames() {
        std::uint64_t count = 0;
        if (!Count(1, count)) {
            return false;
        }
        const std::uint64_t blobSize = in_.Varint();
        if (!in_.Ok() || blobSize > in_.Left()) {
            return false;
        }
        std::vector<std::uint64_t> lengths(static_cast<std::size_t>(count));
        for (std::uint64_t& length : lengths) {
            length = in_.Varint();
        }
        const std::string_view blob = in_.Bytes(blobSize);
        if (!in_.Ok()) {
            return false;
        }
        names_.reserve(static_cast<std::size_t>(blobSize));
        places_.reserve(static_cast<std::size_t>(count));
        std::uint64_t offset = 0;
        for (const std::uint64_t length : lengths) {
            if (length > blob.size() - offset) {
                return Fail(SavedFileError::NameOutOfRange);
            }
            const std::size_t start = names_.size();
            if (!saved::DecodeText(blob.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)),
                                   names_)) {
                return Fail(SavedFileError::BadText);
            }
            places_.emplace_back(start, names_.size() - start);
            offset += length;
        }
        return offset == blob.size();
    }

    bool ReadNodes(ScanTree& nodes) {
        std::uint64_t count = 0;
        if (!Count(saved::MinNodeRecordBytes, count) || count > ScanTree::MaxNodes) {
            return false;
        }
        std::uint64_t time = 0;
        std::wstring ownPath;
        for (std::uint64_t index = 0; index < count; ++index) {
            const std::uint8_t flags = in_.U8();
            const std::uint64_t parentCode = in_.Varint();
            const std::uint64_t name = in_.Varint();
            const std::uint64_t attributes = in_.Varint();
            time += static_cast<std::uint64_t>(in_.Zigzag());
            FileSizes sizes;
            const bool folder = (flags & saved::NodeIsFolder) != 0;
            if (!folder) {
                sizes.logical = in_.Varint();
                sizes.onDisk = in_.Varint();
            }
            if (!in_.Ok() || (flags & ~saved::KnownNodeFlags) != 0 || attributes > 0xFFFFFFFFu) {
                return false;
            }
            if (parentCode == 1) {
                return Fail(SavedFileError::SelfParent);
            }
            if (parentCode > index + 1) {
                return Fail(SavedFileError::BadParent);
            }
            if (name >= places_.size()) {
                return Fail(SavedFileError::NameOutOfRange);
            }
            const std::uint64_t parent = parentCode == saved::NoParentCode ? NoIndex : index + 1 - parentCode;
            const auto [start, length] = places_[static_cast<std::size_t>(name)];
            const std::uint64_t added = nodes.Append(parent, folder, std::wstring_view(names_).substr(start, length),
                                                     static_cast<std::uint32_t>(attributes), sizes, time);
            if (added == NoIndex) {
                return Fail(SavedFileError::BadParent);
            }
            if ((flags & saved::NodeHasOwnPath) != 0) {
                ownPath.clear();
                if (!Text(ownPath)) {
                    return false;
                }
                nodes.SetOwnPath(added, ownPath);
            }
        }
        return true;
    }

    ByteCursor in_;
    SavedFileError error_ = SavedFileError::None;
    std::wstring names_;  // every distinct name, decoded, one after another
    std::vector<std::pair<std::size_t, std::size_t>> places_;  // name -> start and length in names_
};

}  // namespace

std::string WriteSavedScan(const ScanResult& result, std::int64_t savedAt) {
    ByteWriter out;
    // Room for the header, and for the usual 30 to 40 bytes a node takes.
    out.Bytes().reserve(saved::HeaderSize + static_cast<std::size_t>(result.nodes.size()) * 40);
    out.Bytes().assign(saved::HeaderSize, '\0');
    WriteResultRecord(out, result, savedAt);
    const std::vector<std::uint32_t> namePlaces = WriteNameTable(out, result.nodes);
    WriteNodes(out, result.nodes, namePlaces);
    saved::SealInPlace(saved::ScanMagic, out.Bytes());
    return std::move(out.Bytes());
}

SavedScanRead ReadSavedScan(std::span<const std::byte> file) {
    SavedScanRead read;
    std::span<const std::byte> payload;
    read.error = saved::OpenPayload(file, saved::ScanMagic, payload);
    if (read.error != SavedFileError::None) {
        return read;
    }
    ScanResult result;
    read.error = PayloadReader(payload).Read(result, read.savedAt);
    if (read.error == SavedFileError::None) {
        read.result = std::move(result);
    } else {
        read.savedAt = 0;
    }
    return read;
}

bool LooksLikeSavedScan(std::span<const std::byte> file) noexcept { return saved::HasMagic(file, saved::ScanMagic); }

}  // namespace varnel::core
