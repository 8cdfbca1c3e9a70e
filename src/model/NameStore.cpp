#include "model/NameStore.h"

#include <algorithm>

namespace varnel::core {

std::uint64_t NameStore::Append(std::wstring_view name) {
    const std::size_t length = std::min(name.size(), MaxNameLength);
    if (length == 0) {
        return 0;  // read back without touching any chunk
    }
    if (ChunkSize - usedInLast_ < length) {
        chunks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(ChunkSize));
        usedInLast_ = 0;
    }
    const std::uint64_t position = ((chunks_.size() - 1) << ChunkBits) | usedInLast_;
    std::copy_n(name.data(), length, chunks_.back().get() + usedInLast_);
    usedInLast_ += length;
    return position;
}

void NameStore::ReleaseBefore(std::uint64_t position) noexcept {
    const std::size_t end = std::min<std::size_t>(position >> ChunkBits, chunks_.size());
    for (; released_ < end; ++released_) {
        chunks_[released_].reset();
    }
}

void NameStore::clear() noexcept {
    chunks_.clear();
    usedInLast_ = ChunkSize;
    released_ = 0;
}

std::size_t NameStore::MemoryBytes() const noexcept {
    return chunks_.size() * ChunkSize * sizeof(wchar_t) + chunks_.capacity() * sizeof(chunks_[0]);
}

}  // namespace varnel::core
