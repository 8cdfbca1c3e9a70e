#pragma once
// Finds an entry by a (group, name) key among millions, for writing each
// distinct name of a saved scan once and for matching folders between two
// snapshots. Open addressing over 8-byte slots: a node-based map spends
// most of a million-folder comparison allocating and chasing its nodes.
// The index keeps no keys; `keyOf(value)` gives the key an entry stands for.

#include <cstdint>
#include <string_view>
#include <vector>

namespace varnel::core {

template <class KeyOf>
class NameIndex {
public:
    static constexpr std::uint32_t Absent = 0xFFFFFFFFu;

    NameIndex(std::size_t expected, KeyOf keyOf) : keyOf_(keyOf) {
        std::size_t size = 16;
        while (size < expected * 2) {
            size *= 2;
        }
        slots_.assign(size, Slot{Absent, 0});
        mask_ = size - 1;
    }

    // The entry already under the key, or `value` after adding it.
    std::uint32_t FindOrAdd(std::uint32_t group, std::wstring_view name, std::uint32_t value) {
        const std::uint64_t hash = Hash(group, name);
        for (std::size_t at = static_cast<std::size_t>(hash) & mask_;; at = (at + 1) & mask_) {
            Slot& slot = slots_[at];
            if (slot.value == Absent) {
                slot = Slot{value, static_cast<std::uint32_t>(hash >> 32)};
                return value;
            }
            if (Matches(slot, hash, group, name)) {
                return slot.value;
            }
        }
    }

    std::uint32_t Find(std::uint32_t group, std::wstring_view name) const {
        const std::uint64_t hash = Hash(group, name);
        for (std::size_t at = static_cast<std::size_t>(hash) & mask_;; at = (at + 1) & mask_) {
            const Slot& slot = slots_[at];
            if (slot.value == Absent) {
                return Absent;
            }
            if (Matches(slot, hash, group, name)) {
                return slot.value;
            }
        }
    }

private:
    struct Slot {
        std::uint32_t value;
        std::uint32_t tag;  // the hash's upper half: most mismatches end here
    };

    static std::uint64_t Hash(std::uint32_t group, std::wstring_view name) noexcept {
        std::uint64_t hash = 0xCBF29CE484222325ull ^ (group * 0x9E3779B97F4A7C15ull);
        for (const wchar_t c : name) {
            hash = (hash ^ static_cast<std::uint64_t>(c)) * 0x100000001B3ull;
        }
        return hash ^ (hash >> 29);
    }

    bool Matches(const Slot& slot, std::uint64_t hash, std::uint32_t group, std::wstring_view name) const {
        if (slot.tag != static_cast<std::uint32_t>(hash >> 32)) {
            return false;
        }
        const auto [otherGroup, otherName] = keyOf_(slot.value);
        return otherGroup == group && otherName == name;
    }

    KeyOf keyOf_;
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

}  // namespace varnel::core
