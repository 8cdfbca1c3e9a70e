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
    ScratchFolder() {
        static std::atomic<unsigned> counter{0};
        // Several test processes may run at once; the random part keeps
        // their folders apart without asking for a process id.
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("varnel-scratch-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& Path() const { return path_; }

    // Writes the bytes exactly as given (binary, no line-end translation).
    void Write(const std::filesystem::path& relative, std::string_view bytes) const {
        std::ofstream file(path_ / relative, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good()) << "cannot write " << (path_ / relative).string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace varnel::testing
