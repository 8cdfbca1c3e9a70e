#pragma once
// Reads the MFT stream from its start in chunks, on one thread of its own
// for the whole scan, into a few buffers allocated once: while the scan
// parses one chunk, the reader fills the next ones. Parsing a chunk takes
// about as long as reading it, so the scan takes about the longer of the
// two instead of their sum; buffers of a few MiB each, reused, cost no page
// faults after the first round and are still in the cache when parsed.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "ntfs/MftStream.h"

namespace varnel::core {

class MftReadAhead {
public:
    // One chunk as read: `bytes` is the whole chunk (bytes no read filled are
    // zeros, as MftStream gives them), `obtained` the bytes the device gave.
    struct Chunk {
        std::uint64_t position = 0;
        std::span<std::byte> bytes;
        std::size_t obtained = 0;
        bool ok = false;  // false: the read failed, and no later chunk comes
    };

    // Reads [0, end) of the stream in chunks of chunkBytes (the last one
    // shorter) into `depth` buffers (at least 2, but no more than there are
    // chunks; end is above 0). The reader starts at once.
    MftReadAhead(MftStream& stream, std::uint64_t end, std::size_t chunkBytes, std::size_t depth);
    // Stops the reader after the read it is in, and joins it.
    ~MftReadAhead();
    MftReadAhead(const MftReadAhead&) = delete;
    MftReadAhead& operator=(const MftReadAhead&) = delete;

    // The next chunk in stream order, waiting for its read; its buffer is
    // the caller's (to fix records up in place) until the next call, which
    // hands it back to the reader. Nothing after the last chunk or a failed
    // one. An exception the reader met (an allocation failure) is thrown here.
    const Chunk* Next();

private:
    // Buffers start on a page: a device opened for unbuffered reads wants
    // aligned memory.
    struct alignas(4096) Page {
        std::byte bytes[4096];
    };

    void ReadAll() noexcept;

    MftStream& stream_;
    const std::uint64_t end_;
    const std::size_t chunkBytes_;
    std::unique_ptr<Page[]> pages_;               // the buffers, side by side
    std::vector<std::span<std::byte>> buffers_;  // one per slot, chunkBytes_ (or the whole MFT) each

    // Guards every field below it: the reader fills slots, the scan empties them.
    std::mutex mutex_;
    std::condition_variable filled_;  // the reader finished a slot
    std::condition_variable freed_;   // the scan handed a slot back, or stops
    std::vector<Chunk> slots_;        // chunk k lives in slot k % depth
    std::vector<bool> full_;          // per slot: holds a read chunk not yet handed back
    std::uint64_t read_ = 0;          // chunks the reader has finished
    std::uint64_t parsed_ = 0;        // chunks handed to the scan
    bool stopping_ = false;           // the scan ends early; the reader stops
    bool readerDone_ = false;         // no further chunk comes (the end, a failure or an exception)
    std::exception_ptr failure_;      // what the reader threw

    std::thread reader_;  // last: started once everything above exists
};

}  // namespace varnel::core
