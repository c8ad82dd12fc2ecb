#pragma once
// Find and Go To in the dump view: two modeless dialogs owned by the main window, and the
// searches behind them and behind F3 and Shift+F3. They work on the file's bytes as the
// dump shows them (DumpView::Bytes) and select what they find in the view.

#include "dump/byte_search.h"
#include "dump/dump_view.h"

#include <windows.h>

#include <optional>
#include <string>

namespace octolume {

// What the Find dialog holds, remembered while the program runs.
struct FindSettings {
    std::wstring query;
    bool hex = false;
    bool matchCase = false;
    bool up = false;
};

class FindAndGoTo {
public:
    FindAndGoTo(HINSTANCE instance, DumpView& view) : instance_(instance), view_(view) {}
    FindAndGoTo(const FindAndGoTo&) = delete;
    FindAndGoTo& operator=(const FindAndGoTo&) = delete;

    // The main window that owns the dialogs; they close with it.
    void SetOwner(HWND owner) noexcept { owner_ = owner; }
    // While a load runs, every request is refused quietly. A load can start inside another
    // (a drop taken while the first one lets pending messages through): both are counted.
    void LoadStarted() noexcept { ++loads_; }
    void LoadEnded() noexcept { --loads_; }

    // Ctrl+F: opens the Find dialog, with the view's selection as the query when it is a
    // query (QueryFromSelection).
    void ShowFind();
    // Ctrl+G.
    void ShowGoTo();
    // Find Next, F3 (forwards) and Shift+F3 (backwards), from the view's selection.
    void FindNext(bool backwards);
    // Keyboard navigation for the open dialogs: true when the message was theirs.
    bool TakeDialogMessage(MSG& message);

    HWND FindDialog() const noexcept { return findDialog_; }

private:
    static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    HWND OpenDialog(HWND& dialog, int resource);
    void OnFindCommand(WORD command);
    void OnGoToCommand(WORD command);
    void ReadFindDialog();
    void ShowFindSettings();
    bool FindDialogShown() const;
    std::optional<SelectionQuery> SelectedQuery();
    std::size_t SearchStart(bool backwards);
    void PlaceBesideView(HWND dialog);
    void Say(const std::wstring& text);
    void GoTo();
    void Close(HWND dialog);

    HINSTANCE instance_;
    DumpView& view_;
    HWND owner_ = nullptr;
    HWND findDialog_ = nullptr;
    HWND goToDialog_ = nullptr;
    int loads_ = 0;
    FindSettings settings_;
};

} // namespace octolume
