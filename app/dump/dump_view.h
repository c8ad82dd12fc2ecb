#pragma once
// The dump view: the program's own read-only text view (text_view.h) that shows a file's
// dump in a fixed-pitch font: a short text of its own ("Loading...") or a file's dump as a
// document of lines made on demand from the file's bytes (dump_document.h).

#include "dump/dump_document.h"
#include "dump/dump_places.h"
#include "view/text_positions.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace octolume {

class TextView;

struct DumpViewSetup {
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;
    int controlId = 0;
    HFONT font = nullptr; // null: the view's own fixed-pitch font
};

class DumpView {
public:
    DumpView() = default;
    DumpView(const DumpView&) = delete;
    DumpView& operator=(const DumpView&) = delete;

    // Creates the view at a place of the parent's client area. Throws AppError.
    void Create(const DumpViewSetup& setup, const RECT& rect);
    HWND Handle() const noexcept { return view_; }
    TextView* View() const noexcept { return text_; }

    // Shows a text of the program's own in place of whatever the view held.
    void ShowText(std::wstring text);
    // Shows a file's dump from its top. Throws std::bad_alloc, leaving the view as it was.
    void ShowDump(std::shared_ptr<const DumpSource> source);
    // The dump shown; null while the view shows a text (or one another program set).
    std::shared_ptr<const DumpDocument> Dump() const;

    const TextDocument& Document() const;
    TextSelection Selection() const;
    // Selects the hex pairs of `count` bytes from `first` on, and scrolls the first one's
    // line near the top of the view.
    void SelectBytes(std::uint64_t first, std::uint64_t count);
    // The line of the dump that a line of the view shows; nothing while no dump is shown.
    std::optional<DumpLine> DumpLineAt(std::uint64_t line) const;

    // The parent and its children are gone.
    void Forget() noexcept {
        view_ = nullptr;
        text_ = nullptr;
        dump_.reset();
    }

private:
    HWND view_ = nullptr;
    TextView* text_ = nullptr; // the view's own, gone with it
    std::shared_ptr<const DumpDocument> dump_;
};

} // namespace octolume
