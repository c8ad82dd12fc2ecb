#include "dump/dialog_controls.h"

#include "support/external_call.h"

namespace octolume {

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

void FocusControl(HWND dialog, int control) {
    Send(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(External(::GetDlgItem, dialog, control)),
         TRUE);
}

} // namespace octolume
