#pragma once
// An append-only array kept in fixed-size chunks. Growing never moves what
// is already stored: a scan of millions of nodes does not copy its whole
// array at each doubling (holding old and new copy at once), and a worker
// appending under a lock never stalls the others behind a large copy.

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace varnel::core {

template <class T, unsigned ChunkBits>
class ChunkedArray {
    static_assert(std::is_trivially_copyable_v<T>, "chunks are filled and compacted by plain copies");

public:
    static constexpr std::size_t ChunkSize = std::size_t{1} << ChunkBits;

    ChunkedArray() = default;
    // A moved-from array is empty, not one that believes it holds elements.
    ChunkedArray(ChunkedArray&& other) noexcept { *this = std::move(other); }
    ChunkedArray& operator=(ChunkedArray&& other) noexcept {
        chunks_ = std::move(other.chunks_);
        size_ = std::exchange(other.size_, 0);
        released_ = std::exchange(other.released_, 0);
        other.chunks_.clear();
        return *this;
    }
    ChunkedArray(const ChunkedArray&) = delete;
    ChunkedArray& operator=(const ChunkedArray&) = delete;
    ~ChunkedArray() = default;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }

    T& operator[](std::size_t i) noexcept { return chunks_[i >> ChunkBits][i & (ChunkSize - 1)]; }
    const T& operator[](std::size_t i) const noexcept { return chunks_[i >> ChunkBits][i & (ChunkSize - 1)]; }

    T& push_back(const T& value) {
        if ((size_ & (ChunkSize - 1)) == 0 && (size_ >> ChunkBits) == chunks_.size()) {
            chunks_.push_back(std::make_unique_for_overwrite<T[]>(ChunkSize));
        }
        T& slot = (*this)[size_];
        slot = value;
        ++size_;
        return slot;
    }

    // Drops the elements from `count` on and the chunks they leave empty.
    void Truncate(std::size_t count) {
        if (count >= size_) {
            return;
        }
        size_ = count;
        chunks_.resize((count + ChunkSize - 1) >> ChunkBits);
    }

    // Frees the chunks that hold only elements before `index`, which must
    // never be read again: lets a consumer copy an array out while its source
    // shrinks, so the two are never whole at the same time.
    void ReleaseBefore(std::size_t index) noexcept {
        for (; released_ < (index >> ChunkBits) && released_ < chunks_.size(); ++released_) {
            chunks_[released_].reset();
        }
    }

    void clear() noexcept {
        chunks_.clear();
        size_ = 0;
        released_ = 0;
    }

    std::size_t MemoryBytes() const noexcept {
        return chunks_.size() * ChunkSize * sizeof(T) + chunks_.capacity() * sizeof(chunks_[0]);
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
    std::size_t released_ = 0;  // chunks freed from the front
};

}  // namespace varnel::core
