#pragma once
// A deterministic 1,000,000-node result for the responsiveness benchmarks:
// a folder with 100,000 files, and 900,000 nodes in a tree 12 levels deep
// with fan-out 8 near the top.

#include <string>
#include <vector>

#include "core/ScanTreeBuilder.h"

namespace varnel::bench {

using core::NoIndex;

struct LargeResult {
    core::ScanResult result;
    std::uint64_t deepFolder = 0;
    std::uint64_t wideFolder = 0;
};

inline LargeResult MakeLargeResult() {
    return [] {
        LargeResult r;
        core::ScanTreeBuilder b;
        b.Reserve(1'000'000);
        const auto root = b.AddFolder(NoIndex, L"", L"C:\\", core::FileAttributeDirectory, 0);
        r.wideFolder = b.AddFolder(root, L"wide", L"C:\\wide", core::FileAttributeDirectory, 0);
        for (int i = 0; i < 100'000; ++i) {
            b.AddFile(r.wideFolder, L"f" + std::to_wstring(i), L"C:\\wide\\f", 0,
                      static_cast<std::uint64_t>((i * 7919) % 100'003), 0);
        }
        std::vector<std::uint64_t> level{root};
        std::uint64_t count = b.Nodes().size();
        for (int depth = 0; depth < 12 && count < 1'000'000; ++depth) {
            std::vector<std::uint64_t> next;
            for (const auto parent : level) {
                for (int k = 0; k < 8 && count < 1'000'000; ++k) {
                    next.push_back(b.AddFolder(parent, L"d" + std::to_wstring(k), L"C:\\d", core::FileAttributeDirectory, 0));
                    ++count;
                    for (int f = 0; f < 6 && count < 1'000'000; ++f, ++count) {
                        b.AddFile(next.back(), L"x" + std::to_wstring(f), L"C:\\d\\x", 0,
                                  static_cast<std::uint64_t>(count % 65'537) * 512, 0);
                    }
                }
            }
            if (next.size() > 20'000) next.resize(20'000);  // keep the depth going
            level = std::move(next);
        }
        r.deepFolder = level.front();
        b.ComputeTotals();
        r.result = b.FinishResult(core::ScanStatus::Completed, L"C:\\", 0);
        return r;
    }();
}

inline const LargeResult& Result() {
    static const LargeResult large = MakeLargeResult();
    return large;
}

}  // namespace varnel::bench
