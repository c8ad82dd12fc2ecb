#pragma once
// The dump view: the rich-edit control that shows a file's dump as plain, read-only,
// unwrapped text. Wine's rich-edit empties or replaces a long text in time that grows
// with the square of its length (minutes for the dump of a few hundred KiB), while
// destroying the control costs time in proportion to it. So a view that holds a long
// text is never emptied in place: a new, empty control, set up the same way, takes the
// old one's place (control ID, position, z and tab order, focus, drop target) and the
// old one is destroyed before anything new is filled in, so two long views never live
// at once.

#include "drop_intake.h"
#include "layout.h"

#include <windows.h>
#include <commctrl.h>

#include <string_view>

namespace octolume {

// Texts up to this many characters are emptied in place; longer ones are dropped with
// their control. Emptying in place costs about as much as a new control at this length.
constexpr int kLongestTextEmptiedInPlace = 4096;

struct DumpViewSetup {
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;
    int controlId = 0;
    HFONT font = nullptr;                 // null: the control's own font
    ViewDropTarget* dropTarget = nullptr; // null: the control keeps its own target
    SUBCLASSPROC subclass = nullptr;      // null: no subclass
};

class DumpView {
public:
    DumpView() = default;
    DumpView(const DumpView&) = delete;
    DumpView& operator=(const DumpView&) = delete;

    // Creates the control at a place of the parent's client area. Throws AppError.
    void Create(const DumpViewSetup& setup, const PixelRect& rect);
    HWND Handle() const noexcept { return control_; }

    // Shows the text in place of whatever the view held: a short one at once, a long
    // one appended in pieces (see view_text.h). Throws AppError when a new control
    // cannot be made.
    void ShowText(std::wstring_view text);

    // Empties the view as the program ends. A long text's control is hidden and left to
    // the end of the process instead of being destroyed: freeing it would only delay
    // the end, which frees it at once.
    void EmptyBeforeProcessEnd();

    // Revokes the drop target while the parent is being destroyed.
    void RevokeDropTarget();
    // The parent and its children are gone.
    void Forget() noexcept { control_ = nullptr; }

private:
    HWND NewControl(const RECT& rect, bool visible) const;
    // Puts a new, empty control in the old one's place and returns the old one.
    HWND Renew();

    DumpViewSetup setup_;
    HWND control_ = nullptr;
};

} // namespace octolume
