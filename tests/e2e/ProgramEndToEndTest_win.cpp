// Runs the built varnel.exe as its own process, in portable mode, and drives
// it from outside only through window messages, reading the title, the
// status bar and the list rows back across the process boundary as a
// UI-automation tool would. It fails if the program crashes, hangs, shows the
// wrong tree or saves the wrong settings file.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/AppSettings.h"
#include "settings/SettingsFile.h"
#include "base/Utf8.h"
#include "i18n/Localizer.h"
#include "ui/dialogs/StartupPrivilegeDialog_win.h"
#include "i18n/LanguageCatalog.h"
#include "i18n/StringTable.h"
#include "platform/UniqueHandle_win.h"
#include "support/ChildProcess_win.h"
#include "support/TempFolder.h"
#include "platform/FileBytes.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using varnel::testing::TempFolder;

constexpr DWORD TimeoutMs = 60'000;

std::string ReadBytes(const fs::path& path) { return platform::ReadWholeFile(path).value_or(""); }

// Memory in the program's address space for messages that carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, std::size_t size)
        : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer() {
        if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    void* get() const { return address_; }
    char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
    void Write(std::size_t offset, const void* data, std::size_t size) const {
        ::WriteProcessMemory(process_, at(offset), data, size, nullptr);
    }
    void Read(std::size_t offset, void* data, std::size_t size) const {
        ::ReadProcessMemory(process_, at(offset), data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

class RunningProgram {
public:
    explicit RunningProgram(const std::wstring& exe, const std::wstring& arguments = L"")
        : process_(varnel::testing::StartChild(L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments))) {
        if (!process_) return;
        ::WaitForInputIdle(process_.get(), TimeoutMs);
        const DWORD processId = ::GetProcessId(process_.get());
        const ULONGLONG deadline = ::GetTickCount64() + TimeoutMs;
        while (window_ == nullptr && ::GetTickCount64() < deadline) {
            window_ = FindOwnWindow(processId);
            if (window_ == nullptr) ::Sleep(50);
        }
    }
    ~RunningProgram() {
        if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_.get(), 99);
        }
    }

    HWND Window() const { return window_; }
    HANDLE Process() const { return process_.get(); }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    void Command(int id) const { ::SendMessageW(window_, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    std::wstring Title() const {
        wchar_t text[256]{};
        ::GetWindowTextW(window_, text, 256);
        return text;
    }

    std::wstring StatusText(int part) const {
        const HWND bar = Control(1008);
        RemoteBuffer buffer(process_.get(), 4096);
        ::SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buffer.get()));
        wchar_t text[2048]{};
        buffer.Read(0, text, sizeof text - sizeof(wchar_t));
        return text;
    }

    std::wstring ListText(int listId, int row, int column) const {
        constexpr std::size_t TextOffset = 256;
        constexpr int TextChars = 1024;
        RemoteBuffer buffer(process_.get(), TextOffset + TextChars * sizeof(wchar_t));
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(buffer.at(TextOffset));
        item.cchTextMax = TextChars;
        buffer.Write(0, &item, sizeof item);
        ::SendMessageW(Control(listId), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(buffer.get()));
        std::wstring text(TextChars, L'\0');
        buffer.Read(TextOffset, text.data(), (TextChars - 1) * sizeof(wchar_t));
        text.resize(wcslen(text.c_str()));
        return text;
    }

    int RowCount(int listId) const {
        return static_cast<int>(::SendMessageW(Control(listId), LVM_GETITEMCOUNT, 0, 0));
    }

    bool WaitForStatusPrefix(const std::wstring& prefix) const {
        const ULONGLONG deadline = ::GetTickCount64() + TimeoutMs;
        while (::GetTickCount64() < deadline) {
            if (StatusText(0).rfind(prefix, 0) == 0) return true;
            if (::WaitForSingleObject(process_.get(), 100) == WAIT_OBJECT_0) return false;  // it died
        }
        return false;
    }

private:
    static HWND FindOwnWindow(DWORD processId) {
        HWND candidate = nullptr;
        while ((candidate = ::FindWindowExW(nullptr, candidate, L"Varnel.MainWindow", nullptr)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(candidate, &owner);
            if (owner == processId) return candidate;
        }
        return nullptr;
    }

    platform::UniqueKernelHandle process_;
    HWND window_ = nullptr;
};

std::wstring BuiltProgram() {
    wchar_t path[MAX_PATH]{};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path().parent_path().parent_path() / L"src" / L"app" / L"varnel.exe";
}

// A portable copy of the program beside a prepared folder and settings file.
struct PreparedProgram {
    TempFolder temp;
    fs::path program;
    app::AppSettings settings;

    explicit PreparedProgram(const std::wstring& theme) {
        program = fs::path(temp.At(L"program"));
        fs::create_directories(program);
        const fs::path built = BuiltProgram();
        fs::copy_file(built, program / L"varnel.exe");
        fs::copy(built.parent_path() / L"resources", program / L"resources", fs::copy_options::recursive);
        std::ofstream(program / L"varnel.portable").put('\n');

        temp.Folder(L"data\\big\\inner");
        temp.Folder(L"data\\small");
        temp.File(L"data\\big\\huge.bin", 600'000);
        temp.File(L"data\\big\\inner\\mid.bin", 300'000);
        temp.File(L"data\\small\\tiny.bin", 100);
        temp.File(L"data\\top.bin", 50'000);

        settings = app::StartingSettings(4);
        settings.language = L"en-US";
        settings.theme = theme;
        settings.recentFolders = {temp.At(L"data")};
        settings.threadsPerDrive = 1;  // valid on any machine, so the saved file keeps it
        const std::string bytes = app::WriteSettingsFile(settings);
        std::ofstream(program / L"varnel.settings.json", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::wstring Exe() const { return (program / L"varnel.exe").wstring(); }
};

TEST(ProgramEndToEnd, ScanThemeLanguageAndExitThroughWindowMessages) {
    ASSERT_TRUE(fs::exists(BuiltProgram()));
    PreparedProgram prepared(L"Light");
    const fs::path& program = prepared.program;
    const app::AppSettings& settings = prepared.settings;
    TempFolder& temp = prepared.temp;

    RunningProgram run(prepared.Exe());
    ASSERT_NE(run.Window(), nullptr) << "the main window never appeared";
    EXPECT_EQ(run.Title().rfind(L"Varnel", 0), 0u);

    run.Command(1100);  // File > Recent folders > 1
    run.Command(1002);  // Scan
    ASSERT_TRUE(run.WaitForStatusPrefix(L"Completed")) << "status: " << core::WideToUtf8(run.StatusText(0));
    const std::wstring summary = run.StatusText(0);
    EXPECT_NE(summary.find(L"4"), std::wstring::npos) << core::WideToUtf8(summary);

    ASSERT_EQ(run.RowCount(1005), 4) << "root and its three children";
    EXPECT_EQ(run.ListText(1005, 0, 0), L"data");
    EXPECT_EQ(run.ListText(1005, 1, 0), L"big");
    EXPECT_EQ(run.ListText(1005, 2, 0), L"top.bin");
    EXPECT_EQ(run.ListText(1005, 3, 0), L"small");
    EXPECT_EQ(run.ListText(1005, 1, 5), temp.At(L"data\\big"));
    ASSERT_EQ(run.RowCount(1006), 4);
    EXPECT_EQ(run.ListText(1006, 0, 2), L"huge.bin");
    EXPECT_EQ(run.ListText(1006, 3, 2), L"tiny.bin");
    EXPECT_EQ(run.RowCount(1007), 3);

    run.Command(1301);  // Settings > Theme > Dark
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(run.Control(1005), LVM_GETBKCOLOR, 0, 0)), RGB(31, 34, 40));

    std::size_t german = 0;
    while (i18n::LanguageCatalog[german].code != L"de-DE") ++german;
    run.Command(1201 + static_cast<int>(german));
    const auto table = i18n::ParseStringTable(ReadBytes(program / L"resources" / L"strings" / L"de-DE.txt"));
    const std::wstring completedInGerman = table.at("status.completed");
    EXPECT_EQ(run.StatusText(0).rfind(completedInGerman, 0), 0u) << core::WideToUtf8(run.StatusText(0));

    run.Command(1011);  // File > Exit
    ASSERT_EQ(::WaitForSingleObject(run.Process(), TimeoutMs), WAIT_OBJECT_0) << "the program did not end";
    DWORD exitCode = 1234;
    ::GetExitCodeProcess(run.Process(), &exitCode);
    EXPECT_EQ(exitCode, 0u);

    app::AppSettings expected = settings;
    expected.theme = L"Dark";
    expected.language = L"de-DE";
    // The window section holds the window as it was at exit and the folder it showed.
    expected.window = app::ReadSettingsFile(ReadBytes(program / L"varnel.settings.json"), 1).window;
    EXPECT_EQ(expected.window.lastFolder, settings.recentFolders.front());
    EXPECT_EQ(ReadBytes(program / L"varnel.settings.json"), app::WriteSettingsFile(expected));
}

// As Explorer's entry starts it: the path quoted, here with a trailing '\'
// that escapes the closing quote, as a drive root's does.
TEST(ProgramEndToEnd, ScansTheFolderOnItsCommandLine) {
    PreparedProgram prepared(L"Light");
    RunningProgram run(prepared.Exe(), L"\"" + prepared.temp.At(L"data") + L"\\\"");
    ASSERT_NE(run.Window(), nullptr) << "the main window never appeared";
    ASSERT_TRUE(run.WaitForStatusPrefix(L"Completed")) << "status: " << core::WideToUtf8(run.StatusText(0));
    ASSERT_EQ(run.RowCount(1005), 4) << "root and its three children";
    EXPECT_EQ(run.ListText(1005, 0, 0), L"data");
    run.Command(1011);  // File > Exit
    EXPECT_EQ(::WaitForSingleObject(run.Process(), TimeoutMs), WAIT_OBJECT_0) << "the program did not end";
}

// Not a check: scripts/screenshots.sh runs it to pose the real window after a
// scan, in the theme VARNEL_SCREENSHOT_THEME, while it takes a screenshot.
// It writes "ready" into VARNEL_SCREENSHOT_DIR and waits there for "done".
// With VARNEL_SCREENSHOT_SIZE_VIEWS, the root again by size on disk ("ready2", "done2").
TEST(ProgramEndToEnd, DISABLED_PoseForScreenshots) {
    wchar_t folder[MAX_PATH]{};
    wchar_t theme[64]{};
    ASSERT_GT(::GetEnvironmentVariableW(L"VARNEL_SCREENSHOT_DIR", folder, MAX_PATH), 0u);
    if (::GetEnvironmentVariableW(L"VARNEL_SCREENSHOT_THEME", theme, 64) == 0) wcscpy(theme, L"Light");
    const bool bothSizes = ::GetEnvironmentVariableW(L"VARNEL_SCREENSHOT_SIZE_VIEWS", nullptr, 0) > 0;
    const bool treemap = ::GetEnvironmentVariableW(L"VARNEL_SCREENSHOT_TREEMAP", nullptr, 0) > 0;
    PreparedProgram prepared(theme);
    // Names that once lost characters on screen: an underscore on the row's
    // edge, an '&' taken for an access key, and a path too long for its column.
    prepared.temp.Folder(L"data\\vendor_4");
    prepared.temp.Folder(L"data\\big\\inner\\a_folder_with_a_rather_long_name\\and_another_level");
    prepared.temp.File(L"data\\vendor_4\\R&D notes.txt", 20'000);
    prepared.temp.File(L"data\\big\\inner\\a_folder_with_a_rather_long_name\\and_another_level\\deep_file.bin", 200'000);
    // Written files take clusters, files only sized are holes on Wine's disks: the two sizes rank apart.
    for (int i = 0; bothSizes && i < 40; ++i) prepared.temp.WrittenFile(L"data\\small\\" + std::to_wstring(i), 100);
    if (bothSizes) prepared.temp.WrittenFile(L"data\\vendor_4\\written.bin", 120'000);
    // Files of several types, so that the treemap and the file types show their colours.
    const wchar_t* typed[] = {L"holiday.mp4", L"photo1.jpg", L"photo2.JPG", L"backup.zip", L"report.pdf",
                              L"setup.exe", L"main.cpp", L"song.mp3", L"disk.iso", L"notes.txt"};
    prepared.temp.Folder(L"data\\typed");
    for (int i = 0; i < 10; ++i) prepared.temp.File(std::wstring(L"data\\typed\\") + typed[i], 30'000u * (10u - static_cast<unsigned>(i)));
    RunningProgram run(prepared.Exe());
    ASSERT_NE(run.Window(), nullptr);
    ::ShowWindow(run.Window(), SW_SHOWNORMAL);
    run.Command(1100);
    run.Command(1002);
    ASSERT_TRUE(run.WaitForStatusPrefix(L"Completed"));
    // Select "big" so that both rankings show its contents (the root's, for both sizes).
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    RemoteBuffer buffer(run.Process(), sizeof item);
    buffer.Write(0, &item, sizeof item);
    ::SendMessageW(run.Control(1005), LVM_SETITEMSTATE, bothSizes || treemap ? 0 : 1, reinterpret_cast<LPARAM>(buffer.get()));
    // With VARNEL_SCREENSHOT_TREEMAP the largest file type is selected: the treemap highlights its files.
    if (treemap) {
        const HWND types = ::FindWindowExW(run.Window(), nullptr, L"Varnel.FileTypes", nullptr);
        for (int i = 0; i < 100 && ::SendMessageW(::GetWindow(types, GW_CHILD), LVM_GETITEMCOUNT, 0, 0) == 0; ++i) ::Sleep(100);
        ::SendMessageW(::GetWindow(types, GW_CHILD), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(buffer.get()));
    }
    for (const std::wstring pose : {L"", L"2"}) {
        if (!pose.empty() && !bothSizes) break;
        if (!pose.empty()) run.Command(1015);  // Settings > Size on disk
        std::ofstream(fs::path(folder) / (L"ready" + pose)).put('\n');
        const ULONGLONG deadline = ::GetTickCount64() + TimeoutMs;
        while (!fs::exists(fs::path(folder) / (L"done" + pose)) && ::GetTickCount64() < deadline) ::Sleep(100);
    }
    run.Command(1011);
    ::WaitForSingleObject(run.Process(), TimeoutMs);
}

// Not a check either: the start-up prompt in Russian, whose texts are among
// the longest, for the same script. Under Wine every process counts as an
// administrator, so the program itself never asks; the prompt is shown here
// with the program's own string tables.
TEST(ProgramEndToEnd, DISABLED_PosePromptForScreenshots) {
    static wchar_t folder[MAX_PATH]{};
    ASSERT_GT(::GetEnvironmentVariableW(L"VARNEL_SCREENSHOT_DIR", folder, MAX_PATH), 0u);
    i18n::Localizer russian(fs::path(BuiltProgram()).parent_path() / L"resources" / L"strings",
                            [] { return std::wstring(L"ru-RU"); });
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) {
        const HWND prompt = ::FindWindowW(L"Varnel.StartupPrivilegeDialog", nullptr);
        if (prompt == nullptr) return;
        if (!fs::exists(fs::path(folder) / L"ready")) std::ofstream(fs::path(folder) / L"ready").put('\n');
        if (fs::exists(fs::path(folder) / L"done")) ::PostMessageW(prompt, WM_CLOSE, 0, 0);
    });
    ui::ShowStartupPrivilegeDialog(::GetModuleHandleW(nullptr), nullptr, &russian);
    ::KillTimer(nullptr, timer);
}

}  // namespace
}  // namespace varnel
