#pragma once
// The names of one scan tree, stored once as UTF-16 (on every platform, so
// that memory figures measured natively hold for the Windows build) in
// chunks that never move. A name is found by the position Append returned
// and its length; a name never straddles two chunks.
//
// Several threads can fill one store at once without moving a name
// afterwards: each writes to a branch, and branches take their chunks'
// places from a counter they share with the store, so a name's position is
// the same in the branch that wrote it and in the store the branch joins.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace varnel::core {

class NameStore {
public:
    // Longer names are cut: no file system names an item this long.
    static constexpr std::size_t MaxNameLength = 0xFFFF;
    // Characters one chunk holds: the least a store that holds any name takes.
    static constexpr std::size_t ChunkUnits = std::size_t{1} << 18;

    NameStore() = default;
    // A moved-from store is empty, ready for new names.
    NameStore(NameStore&& other) noexcept { *this = std::move(other); }
    NameStore& operator=(NameStore&& other) noexcept {
        chunks_ = std::move(other.chunks_);
        current_ = std::exchange(other.current_, 0);
        usedInCurrent_ = std::exchange(other.usedInCurrent_, ChunkSize);
        released_ = std::exchange(other.released_, 0);
        slots_ = std::move(other.slots_);
        other.chunks_.clear();
        return *this;
    }
    NameStore(const NameStore&) = delete;
    NameStore& operator=(const NameStore&) = delete;
    ~NameStore() = default;

    // Stores `name` (cut to MaxNameLength) and returns its position.
    std::uint64_t Append(std::wstring_view name);

    std::wstring_view View(std::uint64_t position, std::size_t length) const noexcept {
        if (length == 0) {
            return {};
        }
        return {chunks_[position >> ChunkBits].get() + (position & (ChunkSize - 1)), length};
    }

    // An empty store for another thread to fill; its positions are this
    // store's. This store and its branches may append at the same time,
    // each from one thread; none may be read before it has joined.
    NameStore Branch();
    // Takes over the branch's chunks, moving no name: every position the
    // branch returned now reads the same name here.
    void Join(NameStore&& branch);

    // Frees the chunks wholly before `position`; names there must never be
    // read again.
    void ReleaseBefore(std::uint64_t position) noexcept;

    void clear() noexcept;
    std::size_t MemoryBytes() const noexcept;

private:
    static constexpr unsigned ChunkBits = 18;
    static constexpr std::size_t ChunkSize = ChunkUnits;
    static_assert(ChunkSize == std::size_t{1} << ChunkBits);
    static_assert(MaxNameLength < ChunkSize);

    using SlotCounter = std::atomic<std::uint64_t>;

    // By place; a branch's places held by other branches stay empty.
    std::vector<std::unique_ptr<wchar_t[]>> chunks_;
    std::size_t current_ = 0;                // place of the chunk being filled
    std::size_t usedInCurrent_ = ChunkSize;  // no chunk yet: the first Append opens one
    std::size_t released_ = 0;               // chunks freed from the front
    // Shared with the branches once there are any: the next free place.
    std::shared_ptr<SlotCounter> slots_;
};

}  // namespace varnel::core
