#include "dump/find_and_go_to.h"

#include "dump/dialog_controls.h"
#include "shell/resource.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/message_box.h"
#include "support/report_error.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

namespace octolume {

namespace {

constexpr wchar_t kTitle[] = L"Octolume32";
// More than four times a second.
constexpr UINT kProgressInterval = 200;

FindAndGoTo* OwnerOf(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        External(::SetWindowLongPtrW, dialog, DWLP_USER, lParam);
    return reinterpret_cast<FindAndGoTo*>(External(::GetWindowLongPtrW, dialog, DWLP_USER));
}

} // namespace

HWND FindAndGoTo::OpenDialog(HWND& dialog, int resource) {
    const bool first = dialog == nullptr;
    if (first) {
        dialog = External(::CreateDialogParamW, instance_, MAKEINTRESOURCEW(resource), owner_,
                          DialogProcedure, reinterpret_cast<LPARAM>(this));
        if (dialog == nullptr)
            throw AppError(error_number::kInternal, L"Unable to create a dialog");
        PlaceBesideView(dialog);
    }
    External(::ShowWindow, dialog, SW_SHOW);
    return dialog;
}

void FindAndGoTo::Close(HWND dialog) {
    External(::ShowWindow, dialog, SW_HIDE);
    if (view_.Handle() != nullptr)
        External(::SetFocus, view_.Handle());
}

void FindAndGoTo::ShowFind() {
    if (loads_ > 0)
        return;
    if (findDialog_ != nullptr && External(::IsWindowVisible, findDialog_))
        ReadFindDialog(); // what was typed and not yet looked for stays
    if (const std::optional<SelectionQuery> fromSelection = SelectedQuery()) {
        settings_.query = fromSelection->text;
        settings_.hex = fromSelection->hex;
    }
    const HWND dialog = OpenDialog(findDialog_, IDD_FIND);
    ShowFindSettings();
    FocusControl(dialog, IDC_FIND_WHAT);
}

std::optional<SelectionQuery> FindAndGoTo::SelectedQuery() {
    const TextSelection selection = view_.Selection();
    const TextDocument& text = view_.Document();
    const std::uint64_t line = text.LineOf(selection.Start());
    if (selection.Empty() || text.LineOf(selection.End()) != line)
        return std::nullopt;
    const std::optional<DumpLine> dumpLine = view_.DumpLineAt(line);
    if (!dumpLine)
        return std::nullopt;
    const std::uint64_t start = text.LineStart(line);
    return QueryFromSelection(*dumpLine, text.Line(line),
                              static_cast<std::size_t>(selection.Start() - start),
                              static_cast<std::size_t>(selection.End() - start));
}

// At the view's bottom right: what is found, or gone to, is shown near the view's top.
void FindAndGoTo::PlaceBesideView(HWND dialog) {
    RECT view{}, own{};
    External(::GetWindowRect, view_.Handle(), &view);
    External(::GetWindowRect, dialog, &own);
    External(::SetWindowPos, dialog, nullptr,
             std::max(view.left, view.right - (own.right - own.left)),
             std::max(view.top, view.bottom - (own.bottom - own.top)), 0, 0,
             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FindAndGoTo::ShowGoTo() {
    if (loads_ > 0)
        return;
    FocusControl(OpenDialog(goToDialog_, IDD_GO_TO), IDC_GO_TO_OFFSET);
}

void FindAndGoTo::ShowFindSettings() {
    External(::SetDlgItemTextW, findDialog_, IDC_FIND_WHAT, settings_.query.c_str());
    External(::CheckRadioButton, findDialog_, IDC_FIND_TEXT, IDC_FIND_HEX,
             settings_.hex ? IDC_FIND_HEX : IDC_FIND_TEXT);
    Check(findDialog_, IDC_FIND_MATCH_CASE, settings_.matchCase);
    External(::EnableWindow, External(::GetDlgItem, findDialog_, IDC_FIND_MATCH_CASE),
             !settings_.hex);
    External(::CheckRadioButton, findDialog_, IDC_FIND_UP, IDC_FIND_DOWN,
             settings_.up ? IDC_FIND_UP : IDC_FIND_DOWN);
    External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, L"");
}

void FindAndGoTo::ReadFindDialog() {
    settings_.query = ControlText(findDialog_, IDC_FIND_WHAT);
    settings_.hex = Checked(findDialog_, IDC_FIND_HEX);
    settings_.matchCase = Checked(findDialog_, IDC_FIND_MATCH_CASE);
    settings_.up = Checked(findDialog_, IDC_FIND_UP);
}

bool FindAndGoTo::FindDialogShown() const {
    return findDialog_ != nullptr && External(::IsWindowVisible, findDialog_);
}

// In the Find dialog while it is open; otherwise in a box of its own.
void FindAndGoTo::Say(const std::wstring& text) {
    if (FindDialogShown())
        External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, text.c_str());
    else
        ShowMessageBox(text, kTitle, MB_OK | MB_ICONINFORMATION);
}

void FindAndGoTo::FindNext(bool backwards) {
    if (loads_ > 0)
        return;
    if (settings_.query.empty()) {
        if (FindDialogShown())
            Say(L"Type the text or the bytes to find.");
        else
            ShowFind();
        return;
    }
    EndSearch(); // a new search replaces one still running
    if (findDialog_ != nullptr)
        External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, L"");
    const ParsedQuery parsed =
        settings_.hex ? HexQuery(settings_.query) : TextQuery(settings_.query, settings_.matchCase);
    if (!parsed.query) {
        ShowMessageBox(parsed.refusal, kTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const std::shared_ptr<const DumpDocument> dump = view_.Dump();
    SearchPlan plan(dump != nullptr ? dump->Size() : 0, SearchStart(backwards), backwards,
                    kSearchSliceBytes);
    if (dump == nullptr) {
        Finish(SearchOutcome{SearchOutcome::Kind::kNotFound, 0, false, {}}, 0, backwards);
        return;
    }
    // A small file, or a match near the start, is answered at once; the rest of a long
    // search goes on while the window stays alive.
    const std::atomic<bool> never{false};
    if (const std::optional<SearchOutcome> outcome = SearchSlices(
            *dump->Source(), *parsed.query, plan, never, kSearchSliceBytes * 2)) {
        Finish(*outcome, parsed.query->bytes.size(), backwards);
        return;
    }
    search_ = std::make_unique<SearchTask>(dump->Source(), *parsed.query, plan, owner_,
                                           kSearchFinishedMessage);
    searched_ = dump;
    External(::SetTimer, owner_, kSearchProgressTimer, kProgressInterval, nullptr);
    OnSearchProgress();
}

void FindAndGoTo::Finish(const SearchOutcome& outcome, std::uint64_t queryLength,
                         bool backwards) {
    switch (outcome.kind) {
    case SearchOutcome::Kind::kFound:
        view_.SelectBytes(outcome.start, queryLength);
        if (outcome.wrapped)
            Say(backwards ? L"Passed the start of the dump and went on from its end."
                          : L"Passed the end of the dump and went on from its start.");
        else if (FindDialogShown())
            External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, L"");
        break;
    case SearchOutcome::Kind::kNotFound:
        if (FindDialogShown())
            External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, L"");
        ShowMessageBox(L"Cannot find " + QuotedQuery(settings_.query) + L" in the dump.", kTitle,
                       MB_OK | MB_ICONINFORMATION);
        break;
    case SearchOutcome::Kind::kStopped:
        Say(L"The search stopped. The selection is as it was.");
        break;
    case SearchOutcome::Kind::kFailed:
        ShowMessageBox(L"The search stopped: " + outcome.failure, kTitle,
                       MB_OK | MB_ICONEXCLAMATION);
        break;
    }
}

