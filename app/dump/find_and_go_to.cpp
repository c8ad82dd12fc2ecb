#include "dump/find_and_go_to.h"

#include "shell/resource.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/message_box.h"
#include "support/report_error.h"

#include <algorithm>

namespace octolume {

namespace {

constexpr wchar_t kTitle[] = L"Octolume32";

std::wstring ControlText(HWND dialog, int control) {
    const HWND edit = External(::GetDlgItem, dialog, control);
    std::wstring text(static_cast<std::size_t>(Send(edit, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(Send(edit, WM_GETTEXT, text.size(), text.data())));
    return text;
}

bool Checked(HWND dialog, int control) {
    return External(::IsDlgButtonChecked, dialog, control) == BST_CHECKED;
}

void Check(HWND dialog, int control, bool checked) {
    External(::CheckDlgButton, dialog, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

// Focuses a control as the keyboard would, its text selected.
void FocusControl(HWND dialog, int control) {
    Send(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(External(::GetDlgItem, dialog, control)),
         TRUE);
}

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
    const LineIndexedText& text = view_.Text();
    const std::size_t line = text.LineOf(selection.Start());
    if (selection.Empty() || text.LineOf(selection.End()) != line)
        return std::nullopt;
    const std::optional<DumpLine> dumpLine = view_.DumpLineAt(line);
    if (!dumpLine)
        return std::nullopt;
    const std::size_t start = text.LineStart(line);
    return QueryFromSelection(*dumpLine, text.Line(line), selection.Start() - start,
                              selection.End() - start);
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
    if (findDialog_ != nullptr)
        External(::SetDlgItemTextW, findDialog_, IDC_FIND_STATUS, L"");
    const ParsedQuery parsed =
        settings_.hex ? HexQuery(settings_.query) : TextQuery(settings_.query, settings_.matchCase);
    if (!parsed.query) {
        ShowMessageBox(parsed.refusal, kTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const DumpBytes& dump = view_.Bytes();
    const std::size_t from = SearchStart(backwards);
    const std::optional<FoundBytes> found = FindBytes(dump.bytes, *parsed.query, from, backwards);
    if (!found) {
        ShowMessageBox(L"Cannot find " + QuotedQuery(settings_.query) + L" in the dump.", kTitle,
                       MB_OK | MB_ICONINFORMATION);
        return;
    }
    view_.SelectBytes(found->start, parsed.query->bytes.size());
    if (found->wrapped)
        Say(backwards ? L"Passed the start of the dump and went on from its end."
                      : L"Passed the end of the dump and went on from its start.");
}

std::size_t FindAndGoTo::SearchStart(bool backwards) {
    const TextSelection selection = view_.Selection();
    const LineIndexedText& text = view_.Text();
    const std::size_t line = text.LineOf(selection.Start());
    const std::optional<DumpLine> dumpLine = view_.DumpLineAt(line);
    if (!dumpLine)
        return 0;
    const std::uint64_t byte = SearchStartByte(*dumpLine, selection.Start() - text.LineStart(line),
                                               selection.Empty(), backwards);
    return static_cast<std::size_t>(std::min<std::uint64_t>(byte, view_.Bytes().bytes.size()));
}

void FindAndGoTo::GoTo() {
    const ParsedOffset parsed =
        ParseOffset(ControlText(goToDialog_, IDC_GO_TO_OFFSET),
                    Checked(goToDialog_, IDC_GO_TO_DECIMAL), view_.Bytes().bytes.size());
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
