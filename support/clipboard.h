#pragma once
// Text onto the system clipboard.

#include <windows.h>

#include <string_view>

namespace octolume {

// Replaces the clipboard's content by the text as Unicode text. Another program may hold
// the clipboard for a moment: the open is tried again for a short, bounded while. Throws
// AppError when the clipboard stays busy, memory runs out, or the system refuses the text;
// a refusal after the old content was emptied leaves the clipboard empty and closed.
void PutTextOnClipboard(HWND owner, std::wstring_view text);

// The same under one clipboard format of UTF-16 text: CF_UNICODETEXT or a format the
// program registered for its own text.
void PutTextOnClipboardAs(HWND owner, std::wstring_view text, UINT format);

} // namespace octolume
