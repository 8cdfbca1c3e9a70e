#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <system_error>

#include "scan/ScanSession.h"
#include "directory/NtQueryDirectoryScanEngine.h"
#include "model/ScanTreeBuilder.h"
#include "support/FakeEngines.h"
#include "support/TempFolder.h"
#include "support/TreeInvariants.h"

namespace varnel::app {
namespace {

using varnel::testing::TempFolder;
using varnel::testing::TreeInvariantsHold;

// A message-only window that counts completion messages.
class CompletionSink {
public:
    CompletionSink() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CompletionSink::Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Varnel.Test.CompletionSink";
        ::RegisterClassW(&windowClass);  // a second registration fails harmlessly
        window_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CompletionSink() { ::DestroyWindow(window_); }

    HWND Handle() const { return window_; }
    int Completions() const { return completions_; }
    WPARAM LastScanId() const { return lastScanId_; }

    // Pumps messages until a completion arrives or the deadline passes.
    bool WaitForCompletion(DWORD timeoutMs = 60'000) {
        const int before = completions_;
        const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
        while (completions_ == before && ::GetTickCount64() < deadline) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
        }
        return completions_ > before;
    }

    void Pump() {
        MSG message;
        while (::PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&message);
        }
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == ScanCompletedMessage) {
            auto* self = reinterpret_cast<CompletionSink*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self) {
                ++self->completions_;
                self->lastScanId_ = wParam;
            }
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    int completions_ = 0;
    WPARAM lastScanId_ = 0;
};

// An engine that holds the scan until released or cancelled, so tests can
// act while a scan is running.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    std::vector<std::wstring> scanned;
};

class GatedEngine final : public core::IScanEngine {
public:
    explicit GatedEngine(Gate& gate) : gate_(gate) {}
    core::ScanResult Scan(const std::wstring& path, core::ScanCancellationToken& token,
                          const core::ScanProgressCallback& progress) override {
        {
            std::unique_lock lock(gate_.mutex);
            gate_.scanned.push_back(path);
            gate_.entered = true;
            gate_.changed.notify_all();
        }
        if (progress) progress({path + L"\\first", 1, 1});
        if (progress) progress({path + L"\\second", 2, 2});  // within 200 ms of the first: dropped
        {
            std::unique_lock lock(gate_.mutex);
            // The token has no way to wake us, so look at it now and then.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!gate_.released && !token.IsCancelled() && std::chrono::steady_clock::now() < deadline) {
                gate_.changed.wait_for(lock, std::chrono::milliseconds(10));
            }
        }
        core::ScanTreeBuilder builder;
        builder.AddRoot(path, core::FileAttributeDirectory, 0);
        builder.ComputeTotals();
        return builder.FinishResult(token.IsCancelled() ? core::ScanStatus::Cancelled : core::ScanStatus::Completed,
                                    path, 0);
    }

private:
    Gate& gate_;
};

core::ScanEngineFactory GatedEngines(Gate& gate) {
    return varnel::testing::EveryRootTo([&gate]() -> std::unique_ptr<core::IScanEngine> {
        return std::make_unique<GatedEngine>(gate);
    });
}

void WaitUntilEntered(Gate& gate) {
    std::unique_lock lock(gate.mutex);
    ASSERT_TRUE(gate.changed.wait_for(lock, std::chrono::seconds(30), [&] { return gate.entered; }));
}

void Release(Gate& gate) {
    std::lock_guard lock(gate.mutex);
    gate.released = true;
    gate.changed.notify_all();
}

TEST(ScanSession, ScansARealFolderAndPostsOneCompletion) {
    TempFolder temp;
    temp.Folder(L"a\\b");
    temp.File(L"a\\b\\x.bin", 1234);
    temp.File(L"y.bin", 10);
    CompletionSink sink;
    ScanSession scanSession;  // the program's own engines
    scanSession.StartScanPaths({L"", temp.Path()}, temp.Path(), sink.Handle());
    EXPECT_TRUE(scanSession.IsScanning());
    ASSERT_TRUE(sink.WaitForCompletion());
    EXPECT_FALSE(scanSession.IsScanning());

    core::ScanResult result = scanSession.TakeResult();
    ASSERT_TRUE(TreeInvariantsHold(result));
    EXPECT_EQ(result.status, core::ScanStatus::Completed);
    EXPECT_EQ(result.rootPath, temp.Path()) << "one path named as itself is scanned as itself";
    EXPECT_EQ(result.nodes[result.rootIndex].TotalSize(), 1244u);
    EXPECT_EQ(result.engine, core::ScanEngineKind::NtQueryDirectory);

    const core::ScanResult again = scanSession.TakeResult();
    EXPECT_EQ(again.nodes.size(), 0u);
    ::Sleep(100);
    sink.Pump();
    EXPECT_EQ(sink.Completions(), 1);
}

TEST(ScanSession, SecondStartWhileScanningIsIgnored) {
    Gate gate;
    CompletionSink sink;
    ScanSession scanSession(GatedEngines(gate));
    scanSession.StartScanPaths({L"X:\\first"}, L"X:\\first", sink.Handle());
    WaitUntilEntered(gate);
    scanSession.StartScanPaths({L"X:\\second"}, L"Other", sink.Handle());
    scanSession.StartScanPaths({L"", L""}, L"", sink.Handle());
    Release(gate);
    ASSERT_TRUE(sink.WaitForCompletion());
    EXPECT_EQ(gate.scanned, (std::vector<std::wstring>{L"X:\\first"}));
    EXPECT_EQ(scanSession.TakeResult().rootPath, L"X:\\first");

    // The first report of a scan is always published; the next, 0 ms later, is not.
    const core::ScanProgress progress = scanSession.ReadProgress();
    EXPECT_EQ(progress.currentPath, L"X:\\first\\first");
    EXPECT_EQ(progress.filesScanned, 1u);
}

