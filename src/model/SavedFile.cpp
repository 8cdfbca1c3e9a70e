#include "model/SavedFile.h"

#include <cstring>

#include "model/SavedEncoding.h"
#include "model/SavedScanFormat.h"

namespace varnel::core {

const char* SavedFileErrorKey(SavedFileError error) noexcept {
    switch (error) {
        case SavedFileError::None: return "status.saved.ok";
        case SavedFileError::Truncated: return "status.saved.truncated";
        case SavedFileError::WrongMagic: return "status.saved.wrong_magic";
        case SavedFileError::NewerVersion: return "status.saved.newer_version";
        case SavedFileError::ChecksumMismatch: return "status.saved.checksum";
        case SavedFileError::Malformed: return "status.saved.malformed";
        case SavedFileError::NameOutOfRange: return "status.saved.name_range";
        case SavedFileError::SelfParent: return "status.saved.self_parent";
        case SavedFileError::BadParent: return "status.saved.bad_parent";
        case SavedFileError::BadText: return "status.saved.bad_text";
        case SavedFileError::ReadFailed: return "status.saved.read_failed";
        case SavedFileError::WriteFailed: return "status.saved.write_failed";
    }
    return "status.saved.malformed";
}

const wchar_t* SavedFileErrorText(SavedFileError error) noexcept {
    switch (error) {
        case SavedFileError::None: return L"The file was read.";
        case SavedFileError::Truncated: return L"The file is incomplete: it ends before its contents do.";
        case SavedFileError::WrongMagic: return L"This is not a Varnel scan file.";
        case SavedFileError::NewerVersion:
            return L"The file was saved by a newer version of Varnel and cannot be read by this one.";
        case SavedFileError::ChecksumMismatch: return L"The file is damaged: its checksum does not match.";
        case SavedFileError::Malformed: return L"The file is damaged: it holds values no scan file has.";
        case SavedFileError::NameOutOfRange: return L"The file is damaged: an item refers to a name it does not hold.";
        case SavedFileError::SelfParent: return L"The file is damaged: a folder is listed as its own parent.";
        case SavedFileError::BadParent: return L"The file is damaged: an item's parent is missing or not a folder.";
        case SavedFileError::BadText: return L"The file is damaged: a name is not valid text.";
        case SavedFileError::ReadFailed: return L"The file could not be read.";
        case SavedFileError::WriteFailed: return L"The file could not be written.";
    }
    return L"The file is damaged.";
}

namespace saved {

std::string WrapPayload(std::string_view magic, std::string_view payload) {
    std::string file(HeaderSize, '\0');
    file.append(payload);
    SealInPlace(magic, file);
    return file;
}

void SealInPlace(std::string_view magic, std::string& file) {
    const std::span<const char> payload = std::span<const char>(file).subspan(HeaderSize);
    ByteWriter header;
    header.Raw(magic.substr(0, MagicSize));
    header.U32(CurrentVersion);
    header.U32(0);
    header.U64(payload.size());
    header.U64(Checksum(std::as_bytes(payload)));
    file.replace(0, HeaderSize, header.Bytes());
}

bool HasMagic(std::span<const std::byte> file, std::string_view magic) noexcept {
    return file.size() >= MagicSize && magic.size() >= MagicSize &&
           std::memcmp(file.data(), magic.data(), MagicSize) == 0;
}

SavedFileError OpenPayload(std::span<const std::byte> file, std::string_view magic,
                           std::span<const std::byte>& payload) noexcept {
    if (file.size() < MagicSize) {
        // A few bytes of the right magic are a file cut short, anything else
        // another kind of file.
        const bool prefix = file.empty() || std::memcmp(file.data(), magic.data(), file.size()) == 0;
        return prefix ? SavedFileError::Truncated : SavedFileError::WrongMagic;
    }
    if (!HasMagic(file, magic)) {
        return SavedFileError::WrongMagic;
    }
    ByteCursor cursor(file);
    (void)cursor.Bytes(MagicSize);
    const std::string_view fixed = cursor.Bytes(HeaderSize - MagicSize);
    if (!cursor.Ok()) {
        return SavedFileError::Truncated;
    }
    const auto field = [&fixed](std::size_t offset, std::size_t bytes) {
        std::uint64_t value = 0;
        for (std::size_t i = bytes; i-- > 0;) {
            value = (value << 8) | static_cast<std::uint8_t>(fixed[offset - MagicSize + i]);
        }
        return value;
    };
    const std::uint64_t version = field(VersionOffset, 4);
    if (version > CurrentVersion) {
        return SavedFileError::NewerVersion;
    }
    if (version == 0 || field(ReservedOffset, 4) != 0) {
        return SavedFileError::Malformed;
    }
    const std::uint64_t size = field(PayloadSizeOffset, 8);
    if (size > cursor.Left()) {
        return SavedFileError::Truncated;
    }
    if (size < cursor.Left()) {
        return SavedFileError::Malformed;  // bytes after the payload
    }
    const std::span<const std::byte> body = file.subspan(HeaderSize);
    if (Checksum(body) != field(ChecksumOffset, 8)) {
        return SavedFileError::ChecksumMismatch;
    }
    payload = body;
    return SavedFileError::None;
}

}  // namespace saved
}  // namespace varnel::core
