#include "ntfs/MftReadAhead.h"

#include <algorithm>
#include <utility>

namespace varnel::core {

MftReadAhead::MftReadAhead(MftStream& stream, std::uint64_t end, std::size_t chunkBytes, std::size_t depth)
    : stream_(stream), end_(end), chunkBytes_(std::max<std::size_t>(chunkBytes, 1)) {
    const std::uint64_t chunks = (end_ + chunkBytes_ - 1) / chunkBytes_;
    // A small MFT (an image, a test) takes no more buffers than chunks, and
    // none larger than itself.
    depth = static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::size_t>(depth, 2), chunks));
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(chunkBytes_, end_));
    const std::size_t pages = (wanted + sizeof(Page) - 1) / sizeof(Page);
    // Not zeroed: the stream zeroes whatever a read does not fill.
    pages_ = std::make_unique_for_overwrite<Page[]>(std::max<std::size_t>(pages, 1) * depth);
    for (std::size_t i = 0; i < depth; ++i) {
        buffers_.push_back(std::span<std::byte>(pages_[i * pages].bytes, wanted));
    }
    slots_.resize(depth);
    full_.assign(depth, false);
    reader_ = std::thread([this] { ReadAll(); });
}

MftReadAhead::~MftReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    freed_.notify_all();
    reader_.join();
}

void MftReadAhead::ReadAll() noexcept {
    try {
        for (std::uint64_t k = 0, position = 0; position < end_; ++k, position += chunkBytes_) {
            const auto slot = static_cast<std::size_t>(k % slots_.size());
            {
                std::unique_lock<std::mutex> lock(mutex_);
                freed_.wait(lock, [&] { return stopping_ || !full_[slot]; });
                if (stopping_) {
                    break;
                }
            }
            Chunk chunk;
            chunk.position = position;
            const std::uint64_t size = std::min<std::uint64_t>(chunkBytes_, end_ - position);
            chunk.bytes = buffers_[slot].first(static_cast<std::size_t>(size));
            chunk.ok = stream_.Read(position, chunk.bytes, chunk.obtained);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                slots_[slot] = chunk;
                full_[slot] = true;
                ++read_;
            }
            filled_.notify_one();
            if (!chunk.ok) {
                break;
            }
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        readerDone_ = true;
    }
    filled_.notify_one();
}

const MftReadAhead::Chunk* MftReadAhead::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (parsed_ > 0 && full_[static_cast<std::size_t>((parsed_ - 1) % slots_.size())]) {
        full_[static_cast<std::size_t>((parsed_ - 1) % slots_.size())] = false;
        freed_.notify_one();
    }
    filled_.wait(lock, [&] { return read_ > parsed_ || readerDone_; });
    if (read_ > parsed_) {
        return &slots_[static_cast<std::size_t>(parsed_++ % slots_.size())];
    }
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    return nullptr;
}

}  // namespace varnel::core
