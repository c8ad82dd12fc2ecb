#pragma once
// A read-only text view of the program's own: it shows a document of lines that it asks for
// (text_document.h) and paints only the lines in sight, so the size of a text does not
// change what a screen costs. A scroll moves the pixels already drawn and paints only what
// comes into sight.
//
// It behaves as a read-only multi-line edit control does, for users and for other
// programs alike:
// - WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, WM_SETFONT, WM_GETFONT, WM_SETREDRAW (while
//   off, nothing is painted), WM_COPY, the edit queries (edit_queries.h), EM_SETSEL,
//   EM_SCROLLCARET and EM_LINESCROLL; accessibility tools see a read-only edit field.
// - Scroll bars over any number of lines (scroll_mapping.h), the mouse wheel (Shift or a
//   tilt wheel scrolls sideways), the caret keys with Shift for selecting, Ctrl+A, Ctrl+C,
//   selection with the mouse (drag past the edge scrolls, Shift+click, double-click for a
//   word) and a context menu with Copy and Select All, and the owner's own entries.

#include "view/text_document.h"
#include "view/text_positions.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace octolume {

// Registers the window class OCTOLUME_TEXT_VIEW_CLASS once per process. Throws AppError.
void RegisterTextViewClass(HINSTANCE instance);

// Says in a box that a copy of `characters` of text is refused (TooMuchToCopyText).
void RefuseTooMuchToCopy(std::uint64_t characters);

// An entry the view's owner adds to its context menu.
struct ViewMenuEntry {
    std::wstring text;
    bool enabled = true;
    std::function<void()> choose;
};

// What the program's own code asks of a view, directly: a view has no message of its own,
// so other programs reach only what an edit control offers them.
class TextView {
public:
    // The view of a window of this process's class; nothing for any other window.
    static TextView* Of(HWND window);

    // Shows a document from its top, nothing selected.
    virtual void SetDocument(std::shared_ptr<const TextDocument> document) = 0;
    // Shows a text held in memory, taking the string over instead of copying it. Throws
    // std::bad_alloc, leaving the old document, when the line index cannot be made.
    virtual void SetText(std::wstring text) = 0;
    virtual const TextDocument& Document() const = 0;
    // The document as shared, to tell whether it is still the one shown.
    virtual const std::shared_ptr<const TextDocument>& SharedDocument() const = 0;
    virtual TextSelection Selection() const = 0;
    virtual void Select(std::uint64_t anchor, std::uint64_t caret) = 0;
    virtual std::uint64_t FirstVisibleLine() const = 0;
    // Where a line is in the client area, across its width; empty while it is out of sight.
    virtual RECT LineRect(std::uint64_t line) const = 0;
    // Scrolls so that the line is the first in sight (as far as the text allows), then
    // brings the caret into sight.
    virtual void ShowLineFirst(std::uint64_t line) = 0;
    // Called after the selection or the caret changed, however they changed.
    virtual void SetSelectionListener(std::function<void()> listener) = 0;
    // Entries for the context menu, asked for each time it opens, put after Copy.
    virtual void SetMenuEntries(std::function<std::vector<ViewMenuEntry>()> entries) = 0;

protected:
    ~TextView() = default;
};

} // namespace octolume
