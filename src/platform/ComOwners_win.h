#pragma once
// Owners for what the component library hands out: interface pointers,
// task-memory blocks (strings and item lists the shell allocates for us) and
// the apartment a thread joins. They are UniqueHandle owners like the rest,
// so no code path calls Release, CoTaskMemFree or CoUninitialize by hand.

#include <objbase.h>

#include "platform/UniqueHandle_win.h"

namespace varnel::platform {

template <class Interface>
struct ComInterfaceTraits {
    using Handle = Interface*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle pointer) noexcept { pointer->Release(); }
};

// One reference to a COM interface, released when the owner goes.
template <class Interface>
class ComPtr : public UniqueHandle<ComInterfaceTraits<Interface>> {
public:
    using UniqueHandle<ComInterfaceTraits<Interface>>::UniqueHandle;
    Interface* operator->() const noexcept { return this->get(); }
    // For CoCreateInstance and the other creators that take a void**.
    void** put_void() noexcept { return reinterpret_cast<void**>(this->put()); }
};

template <class Pointer>
struct TaskMemoryTraits {
    using Handle = Pointer;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle block) noexcept { ::CoTaskMemFree(block); }
};

// A string the shell allocated with CoTaskMemAlloc (a display name, a path).
using UniqueTaskString = UniqueHandle<TaskMemoryTraits<PWSTR>>;
// Any other task-memory block, such as a shell item list.
template <class Pointer>
using UniqueTaskMemory = UniqueHandle<TaskMemoryTraits<Pointer>>;

// This thread in a single-threaded apartment for the length of the scope.
// A thread already in one, or in another kind (RPC_E_CHANGED_MODE), can still
// make the in-process objects we use, so both count as usable; only an
// initialisation this scope made is undone.
class ComApartment {
public:
    ComApartment() noexcept {
        const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        usable_ = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
        initialised_ = SUCCEEDED(result);
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialised_) ::CoUninitialize();
    }
    bool usable() const noexcept { return usable_; }

private:
    bool usable_ = false;
    bool initialised_ = false;
};

}  // namespace varnel::platform
