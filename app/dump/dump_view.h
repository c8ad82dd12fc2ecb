#pragma once
// The dump view: the program's own read-only text view (text_view.h) that shows a file's
// dump in a fixed-pitch font, with the window's drop target on it, and the file's bytes
// read back from the dump for Find and Go To.

#include "shell/drop_intake.h"
#include "dump/dump_places.h"
#include "dump/dump_bytes.h"
#include "shell/layout.h"
#include "view/line_indexed_text.h"
#include "view/text_positions.h"

#include <windows.h>

#include <optional>
#include <string>

namespace octolume {

class TextView;

struct DumpViewSetup {
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;
    int controlId = 0;
    HFONT font = nullptr;                 // null: the view's own fixed-pitch font
    ViewDropTarget* dropTarget = nullptr; // null: drops are not taken
};

class DumpView {
public:
    DumpView() = default;
    DumpView(const DumpView&) = delete;
    DumpView& operator=(const DumpView&) = delete;

    // Creates the view at a place of the parent's client area. Throws AppError.
    void Create(const DumpViewSetup& setup, const PixelRect& rect);
    HWND Handle() const noexcept { return view_; }

    // Shows the text in place of whatever the view held, taking it over. Throws
    // std::bad_alloc, leaving the view as it was, when the text cannot be indexed.
    void ShowText(std::wstring text);
    const LineIndexedText& Text() const;
    TextSelection Selection() const;

    // The bytes the dump shows, read back from its text once and kept until the text
    // changes. Throws std::bad_alloc.
    const DumpBytes& Bytes();
    // Selects the hex pairs of `count` bytes from `first` on, and scrolls the first one's
    // line near the top of the view.
    void SelectBytes(std::size_t first, std::size_t count);
    // The line of the dump that a line of the text shows; nothing for a text that is no dump.
    std::optional<DumpLine> DumpLineAt(std::size_t textLine);

    // Revokes the drop target while the parent is being destroyed.
    void RevokeDropTarget();
    // The parent and its children are gone.
    void Forget() noexcept {
        view_ = nullptr;
        text_ = nullptr;
    }

private:
    std::optional<std::pair<std::size_t, std::size_t>> WordAt(std::size_t position);

    ViewDropTarget* dropTarget_ = nullptr;
    HWND view_ = nullptr;
    TextView* text_ = nullptr; // the view's own, gone with it
    DumpBytes bytes_;
};

} // namespace octolume
