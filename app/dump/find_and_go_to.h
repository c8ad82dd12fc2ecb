#pragma once
// Find and Go To in the dump view: two modeless dialogs owned by the main window, and the
// searches behind them and behind F3 and Shift+F3. They work on the bytes of the file the
// view shows (its dump's source) and select what they find in the view. A search that
// outlasts a moment goes on on a thread of its own (search_task.h), its progress in the
// Find dialog's status line, until it ends or the user stops it.

#include "dump/byte_search.h"
#include "dump/dump_view.h"
#include "dump/search_task.h"

#include <windows.h>

#include <memory>
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

// Posted to the owner when a search's thread ends; the owner hands it to
// OnSearchFinished, which asks the search itself what happened.
constexpr UINT kSearchFinishedMessage = WM_APP + 1;
// The owner's timer that shows a running search's progress: OnSearchProgress.
constexpr UINT_PTR kSearchProgressTimer = 1;

class FindAndGoTo {
public:
    FindAndGoTo(HINSTANCE instance, DumpView& view) : instance_(instance), view_(view) {}
    FindAndGoTo(const FindAndGoTo&) = delete;
    FindAndGoTo& operator=(const FindAndGoTo&) = delete;

    // The main window that owns the dialogs; they close with it.
    void SetOwner(HWND owner) noexcept { owner_ = owner; }
    // While a load runs, every request is refused quietly. A load can start inside another
    // (a drop taken while the first one lets pending messages through): both are counted.
    // A load stops a running search first: its file is about to go.
    void LoadStarted() noexcept;
    void LoadEnded() noexcept { --loads_; }
    // A load runs: other commands on the dump are refused quietly too.
    bool Loading() const noexcept { return loads_ > 0; }

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

    // Escape, or Cancel in the Find dialog while a search runs: stops it, says so and leaves
    // the selection as it was. False when no search was running.
    bool StopSearch();
    // Stops a running search without a word (the window closes).
    void Abandon() noexcept;
    bool Searching() const noexcept { return search_ != nullptr; }
    void OnSearchFinished();
    void OnSearchProgress();

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
    std::uint64_t SearchStart(bool backwards);
    void Finish(const SearchOutcome& outcome, std::uint64_t queryLength, bool backwards);
    void EndSearch() noexcept;
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
    std::unique_ptr<SearchTask> search_;
    // The dump the running search looks through: its result is for that dump only.
    std::shared_ptr<const DumpDocument> searched_;
};

} // namespace octolume
