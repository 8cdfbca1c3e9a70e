#pragma once
// The names of one scan tree, stored once as UTF-16 (on every platform, so
// that memory figures measured natively hold for the Windows build) in
// chunks that never move. A name is found by the position Append returned
// and its length; a name never straddles two chunks.

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

    NameStore() = default;
    // A moved-from store is empty, ready for new names.
    NameStore(NameStore&& other) noexcept { *this = std::move(other); }
    NameStore& operator=(NameStore&& other) noexcept {
        chunks_ = std::move(other.chunks_);
        usedInLast_ = std::exchange(other.usedInLast_, ChunkSize);
        released_ = std::exchange(other.released_, 0);
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

    // Frees the chunks wholly before `position`; names there must never be
    // read again.
    void ReleaseBefore(std::uint64_t position) noexcept;

    void clear() noexcept;
    std::size_t MemoryBytes() const noexcept;

private:
    static constexpr unsigned ChunkBits = 18;
    static constexpr std::size_t ChunkSize = std::size_t{1} << ChunkBits;
    static_assert(MaxNameLength < ChunkSize);

    std::vector<std::unique_ptr<wchar_t[]>> chunks_;
    std::size_t usedInLast_ = ChunkSize;  // no chunk yet: the first Append opens one
    std::size_t released_ = 0;            // chunks freed from the front
};

}  // namespace varnel::core
