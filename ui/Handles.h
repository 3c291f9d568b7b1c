#pragma once
// One owning, non-copyable type per kind of Win32 handle.
#include <windows.h>

template <typename Traits> class UniqueHandle {
public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    pointer get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::IsValid(handle_); }
    pointer release() noexcept {
        pointer handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    void reset(pointer handle = Traits::Invalid()) noexcept {
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = handle;
    }

private:
    pointer handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(pointer h) noexcept { CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// A handle that is null when empty, given back by one closing function.
template <typename Handle, auto Closer> struct NullEmptyTraits {
    using pointer = Handle;
    static pointer Invalid() noexcept { return nullptr; }
    static bool IsValid(pointer h) noexcept { return h != nullptr; }
    static void Close(pointer h) noexcept { Closer(h); }
};

using UniqueWindow = UniqueHandle<NullEmptyTraits<HWND, DestroyWindow>>;
using UniqueGdiObject = UniqueHandle<NullEmptyTraits<HGDIOBJ, DeleteObject>>;
using UniqueMemoryDc = UniqueHandle<NullEmptyTraits<HDC, DeleteDC>>;
using UniqueRegistryKey = UniqueHandle<NullEmptyTraits<HKEY, RegCloseKey>>;
using UniqueGlobal = UniqueHandle<NullEmptyTraits<HGLOBAL, GlobalFree>>;

struct FindHandleTraits {
    using pointer = HANDLE;
    static pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(pointer h) noexcept { return h != INVALID_HANDLE_VALUE; }
    static void Close(pointer h) noexcept { FindClose(h); }
};
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

// A window's device context, released when the guard goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Movable global memory locked while the guard lives; Data() is null when the lock failed.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    ~GlobalLockGuard() {
        if (data_) GlobalUnlock(memory_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* Data() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

// A started process's two handles.
struct OwnedProcess {
    OwnedProcess() = default;
    explicit OwnedProcess(const PROCESS_INFORMATION& info)
        : Process(info.hProcess), Thread(info.hThread) {}
    UniqueKernelHandle Process;
    UniqueKernelHandle Thread;
};
