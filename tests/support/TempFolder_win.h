#pragma once
// A real folder tree under the system's temporary folder, removed when the
// test ends. Engines are tested on real files, not on mocks.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace varnel::testing {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        wchar_t base[MAX_PATH + 1]{};
        ::GetTempPathW(MAX_PATH + 1, base);
        // Wine reuses process ids from run to run, and a folder a test could
        // not remove must not make the next run fail: find a fresh name.
        for (;;) {
            path_ = std::wstring(base) + L"varnel-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(counter++);
            std::error_code error;
            if (std::filesystem::create_directories(path_, error)) {
                break;
            }
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // Full path of a relative path inside the folder ('\' separated).
    std::wstring At(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    const std::wstring& Path() const { return path_; }

    void Folder(const std::wstring& relative) const { std::filesystem::create_directories(At(relative)); }

    // A file of exactly `size` bytes; sizes above 4 GiB are cheap (sparse).
    void File(const std::wstring& relative, std::uint64_t size) const {
        HANDLE file = ::CreateFileW(At(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create file, error " << ::GetLastError();
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        const bool sized = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
        ::CloseHandle(file);
        ASSERT_TRUE(sized);
    }

    // A file holding data, which takes clusters wherever it lives: a file
    // only sized may be a hole (as Wine's files on Linux are).
    void WrittenFile(const std::wstring& relative, std::size_t size) const {
        std::ofstream(std::filesystem::path(At(relative)), std::ios::binary) << std::string(size, 'x');
    }

private:
    std::wstring path_;
};

}  // namespace varnel::testing
