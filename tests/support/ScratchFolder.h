#pragma once
// A fresh folder under the system's temporary folder, removed when the test
// ends. Portable, for tests that run natively as well as under Wine.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace varnel::testing {

class ScratchFolder {
public:
    // The random part keeps test processes that run at once apart.
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("varnel-scratch-" + std::to_string(std::random_device()()) + "-" + std::to_string(counter_++))) {
        std::filesystem::create_directories(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& Path() const { return path_; }

    // The bytes exactly as given: binary, no line-end translation.
    void Write(const std::filesystem::path& relative, std::string_view bytes) const {
        std::ofstream file(path_ / relative, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good()) << (path_ / relative).string();
    }

private:
    static inline std::atomic<unsigned> counter_{0};
    std::filesystem::path path_;
};

}  // namespace varnel::testing
