#pragma once
// A deterministic large result for the responsiveness benchmarks: a folder
// with 100,000 files, and the rest in a tree with fan-out 8 and six files
// per folder that keeps going down to 12 levels. Names are 20 characters, as
// long as an average name on a real volume.

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "model/ScanTreeBuilder.h"

namespace varnel::bench {

inline constexpr std::uint64_t LargeResultNodes = 10'000'000;

struct LargeResult {
    core::ScanResult result;
    std::uint64_t deepFolder = 0;    // at the bottom: a few files below it
    std::uint64_t middleFolder = 0;  // five levels down, with about 2,900,000 nodes below it
    std::uint64_t wideFolder = 0;
};

// "<prefix><digits>", 20 characters, in a buffer the builder copies from.
class NameMaker {
public:
    std::wstring_view operator()(const wchar_t* prefix, std::uint64_t number) {
        const int length = std::swprintf(buffer_, 32, L"%ls%0*llu", prefix,
                                         static_cast<int>(20 - std::char_traits<wchar_t>::length(prefix)),
                                         static_cast<unsigned long long>(number));
        return {buffer_, length > 0 ? static_cast<std::size_t>(length) : 0};
    }

private:
    wchar_t buffer_[32]{};
};

inline LargeResult MakeLargeResult(std::uint64_t nodes = LargeResultNodes) {
    LargeResult r;
    core::ScanTreeBuilder b;
    NameMaker name;
    const auto root = b.AddRoot(L"C:\\", core::FileAttributeDirectory, 0);
    r.wideFolder = b.AddFolder(root, name(L"wide_folder_", 0), core::FileAttributeDirectory, 0);
    for (std::uint64_t i = 0; i < 100'000; ++i) {
        const std::uint64_t size = (i * 7919) % 100'003;
        b.AddFile(r.wideFolder, name(L"file_", i), 0, {size, size}, 0);
    }
    std::vector<std::uint64_t> level{root};
    std::uint64_t count = b.Nodes().size();
    for (int depth = 0; depth < 12 && count < nodes; ++depth) {
        std::vector<std::uint64_t> next;
        for (const auto parent : level) {
            for (std::uint64_t k = 0; k < 8 && count < nodes; ++k) {
                next.push_back(b.AddFolder(parent, name(L"directory_", count), core::FileAttributeDirectory, 0));
                ++count;
                for (std::uint64_t f = 0; f < 6 && count < nodes; ++f, ++count) {
                    const std::uint64_t size = (count % 65'537) * 512;
                    b.AddFile(next.back(), name(L"document_", count), 0, {size, size}, 0);
                }
            }
        }
        // Only some folders go on down, so that the tree reaches its depth.
        const std::size_t keep = static_cast<std::size_t>(nodes / 400);
        if (next.size() > keep) next.resize(keep);
        level = std::move(next);
        if (depth == 4) r.middleFolder = level.front();
    }
    r.deepFolder = level.front();
    b.ComputeTotals();
    r.result = b.FinishResult(core::ScanStatus::Completed, L"C:\\", 0);
    return r;
}

inline const LargeResult& Result() {
    static const LargeResult large = MakeLargeResult();
    return large;
}

}  // namespace varnel::bench
