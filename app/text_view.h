#pragma once
// A read-only text view of the program's own: it holds its text once (LineIndexedText) and
// paints only the lines in sight, so the size of a text does not change what a screen
// costs. A scroll moves the pixels already drawn and paints only what comes into sight.
//
// It behaves as a read-only multi-line edit control does, for users and for other
// programs alike:
// - WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, WM_SETFONT, WM_GETFONT, WM_SETREDRAW (while
//   off, nothing is painted), WM_COPY, the edit queries (edit_queries.h), EM_SETSEL,
//   EM_SCROLLCARET and EM_LINESCROLL; accessibility tools see a read-only edit field.
// - Scroll bars with 32-bit positions, the mouse wheel (Shift or a tilt wheel scrolls
//   sideways), the caret keys with Shift for selecting, Ctrl+A, Ctrl+C, selection with the
//   mouse (drag past the edge scrolls, Shift+click, double-click for a word) and a context
//   menu with Copy and Select All.

#include "line_indexed_text.h"

#include <windows.h>

#include <string>

namespace octolume {

// Registers the window class OCTOLUME_TEXT_VIEW_CLASS once per process. Throws AppError.
void RegisterTextViewClass(HINSTANCE instance);

// Replaces a view's whole text, taking the string over instead of copying it (a dump can
// be tens of millions of characters). The view shows it from the top, nothing selected.
// Throws std::bad_alloc, leaving the old text, when the line index cannot be made.
void SetViewText(HWND view, std::wstring text);

// The text a view of this process holds, read in place; it lasts until the text changes.
const LineIndexedText& ViewTextOf(HWND view);

} // namespace octolume
