#pragma once
// Find and Go To in the dump view: two modeless dialogs owned by the main window, and the
// searches behind them and behind F3 and Shift+F3. They work on the file's bytes as the
// dump shows them (DumpView::Bytes) and select what they find in the view.

#include "byte_search.h"
#include "dump_view.h"

#include <windows.h>

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
    // While a load runs, every request is refused quietly.
    void SetLoading(bool loading) noexcept { loading_ = loading; }

    // Ctrl+F: opens the Find dialog, with the view's selection as the query when it lies
    // on one line.
    void ShowFind();
    // Ctrl+G.
    void ShowGoTo();
    // Find Next, F3 (forwards) and Shift+F3 (backwards), from the view's selection.
    void FindNext(bool backwards);
    // Keyboard navigation for the open dialogs: true when the message was theirs.
    bool TakeDialogMessage(MSG& message);

    const FindSettings& Settings() const noexcept { return settings_; }
    HWND FindDialog() const noexcept { return findDialog_; }
    HWND GoToDialog() const noexcept { return goToDialog_; }

private:
    static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    HWND OpenDialog(HWND& dialog, int resource);
    void OnFindCommand(WORD command);
    void OnGoToCommand(WORD command);
    void ReadFindDialog();
    void ShowFindSettings();
    void PlaceBelowMatches(HWND dialog);
    void Say(const std::wstring& text);
    void GoTo();
    void Close(HWND dialog);

    HINSTANCE instance_;
    DumpView& view_;
    HWND owner_ = nullptr;
    HWND findDialog_ = nullptr;
    HWND goToDialog_ = nullptr;
    bool loading_ = false;
    FindSettings settings_;
};

} // namespace octolume
