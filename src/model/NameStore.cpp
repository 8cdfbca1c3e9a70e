#include "model/NameStore.h"

#include <algorithm>

namespace varnel::core {

std::uint64_t NameStore::Append(std::wstring_view name) {
    const std::size_t length = std::min(name.size(), MaxNameLength);
    if (length == 0) {
        return 0;  // read back without touching any chunk
    }
    if (ChunkSize - usedInCurrent_ < length) {
        const std::size_t place = slots_ ? static_cast<std::size_t>(slots_->fetch_add(1)) : chunks_.size();
        auto chunk = std::make_unique_for_overwrite<wchar_t[]>(ChunkSize);
        if (place >= chunks_.size()) {
            chunks_.resize(place + 1);
        }
        chunks_[place] = std::move(chunk);
        current_ = place;
        usedInCurrent_ = 0;
    }
    const std::uint64_t position = (std::uint64_t{current_} << ChunkBits) | usedInCurrent_;
    std::copy_n(name.data(), length, chunks_[current_].get() + usedInCurrent_);
    usedInCurrent_ += length;
    return position;
}

NameStore NameStore::Branch() {
    if (!slots_) {
        slots_ = std::make_shared<SlotCounter>(chunks_.size());
    }
    NameStore branch;
    branch.slots_ = slots_;
    return branch;
}

void NameStore::Join(NameStore&& branch) {
    if (branch.chunks_.size() > chunks_.size()) {
        chunks_.resize(branch.chunks_.size());
    }
    for (std::size_t place = 0; place < branch.chunks_.size(); ++place) {
        if (branch.chunks_[place]) {
            chunks_[place] = std::move(branch.chunks_[place]);
        }
    }
    branch.clear();
}

void NameStore::ReleaseBefore(std::uint64_t position) noexcept {
    const std::size_t end = std::min<std::size_t>(position >> ChunkBits, chunks_.size());
    for (; released_ < end; ++released_) {
        chunks_[released_].reset();
    }
}

void NameStore::clear() noexcept {
    chunks_.clear();
    current_ = 0;
    usedInCurrent_ = ChunkSize;
    released_ = 0;
    slots_.reset();
}

std::size_t NameStore::MemoryBytes() const noexcept {
    std::size_t held = 0;
    for (const auto& chunk : chunks_) {
        held += chunk ? 1 : 0;
    }
    return held * ChunkSize * sizeof(wchar_t) + chunks_.capacity() * sizeof(chunks_[0]);
}

}  // namespace varnel::core
