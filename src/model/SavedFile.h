#pragma once
// What can be wrong with a saved scan or snapshot file, and the header that
// wraps both kinds: magic, version, payload size and checksum. Portable.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace varnel::core {

enum class SavedFileError {
    None,
    Truncated,         // shorter than its header says
    WrongMagic,        // not a Varnel file of the expected kind
    NewerVersion,      // written by a newer Varnel
    ChecksumMismatch,  // the bytes were changed after writing
    Malformed,         // a count, length or value no writer produces
    NameOutOfRange,    // a node names a name the file does not hold
    SelfParent,        // a node is its own parent
    BadParent,         // a node's parent comes after it or is a file
    BadText,           // a name or path is not valid text
    ReadFailed,        // the file could not be read
    WriteFailed,       // the file could not be written
};

// The string-table key of the error's sentence, for the window.
const char* SavedFileErrorKey(SavedFileError error) noexcept;
// The fixed English sentence, for varnelscan and tables that lack the key.
const wchar_t* SavedFileErrorText(SavedFileError error) noexcept;

namespace saved {

// Header plus payload, ready to be written out.
std::string WrapPayload(std::string_view magic, std::string_view payload);
// The same in place, for a file that starts with HeaderSize bytes of room
// followed by the payload: a saved scan is tens of megabytes, not copied again.
void SealInPlace(std::string_view magic, std::string& file);

// Checks the header of `file` (magic, version, size, checksum) and returns
// the payload in `payload`, or the first problem found, in that order: a
// file too short for its header or its payload is Truncated before its
// checksum is looked at.
SavedFileError OpenPayload(std::span<const std::byte> file, std::string_view magic,
                           std::span<const std::byte>& payload) noexcept;

// True when `file` starts with `magic`.
bool HasMagic(std::span<const std::byte> file, std::string_view magic) noexcept;

}  // namespace saved
}  // namespace varnel::core
