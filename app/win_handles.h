#pragma once
// Owners for the window system's handles, so every handle the program creates is
// released exactly once.

#include "support/external_call.h"

#include <windows.h>

#include <memory>
#include <type_traits>

namespace octolume {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept {
        External([&] { return ::DeleteObject(object); });
    }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;

struct LibraryDeleter {
    void operator()(HMODULE module) const noexcept {
        External([&] { return ::FreeLibrary(module); });
    }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

struct ScreenDcReleaser {
    void operator()(HDC dc) const noexcept {
        External([&] { return ::ReleaseDC(nullptr, dc); });
    }
};
using ScreenDcHandle = std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcReleaser>;

struct MemoryDcDeleter {
    void operator()(HDC dc) const noexcept {
        External([&] { return ::DeleteDC(dc); });
    }
};
using MemoryDcHandle = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

} // namespace octolume
