#pragma once
// A real folder under the system's temporary folder, removed when the test
// ends: engines, settings and string tables are tested on real files, not on
// mocks. Portable, for tests that run natively as well as under Wine.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace varnel::testing {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        // Wine reuses process ids from run to run, and a folder a test could
        // not remove must not make the next run fail: find a fresh name.
        const std::string run = std::to_string(std::random_device()());
        for (;;) {
            root_ = std::filesystem::temp_directory_path() / ("varnel-test-" + run + "-" + std::to_string(counter++));
            std::error_code error;
            if (std::filesystem::create_directories(root_, error)) break;
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    const std::filesystem::path& Dir() const { return root_; }
    std::wstring Path() const { return root_.wstring(); }
    // Full path of a relative path inside the folder ('\' separated on Windows).
    std::wstring At(const std::wstring& relative) const { return (root_ / relative).wstring(); }

    void Folder(const std::wstring& relative) const { std::filesystem::create_directories(root_ / relative); }

    // A file of exactly `size` bytes; sizes above 4 GiB are cheap (sparse).
    void File(const std::wstring& relative, std::uint64_t size) const {
        std::ofstream(root_ / relative, std::ios::binary).close();
        std::error_code error;
        std::filesystem::resize_file(root_ / relative, size, error);
        ASSERT_FALSE(error) << "cannot size " << (root_ / relative).string() << ": " << error.message();
    }

    // A file holding data, which takes clusters wherever it lives: a file
    // only sized may be a hole (as Wine's files on Linux are).
    void WrittenFile(const std::wstring& relative, std::size_t size) const {
        std::ofstream(root_ / relative, std::ios::binary) << std::string(size, 'x');
    }

    // The bytes exactly as given: binary, no line-end translation.
    void Write(const std::filesystem::path& relative, std::string_view bytes) const {
        std::ofstream file(root_ / relative, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(file.good()) << (root_ / relative).string();
    }

private:
    std::filesystem::path root_;
};

}  // namespace varnel::testing
