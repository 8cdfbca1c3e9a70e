#pragma once
// One move-only owner for every kind of Windows handle. Each Traits type
// names the handle type, its invalid value and how to close it, so that no
// code path closes a handle by hand.

#include <windows.h>

#include <utility>

namespace varnel::platform {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

    void reset(Handle handle = Traits::Invalid()) noexcept {
        const Handle previous = std::exchange(handle_, handle);
        if (previous != Traits::Invalid()) {
            Traits::Close(previous);
        }
    }

    // For out-parameters: closes what is held, then hands out the slot.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::FindClose(handle); }
};

struct SidTraits {
    using Handle = PSID;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::FreeSid(handle); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::DestroyMenu(handle); }
};

struct AcceleratorTableTraits {
    using Handle = HACCEL;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::DestroyAcceleratorTable(handle); }
};

// CreateFileW: INVALID_HANDLE_VALUE on failure.
using UniqueFile = UniqueHandle<FileHandleTraits>;
// Threads, events and other kernel objects: null on failure.
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueSid = UniqueHandle<SidTraits>;
// A menu not (or no longer) attached to a window; destroying it takes its
// submenus along.
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueAcceleratorTable = UniqueHandle<AcceleratorTableTraits>;

}  // namespace varnel::platform
