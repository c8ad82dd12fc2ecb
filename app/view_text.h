#pragma once

#include <windows.h>

#include <string_view>

namespace octolume {

// Replaces the rich-edit view's whole text. The text goes in as whole lines appended in
// pieces of about 64K characters with undo off: the rich-edit control takes one long
// text in a single call in time that grows much faster than its length.
void ReplaceViewText(HWND view, std::wstring_view text);

} // namespace octolume
