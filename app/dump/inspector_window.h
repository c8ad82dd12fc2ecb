#pragma once
// The inspector: a small tool window owned by the main window that shows what the bytes from
// the caret on mean (inspector_values.h) and where the caret and the selection are. Each
// value stands in a read-only edit control of its own beside a static label, so screen
// readers and other programs read it with WM_GETTEXT and a user can select and copy it.
//
// It never takes the focus when it shows, so the view keeps the keys; it follows the caret
// only through Update, which sets the text of just the controls whose value changed.

#include "dump/inspector_values.h"
#include "support/owners.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace octolume {

inline constexpr wchar_t kInspectorTitle[] = L"Inspector";
inline constexpr wchar_t kInspectorWindowClass[] = L"Octolume32.Inspector";

// The control identifiers of the edits, for the program's tests and for other programs that
// read a value with GetDlgItem: the position rows' hex and decimal texts, the value rows'
// little-endian (or only) and big-endian texts.
constexpr int InspectorPositionId(PositionRow row, bool decimal) noexcept {
    return 100 + 2 * static_cast<int>(row) + (decimal ? 1 : 0);
}
constexpr int InspectorValueId(ValueRow row, bool bigEndian) noexcept {
    return 200 + 2 * static_cast<int>(row) + (bigEndian ? 1 : 0);
}

// Where a window of `size` goes so that it covers neither the caret's line nor, when the
// work area has room, the owner: beside the owner (right, then left), else below or above
// the caret's line, always within the work area.
POINT InspectorPlace(SIZE size, const RECT& owner, const RECT& caretLine, const RECT& workArea);

class InspectorWindow {
public:
    explicit InspectorWindow(HINSTANCE instance) : instance_(instance) {}
    ~InspectorWindow();
    InspectorWindow(const InspectorWindow&) = delete;
    InspectorWindow& operator=(const InspectorWindow&) = delete;

    // Called when the user closed the inspector (Escape, Ctrl+I in it, its close button),
    // not when the owner hides it.
    void SetClosedListener(std::function<void()> listener) { closed_ = std::move(listener); }

    bool Shown() const;
    // Shows it without activating it, with the values Update gave last. The first time it
    // is placed clear of the caret's line (screen coordinates); later it stays where the
    // user left it unless it covers the line. Throws AppError when it cannot be created.
    void Show(HWND owner, const RECT& caretLineOnScreen);
    void Hide();
    // What to show; no caret when no dump is shown: a dash everywhere. While hidden it is only
    // kept; nothing is worked out until it shows.
    void Update(std::optional<std::uint64_t> caret, std::optional<ByteSelection> selection,
                const BytesAtCaret& bytes);
    // The same, shown once the owner has painted: a caret key's repaint waits for no field,
    // and the keys of a held key that come faster than the fields are set are taken as one.
    // (Setting the text of an edit control costs up to a few tenths of a millisecond under
    // Wine, and a move of one byte changes nearly every field.)
    void UpdateSoon(std::optional<std::uint64_t> caret, std::optional<ByteSelection> selection,
                    const BytesAtCaret& bytes);
    // Moves the window only when it covers the caret's line.
    void Avoid(const RECT& caretLineOnScreen);

    // The keyboard inside the inspector before a message of the thread is dispatched: Tab
    // between its fields, Escape and Ctrl+I to close it. True when the message was taken.
    bool TakeKeyboardMessage(MSG& message);

    HWND Handle() const noexcept { return window_; }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(WORD command);
    void OnClose();
    void OnNcDestroy();

    void Create(HWND owner);
    void CreateControls();
    HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                     const RECT& place);
    void Refresh();
    void OnRefreshSoon();
    void SetText(int id, const std::wstring& text);
    void CloseByUser();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND owner_ = nullptr;
    FontHandle font_;
    std::function<void()> closed_;

    // What Update asked for last, what the controls were worked out from (nothing before
    // the first time they are) and the texts they show.
    std::optional<std::uint64_t> caret_;
    std::optional<ByteSelection> selection_;
    BytesAtCaret bytes_;
    bool positionsShown_ = false;
    std::optional<std::uint64_t> shownCaret_;
    std::optional<ByteSelection> shownSelection_;
    std::optional<BytesAtCaret> shownBytes_;
    InspectorPositions shownPositions_;
    InspectorValues shownValues_;
    bool placed_ = false;
    bool refreshPending_ = false;
};

} // namespace octolume