TEST(ScanSession, CancelDuringAMultiRootScanDeliversTheCancelledResult) {
    Gate gate;
    CompletionSink sink;
    ScanSession scanSession(GatedEngines(gate));
    scanSession.StartScanPaths({L"C:\\", L"D:\\"}, core::MergedRootName, sink.Handle());
    WaitUntilEntered(gate);
    scanSession.Cancel();
    ASSERT_TRUE(sink.WaitForCompletion());
    const core::ScanResult result = scanSession.TakeResult();
    EXPECT_EQ(result.status, core::ScanStatus::Cancelled);
    EXPECT_EQ(result.rootPath, core::MergedRootName);
    EXPECT_EQ(result.nodes.size(), 2u) << "the synthetic root and the part read";
    EXPECT_EQ(gate.scanned.size(), 1u);
}

TEST(ScanSession, ResourceFailuresEndAsAFailedScanAndLeaveItUsable) {
    const core::ScanEngineFactory throwingEngine = varnel::testing::EveryRootTo(
        [](const std::wstring&, core::ScanCancellationToken&, const core::ScanProgressCallback&) -> core::ScanResult {
            throw std::bad_alloc();
        });
    const ScanSession::ThreadStarter noThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    Gate gate;
    struct Case {
        const char* name;
        core::ScanEngineFactory engines;
        ScanSession::ThreadStarter starter;
    } cases[] = {
        {"engine runs out of memory", throwingEngine, ScanSession::StartStdThread},
        {"thread cannot start", GatedEngines(gate), noThread},
    };
    for (Case& c : cases) {
        CompletionSink sink;
        ScanSession scanSession(c.engines, c.starter);
        scanSession.SetScanOptions({core::EngineChoice::DirectoryWalk, 0});
        scanSession.StartScan(L"X:\\", sink.Handle());
        ASSERT_TRUE(sink.WaitForCompletion()) << c.name;
        EXPECT_FALSE(scanSession.IsScanning()) << c.name;
        EXPECT_EQ(sink.LastScanId(), scanSession.CurrentScanId()) << c.name;
        const core::ScanResult result = scanSession.TakeResult();
        EXPECT_EQ(result.status, core::ScanStatus::Failed) << c.name;
        ASSERT_EQ(result.rootFailures.size(), 1u) << c.name;
        EXPECT_EQ(result.rootFailures[0].reasonKey, "status.scan_resources") << c.name;
        EXPECT_EQ(ScanFailureNotice(result, {}), L"The scan ran out of system resources.") << c.name;
    }
}

TEST(ScanSession, FailureNoticesAreTranslatedWithTheEnglishSentenceAsFallback) {
    core::ScanResult result;
    result.status = core::ScanStatus::Completed;
    result.rootFailures = {{L"E:\\", "status.root_missing", L"The folder does not exist."},
                           {L"F:\\", "", L"NTFS volume could not be opened."},
                           {L"G:\\", "status.scan_resources", L"The scan ran out of system resources."}};
    const auto german = [](std::string_view key) -> std::wstring {
        return key == "status.root_missing" ? L"Der Ordner existiert nicht." : std::wstring(key.begin(), key.end());
    };
    EXPECT_EQ(ScanFailureNotice(result, german),
              L"E:\\: Der Ordner existiert nicht. F:\\: NTFS volume could not be opened. "
              L"G:\\: The scan ran out of system resources.");
}

// The window's Scan posted right after Cancel, before the cancelled scan's
// completion is handled, 200 times: either the new scan is refused, or (had
// it started) the cancelled scan's completion would hide it. After each
// completion the window is idle, so nothing may run.
TEST(ScanSession, ScanRightAfterCancelNeverLeavesAHiddenScan) {
    Gate gate;  // never released: each scan runs until cancelled
    CompletionSink sink;
    ScanSession scanSession(GatedEngines(gate));
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(scanSession.StartScan(L"X:\\", sink.Handle())) << i;
        scanSession.Cancel();
        while (scanSession.IsScanning()) ::Sleep(1);  // its completion is posted, not yet handled
        const bool restarted = scanSession.StartScan(L"X:\\", sink.Handle());
        ASSERT_TRUE(sink.WaitForCompletion()) << i;
        ASSERT_EQ(sink.LastScanId(), scanSession.CurrentScanId()) << i;
        EXPECT_EQ(scanSession.TakeResult().status, core::ScanStatus::Cancelled) << i;
        ASSERT_FALSE(restarted || scanSession.IsScanning()) << "a scan runs behind an idle window, round " << i;
    }
}

TEST(ScanSession, DestroyingItDuringAScanCancelsAndJoins) {
    Gate gate;
    CompletionSink sink;
    {
        ScanSession scanSession(GatedEngines(gate));
        scanSession.StartScan(L"X:\\", sink.Handle());
        WaitUntilEntered(gate);
    }  // would hang for 30 s if the token were not set
    sink.Pump();
    EXPECT_EQ(sink.Completions(), 1);
}

}  // namespace
}  // namespace varnel::app