void FindAndGoTo::EndSearch() noexcept {
    if (search_ == nullptr)
        return;
    ::KillTimer(owner_, kSearchProgressTimer);
    search_.reset(); // stops its thread and waits for it
    searched_.reset();
}

void FindAndGoTo::LoadStarted() noexcept {
    ++loads_;
    EndSearch();
}

void FindAndGoTo::Abandon() noexcept {
    EndSearch();
}

bool FindAndGoTo::StopSearch() {
    if (search_ == nullptr)
        return false;
    search_->Stop();
    const std::uint64_t length = search_->QueryLength();
    const bool backwards = search_->Backwards();
    // It may have ended on its own meanwhile: then its result stands.
    SearchOutcome outcome = search_->Outcome();
    const bool sameDump = searched_ == view_.Dump();
    EndSearch();
    if (!sameDump)
        return true;
    Finish(outcome, length, backwards);
    return true;
}

void FindAndGoTo::OnSearchFinished() {
    if (search_ == nullptr || !search_->Finished())
        return; // not a search of ours, or not yet
    const SearchOutcome outcome = search_->Outcome();
    const std::uint64_t length = search_->QueryLength();
    const bool backwards = search_->Backwards();
    const bool sameDump = searched_ == view_.Dump();
    EndSearch();
    if (sameDump)
        Finish(outcome, length, backwards);
}

