#pragma once
// Text onto the system clipboard.

#include <windows.h>

#include <string_view>

namespace octolume {

// Replaces the clipboard's content by the text as Unicode text. Another program may hold
// the clipboard for a moment: the open is tried again for a short, bounded while. Throws
// AppError when the clipboard stays busy or memory runs out.
void PutTextOnClipboard(HWND owner, std::wstring_view text);

} // namespace octolume
