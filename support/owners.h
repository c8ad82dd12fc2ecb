#pragma once
// Owners of what the system hands out: each releases its resource exactly once, through
// External, so the release's last-error code is recorded like any other call's.

#include "support/external_call.h"

#include <windows.h>
#include <objidl.h>
#include <oleauto.h>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace octolume {

// A deleter that hands the pointer to one release function of the system.
template <auto release> struct ReleaseWith {
    template <class Pointer> void operator()(Pointer pointer) const noexcept {
        External(release, pointer);
    }
};

template <class Handle, auto release>
using Owner = std::unique_ptr<std::remove_pointer_t<Handle>, ReleaseWith<release>>;

// Kernel objects whose functions fail with a null handle: processes, threads, events.
using UniqueHandle = Owner<HANDLE, &::CloseHandle>;

// A handle from the functions that fail with INVALID_HANDLE_VALUE instead (CreateFileW,
// CreateNamedPipeW, FindFirstFileW): that value is the empty handle here, so it can never
// be owned or closed as if it were valid.
class FileHandleValue {
public:
    FileHandleValue(std::nullptr_t = nullptr) noexcept {}
    FileHandleValue(HANDLE handle) noexcept : handle_(handle) {}
    operator HANDLE() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    friend bool operator==(FileHandleValue a, FileHandleValue b) noexcept {
        return a.handle_ == b.handle_;
    }
    friend bool operator==(FileHandleValue a, std::nullptr_t) noexcept { return !a; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
struct CloseFileHandle {
    using pointer = FileHandleValue;
    void operator()(FileHandleValue handle) const noexcept { External(::CloseHandle, handle); }
};
using FileHandle = std::unique_ptr<void, CloseFileHandle>;
using LibraryHandle = Owner<HMODULE, &::FreeLibrary>;
using FontHandle = Owner<HFONT, &::DeleteObject>;
using BitmapHandle = Owner<HBITMAP, &::DeleteObject>;
using BrushHandle = Owner<HBRUSH, &::DeleteObject>;
using MemoryDcHandle = Owner<HDC, &::DeleteDC>;
using MenuHandle = Owner<HMENU, &::DestroyMenu>;
using GlobalMemory = Owner<HGLOBAL, &::GlobalFree>;
using BstrOwner = Owner<BSTR, &::SysFreeString>;
using SafeArrayOwner = std::unique_ptr<SAFEARRAY, ReleaseWith<&::SafeArrayDestroy>>;

// A block from the COM task allocator (CoTaskMemAlloc), such as a string or an item
// identifier list a shell function returns.
template <class T> using TaskMemory = std::unique_ptr<T, ReleaseWith<&::CoTaskMemFree>>;
// A block the system allocated for the caller with LocalAlloc (FormatMessage's buffer).
template <class T> using LocalMemory = std::unique_ptr<T, ReleaseWith<&::LocalFree>>;

namespace detail {
inline int ReleaseScreenDc(HDC dc) {
    return ::ReleaseDC(nullptr, dc);
}
} // namespace detail
using ScreenDcHandle = Owner<HDC, &detail::ReleaseScreenDc>;

// Runs a function when the scope ends, however it ends, unless released before.
template <class Function> class ScopeExit {
public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit() {
        if (armed_)
            function_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

    // The work is done another way: nothing runs at the end.
    void release() noexcept { armed_ = false; }

private:
    Function function_;
    bool armed_ = true;
};

// A storage medium filled by IDataObject::GetData, released with ReleaseStgMedium.
class StorageMedium {
public:
    StorageMedium() = default;
    ~StorageMedium() {
        if (medium_.tymed != TYMED_NULL)
            External(::ReleaseStgMedium, &medium_);
    }
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;

    STGMEDIUM* Receive() noexcept { return &medium_; }
    HGLOBAL Global() const noexcept { return medium_.hGlobal; }

private:
    STGMEDIUM medium_{};
};

// The locked memory of a global block, unlocked when the scope ends.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory)
        : memory_(memory), data_(External(::GlobalLock, memory)) {}
    ~GlobalLockScope() {
        if (data_)
            External(::GlobalUnlock, memory_);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;

    void* Data() const noexcept { return data_; }
    SIZE_T Size() const { return External(::GlobalSize, memory_); }

private:
    HGLOBAL memory_;
    void* data_;
};

// BeginPaint to EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window)
        : window_(window), dc_(External(::BeginPaint, window, &paint_)) {}
    ~PaintScope() { External(::EndPaint, window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC Dc() const noexcept { return dc_; }
    // The part of the window to paint.
    const RECT& Area() const noexcept { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context, the previous one selected back at the end.
class SelectionScope {
public:
    SelectionScope(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(External(::SelectObject, dc, object)) {}
    ~SelectionScope() {
        if (previous_)
            External(::SelectObject, dc_, previous_);
    }
    SelectionScope(const SelectionScope&) = delete;
    SelectionScope& operator=(const SelectionScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace octolume
