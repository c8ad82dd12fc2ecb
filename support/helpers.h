#pragma once
// Small helpers shared by the viewer window and the dialog wrapper.

#include <windows.h>
#include <oleauto.h>

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

// A folder a system function writes into the caller's buffer (GetCurrentDirectoryW,
// GetSystemDirectoryW): fill(buffer, size) answers the length written, the size needed
// (its NUL included) when the buffer is too small, or 0 on failure. Empty on failure.
template <class Fill> std::wstring FolderFromSystem(Fill fill) {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const auto length = static_cast<std::size_t>(fill(folder.data(), folder.size()));
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

} // namespace octolume
