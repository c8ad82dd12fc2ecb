#pragma once
// The dump view's tools over whole bytes: the inspector that follows the caret and the
// selection (Ctrl+I), Select Block (Ctrl+E), and Copy as hex (Ctrl+Shift+C) and Copy as C
// array in the view's context menu. They read the bytes from the dump's source, the engine's.

#include "dump/dump_view.h"
#include "dump/inspector_window.h"
#include "dump/select_block_dialog.h"
#include "dump/view_bytes.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace octolume {

class ByteTools {
public:
    ByteTools(HINSTANCE instance, DumpView& view)
        : view_(view), inspector_(instance), selectBlock_(instance) {}
    ByteTools(const ByteTools&) = delete;
    ByteTools& operator=(const ByteTools&) = delete;

    // Once the view exists: follows its caret and adds Copy as to its context menu.
    void Attach(HWND owner);

    // Ctrl+I: shows the inspector beside the view's caret line, or closes it.
    void ToggleInspector();
    // Escape in the view: closes the inspector; false when it was not shown.
    bool CloseInspector();
    bool InspectorShown() const { return inspector_.Shown(); }
    HWND InspectorHandle() const noexcept { return inspector_.Handle(); }
    // Gives the inspector what the caret and the selection stand on now. Nothing is read or
    // worked out again while the dump, the caret and the selection are as they were; the
    // inspector still moves out of the way when the caret's line moved under it.
    void Follow();

    // Ctrl+E: asks for a block of the dump and selects its hex pairs.
    void SelectBlock();
    // Copy as hex or as C array of the bytes the selection covers; nothing when it covers none.
    void CopyAs(CopyAsForm form);

    // The inspector's keyboard (inside it): true when the message was its.
    bool TakeKeyboardMessage(MSG& message) { return inspector_.TakeKeyboardMessage(message); }

private:
    // Hands the inspector what the caret and the selection stand on, when that changed.
    void Give();
    RECT CaretLineOnScreen() const;
    ByteSelection Covered() const;

    DumpView& view_;
    HWND owner_ = nullptr;
    InspectorWindow inspector_;
    SelectBlockDialog selectBlock_;
    // What the inspector was last given, so an unchanged caret costs nothing. The dump is
    // held weakly: the previous file closes with its dump, and its place is not reused while
    // this is kept, so a new dump never looks like the old one.
    std::weak_ptr<const DumpDocument> followed_;
    bool followedOnce_ = false;
    bool followedNone_ = false; // what was followed last was no dump at all
    TextSelection followedSelection_;
};

} // namespace octolume
