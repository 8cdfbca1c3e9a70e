#pragma once
// The breakdown by file type of one folder, and the files of one type,
// worked out on a thread of their own: on ten million nodes they take longer
// than the window thread may be busy. The newest request wins; a finished
// breakdown waits until the window thread takes it, and the one shown until
// then stays on screen meanwhile.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "model/FileTypes.h"
#include "model/ScanModel.h"

namespace varnel::ui {

struct TypeBreakdownRequest {
    const core::ScanResult* result = nullptr;  // must stay until Forget returns
    const core::FileTypeIndex* types = nullptr;
    std::uint64_t scope = core::NoIndex;
    core::SizeMeasure measure = core::SizeMeasure::Logical;
    bool withFiles = false;  // the files of `extension` too
    std::uint32_t extension = 0;
};

struct TypeBreakdown {
    std::vector<core::FileTypeRow> rows;
    std::vector<std::uint64_t> files;
    std::uint64_t scopeBytes = 0;
    std::uint64_t generation = 0;
};

class TypeBreakdownWorker {
public:
    // `ready` is called on the worker when a breakdown can be taken.
    explicit TypeBreakdownWorker(std::function<void()> ready) : ready_(std::move(ready)) {}
    TypeBreakdownWorker(const TypeBreakdownWorker&) = delete;
    TypeBreakdownWorker& operator=(const TypeBreakdownWorker&) = delete;
    ~TypeBreakdownWorker();

    // Replaces any waiting request; returns the generation its answer will carry.
    std::uint64_t Request(TypeBreakdownRequest request);
    // The finished breakdown of the newest request, if it is done.
    std::optional<TypeBreakdown> Take();
    // Drops what waits and returns once nothing reads a result any more.
    void Forget();

private:
    void Run();

    std::function<void()> ready_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<TypeBreakdownRequest> waiting_;
    std::optional<TypeBreakdown> done_;
    std::uint64_t generation_ = 0;
    bool running_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace varnel::ui
