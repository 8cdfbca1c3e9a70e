#pragma once
// File names on POSIX systems are bytes, usually but not always UTF-8, and
// the tree holds wide text. A byte that is not part of a valid UTF-8
// sequence becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF), as
// Python's "surrogateescape" does: valid UTF-8 never yields those, so the
// bytes come back exactly and the folder can be opened again by its name.
// Reports write each such surrogate as U+FFFD.

#include <string>
#include <string_view>

namespace varnel::core {

void AppendDecodedFileName(std::string_view bytes, std::wstring& out);
std::string EncodeFileName(std::wstring_view name);

}  // namespace varnel::core