void FindAndGoTo::OnSearchProgress() {
    if (search_ == nullptr || !FindDialogShown())
        return;
    const unsigned perMille = std::min(search_->PerMille(), 999u);
    wchar_t status[64];
    std::swprintf(status, 64, L"Searching... %u%% of the file. Esc stops.", perMille / 10);
    External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, status);
}

std::uint64_t FindAndGoTo::SearchStart(bool backwards) {
    const TextSelection selection = view_.Selection();
    const TextDocument& text = view_.Document();
    const std::uint64_t line = text.LineOf(selection.Start());
    const std::optional<DumpLine> dumpLine = view_.DumpLineAt(line);
    const std::shared_ptr<const DumpDocument> dump = view_.Dump();
    if (!dumpLine || dump == nullptr)
        return 0;
    const std::uint64_t byte =
        SearchStartByte(*dumpLine, static_cast<std::size_t>(selection.Start() - text.LineStart(line)),
                        selection.Empty(), backwards);
    return std::min<std::uint64_t>(byte, dump->Size());
}

void FindAndGoTo::GoTo() {
    const std::shared_ptr<const DumpDocument> dump = view_.Dump();
    const ParsedOffset parsed =
        ParseOffset(ControlText(goToDialog_, IDC_GO_TO_OFFSET),
                    Checked(goToDialog_, IDC_GO_TO_DECIMAL), dump != nullptr ? dump->Size() : 0);
    if (!parsed.offset) {
        ShowMessageBox(parsed.refusal, kTitle, MB_OK | MB_ICONEXCLAMATION);
        FocusControl(goToDialog_, IDC_GO_TO_OFFSET);
        return;
    }
    view_.SelectBytes(*parsed.offset, 1);
    Close(goToDialog_);
}

void FindAndGoTo::OnFindCommand(WORD command) {
    switch (command) {
    case IDOK:
        ReadFindDialog();
        FindNext(settings_.up);
        break;
    case IDCANCEL:
        // Escape or Cancel stops a running search first; once more closes the dialog.
        if (StopSearch())
            break;
        ReadFindDialog();
        Close(findDialog_);
        break;
    case IDC_FIND_TEXT:
    case IDC_FIND_HEX:
        // Case is a matter of text only.
        External(::EnableWindow, External(::GetDlgItem, findDialog_, IDC_FIND_MATCH_CASE),
                 Checked(findDialog_, IDC_FIND_TEXT));
        break;
    default:
        break;
    }
}

void FindAndGoTo::OnGoToCommand(WORD command) {
    if (command == IDOK)
        GoTo();
    else if (command == IDCANCEL)
        Close(goToDialog_);
}

INT_PTR CALLBACK FindAndGoTo::DialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    FindAndGoTo* self = OwnerOf(dialog, message, lParam);
    if (self == nullptr)
        return FALSE;
    const bool find = dialog == self->findDialog_;
    if (message == WM_NCDESTROY) // gone with the main window
        (find ? self->findDialog_ : self->goToDialog_) = nullptr;
    if (message == WM_INITDIALOG && External(::GetDlgItem, dialog, IDC_GO_TO_HEX) != nullptr)
        External(::CheckRadioButton, dialog, IDC_GO_TO_HEX, IDC_GO_TO_DECIMAL, IDC_GO_TO_HEX);
    if (message != WM_COMMAND)
        return message == WM_INITDIALOG;
    // No exception may cross back into the window system.
    try {
        if (find)
            self->OnFindCommand(LOWORD(wParam));
        else if (dialog == self->goToDialog_)
            self->OnGoToCommand(LOWORD(wParam));
    } catch (...) {
        ReportError(CaughtError(), find ? L"frmOctolume.FindNext" : L"frmOctolume.GoTo");
    }
    return TRUE;
}

bool FindAndGoTo::TakeDialogMessage(MSG& message) {
    for (const HWND dialog : {findDialog_, goToDialog_})
        if (dialog != nullptr && External(::IsWindowVisible, dialog) &&
            External(::IsDialogMessageW, dialog, &message))
            return true;
    return false;
}

} // namespace octolume
