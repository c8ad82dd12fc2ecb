#include "dump/select_block_dialog.h"

#include "dump/byte_ranges.h"
#include "dump/dialog_controls.h"
#include "shell/resource.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/message_box.h"
#include "support/report_error.h"

#include <algorithm>
#include <string>

namespace octolume {

namespace {

constexpr wchar_t kTitle[] = L"Octolume32";

} // namespace

std::optional<ByteSelection> SelectBlockDialog::Ask(HWND owner, std::uint64_t fileSize) {
    owner_ = owner;
    fileSize_ = fileSize;
    chosen_.reset();
    const INT_PTR result =
        External(::DialogBoxParamW, instance_, MAKEINTRESOURCEW(IDD_SELECT_BLOCK), owner,
                 &SelectBlockDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
    dialog_ = nullptr;
    if (result == -1 || result == 0)
        throw AppError(error_number::kInternal, L"Unable to show the Select Block dialog");
    return result == IDOK ? chosen_ : std::nullopt;
}

void SelectBlockDialog::OnInitDialog() {
    External(::CheckRadioButton, dialog_, IDC_SELECT_BLOCK_HEX, IDC_SELECT_BLOCK_DECIMAL,
             decimal_ ? IDC_SELECT_BLOCK_DECIMAL : IDC_SELECT_BLOCK_HEX);
    ShowSecondKind();
    PlaceOverOwner();
    FocusControl(dialog_, IDC_SELECT_BLOCK_START);
}

void SelectBlockDialog::ShowSecondKind() {
    External(::CheckRadioButton, dialog_, IDC_SELECT_BLOCK_LENGTH, IDC_SELECT_BLOCK_END,
             endChosen_ ? IDC_SELECT_BLOCK_END : IDC_SELECT_BLOCK_LENGTH);
    External(::SetDlgItemTextW, dialog_, IDC_SELECT_BLOCK_SECOND_LABEL,
             endChosen_ ? L"&End:" : L"&Length:");
}

// At the owner's bottom right, as Go To sits: the block is brought into sight near the top.
void SelectBlockDialog::PlaceOverOwner() {
    if (owner_ == nullptr)
        return;
    RECT owner{}, own{};
    External(::GetWindowRect, owner_, &owner);
    External(::GetWindowRect, dialog_, &own);
    External(::SetWindowPos, dialog_, nullptr,
             std::max(owner.left, owner.right - (own.right - own.left)),
             std::max(owner.top, owner.bottom - (own.bottom - own.top)), 0, 0,
             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A block typed one way is written the other way, so what the user typed keeps its meaning.
void SelectBlockDialog::OnSecondKindChosen(bool endChosen) {
    if (endChosen == endChosen_)
        return;
    const std::wstring start = ControlText(dialog_, IDC_SELECT_BLOCK_START);
    const std::wstring second = ControlText(dialog_, IDC_SELECT_BLOCK_SECOND);
    const bool decimal = Checked(dialog_, IDC_SELECT_BLOCK_DECIMAL);
    const ParsedBlock typed = ParseBlock({start, second, endChosen_, decimal}, fileSize_);
    endChosen_ = endChosen;
    if (typed.block)
        External(::SetDlgItemTextW, dialog_, IDC_SELECT_BLOCK_SECOND,
                 BlockSecondText(*typed.block, endChosen_, decimal).c_str());
    ShowSecondKind();
}

void SelectBlockDialog::OnOk() {
    const std::wstring start = ControlText(dialog_, IDC_SELECT_BLOCK_START);
    const std::wstring second = ControlText(dialog_, IDC_SELECT_BLOCK_SECOND);
    decimal_ = Checked(dialog_, IDC_SELECT_BLOCK_DECIMAL);
    const ParsedBlock parsed = ParseBlock({start, second, endChosen_, decimal_}, fileSize_);
    if (!parsed.block) {
        ShowMessageBox(parsed.refusal, kTitle, MB_OK | MB_ICONEXCLAMATION);
        FocusControl(dialog_, parsed.field == BlockField::kStart ? IDC_SELECT_BLOCK_START
                                                                 : IDC_SELECT_BLOCK_SECOND);
        return;
    }
    chosen_ = parsed.block;
    External(::EndDialog, dialog_, IDOK);
}

void SelectBlockDialog::OnCommand(WORD command) {
    switch (command) {
    case IDOK:
        OnOk();
        break;
    case IDCANCEL:
        decimal_ = Checked(dialog_, IDC_SELECT_BLOCK_DECIMAL);
        External(::EndDialog, dialog_, IDCANCEL);
        break;
    case IDC_SELECT_BLOCK_LENGTH:
    case IDC_SELECT_BLOCK_END:
        OnSecondKindChosen(Checked(dialog_, IDC_SELECT_BLOCK_END));
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK SelectBlockDialog::DialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    if (message == WM_INITDIALOG)
        External(::SetWindowLongPtrW, dialog, DWLP_USER, lParam);
    auto* self =
        reinterpret_cast<SelectBlockDialog*>(External(::GetWindowLongPtrW, dialog, DWLP_USER));
    if (self == nullptr || (message != WM_INITDIALOG && message != WM_COMMAND))
        return FALSE;
    // No exception may cross back into the window system.
    try {
        if (message == WM_INITDIALOG) {
            self->dialog_ = dialog;
            self->OnInitDialog();
            return FALSE; // the focus is set
        }
        self->OnCommand(LOWORD(wParam));
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.SelectBlock");
    }
    return TRUE;
}

} // namespace octolume
