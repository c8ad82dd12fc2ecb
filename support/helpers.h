#pragma once
// Small helpers shared by the viewer window and the dialog wrapper.

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace octolume {

// Suspends (false) or resumes (true) the repainting of a window. Reports its own
// failures and never passes them on.
void SetRedraw(HWND window, bool redraw);

// Same length in code units first; then exact (ignoreCase 0) or case-insensitive under
// the user's locale (any other value).
bool StringsEqual(const std::wstring& a, const std::wstring& b, std::int32_t ignoreCase);

// Upper bound of one dimension (counted from 1) of the array the variable holds, or -1
// when the variable is null, holds no array, or the dimension is out of range. Throws
// AppError 6 ("Overflow") when the bound leaves the 32-bit signed range.
std::int32_t SafeUBound(SAFEARRAY* const* array, std::int32_t dimension);

// A text a system function writes into the caller's buffer (GetSystemDirectoryW,
// GetModuleFileNameW, GetFullPathNameA): fill(buffer, size) answers the length written;
// when the buffer is too small, the size needed or the buffer's own size (a cut text);
// 0 on failure. Empty on failure.
template <class Character, class Fill> std::basic_string<Character> StringFromSystem(Fill fill) {
    std::basic_string<Character> text(MAX_PATH, Character{});
    for (;;) {
        const auto length = static_cast<std::size_t>(fill(text.data(), text.size()));
        if (length == 0)
            return {};
        if (length < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(std::max(length, 2 * text.size()));
    }
}

// Registers a window class of the program unless this module has it already. Throws
// AppError when the system refuses.
void RegisterWindowClass(const WNDCLASSEXW& windowClass);

} // namespace octolume
