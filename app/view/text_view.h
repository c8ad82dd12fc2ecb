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

#include "view/line_indexed_text.h"
#include "view/text_positions.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace octolume {

// Registers the window class OCTOLUME_TEXT_VIEW_CLASS once per process. Throws AppError.
void RegisterTextViewClass(HINSTANCE instance);

// The word a double-click at a position takes, when its owner knows the text better than
// runs of blanks and others do; nothing leaves the choice to the view.
using WordRule = std::function<std::optional<std::pair<std::size_t, std::size_t>>(
    const LineIndexedText& text, std::size_t position)>;

// What the program's own code asks of a view, directly: a view has no message of its own,
// so other programs reach only what an edit control offers them.
class TextView {
public:
    // The view of a window of this process's class; nothing for any other window.
    static TextView* Of(HWND window);

    // Replaces the whole text, taking the string over instead of copying it (a dump can be
    // tens of millions of characters). The view shows it from the top, nothing selected.
    // Throws std::bad_alloc, leaving the old text, when the line index cannot be made.
    virtual void SetText(std::wstring text) = 0;
    // Read in place; it lasts until the text changes.
    virtual const LineIndexedText& Text() const = 0;
    virtual TextSelection Selection() const = 0;
    virtual void Select(std::size_t anchor, std::size_t caret) = 0;
    virtual std::size_t FirstVisibleLine() const = 0;
    // Scrolls so that the line is the first in sight (as far as the text allows), then
    // brings the caret into sight.
    virtual void ShowLineFirst(std::size_t line) = 0;
    virtual void SetWordRule(WordRule rule) = 0;

protected:
    ~TextView() = default;
};

} // namespace octolume
