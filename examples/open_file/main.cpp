// open_file: the Octolume file dialog wrapper in a small console program.
//
// It shows the Open dialog with a file type filter and two controls of its own (a check
// box and a combo box), prints the chosen file and what the controls held when the dialog
// closed, then offers to save a copy through the classic-style facade and prints where.
// Exit status: 0 when a file was opened, 2 when the Open dialog was cancelled, 1 on an
// error. Nothing is read or written: it only shows what the dialogs answer.

#include <octolume/classic_file_dialog.h>
#include <octolume/file_dialog.h>

#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using octolume::IFileDialog;

constexpr int kOpened = 0;
constexpr int kFailed = 1;
constexpr int kCancelled = 2;
constexpr std::int32_t kUserCancelled = static_cast<std::int32_t>(0x800704C7u);

const std::vector<std::wstring> kEncodings = {L"UTF-8", L"UTF-16", L"Windows-1252"};

// One line on standard output, in UTF-8.
void Print(const std::wstring& line) {
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::printf("%s\n", bytes.c_str());
    std::fflush(stdout);
}

// The system's text for an error code.
std::wstring SystemText(std::int32_t code) {
    wchar_t text[512] = L"";
    ::FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                    static_cast<DWORD>(code), 0, text, 512, nullptr);
    return text;
}

// The wrapper keeps its custom controls only while the dialog is shown, so a thread
// timer reads them inside the dialog's modal loop; the last reading is what the user
// left when the dialog closed.
IFileDialog* shownDialog = nullptr;
bool readOnly = false;
std::wstring encoding;

void CALLBACK ReadControls(HWND, UINT, UINT_PTR, DWORD) {
    if (shownDialog == nullptr) {
        return;
    }
    std::int32_t chosen = shownDialog->CustomControl_GetSelected(L"encoding");
    if (chosen < 0) { // nothing chosen yet: the first encoding is the default
        shownDialog->CustomControl_SetSelected(L"encoding", 0);
        chosen = shownDialog->CustomControl_GetSelected(L"encoding");
    }
    if (chosen >= 0 && chosen < static_cast<std::int32_t>(kEncodings.size())) {
        encoding = kEncodings[static_cast<std::size_t>(chosen)];
    }
    readOnly = shownDialog->CustomControl_GetSelected(L"readOnly") == 1;
}

int OpenFile() {
    IFileDialog dialog;
    dialog.propFilters(L"Text files|*.txt|All files|*.*");
    dialog.Customize_CreateNonGroupItem(IFileDialog::kItemCheckButton, L"readOnly",
                                        L"Open read-only", true);
    dialog.Customize_CreateGroup(IFileDialog::kGroupComboBox, L"encoding", L"", kEncodings);

    shownDialog = &dialog;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadControls);
    const std::int32_t shown =
        dialog.DialogShow(nullptr, IFileDialog::kModeOpen, L"Open a file - example");
    ::KillTimer(nullptr, timer);
    shownDialog = nullptr;

    if (shown == kUserCancelled) {
        Print(L"cancelled");
        return kCancelled;
    }
    if (shown != 0) {
        Print(L"error: " + SystemText(shown));
        return kFailed;
    }
    const auto item = dialog.ResultsItem(1);
    Print(L"chosen: " + dialog.IShellItem_GetDisplayName(
                            item.Get(), static_cast<std::int32_t>(SIGDN_FILESYSPATH)));
    Print(std::wstring(L"read-only: ") + (readOnly ? L"yes" : L"no"));
    Print(L"encoding: " + encoding);
    return kOpened;
}

// The facade raises its failures; a cancel is error 32755 when CancelError is set.
int SaveCopy() {
    octolume::cFileDialog save;
    save.DialogTitle(L"Save a copy - example");
    save.Filter(L"Text files|*.txt");
    save.DefaultExtension(L"txt");
    save.FileName(L"copy.txt");
    save.CancelError(true);
    try {
        Print(L"save as: " + save.ShowSave());
    } catch (const octolume::AppError& error) {
        if (error.Number() != 32755) {
            Print(L"error: " + SystemText(error.Number()));
            return kFailed;
        }
        Print(L"save cancelled");
    }
    return kOpened;
}

} // namespace

int main() {
    // The dialog runs in a single-threaded apartment, which the caller sets up.
    const HRESULT started = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(started)) {
        Print(L"error: " + SystemText(started));
        return kFailed;
    }
    int status = OpenFile();
    if (status == kOpened) {
        status = SaveCopy();
    }
    ::CoUninitialize();
    return status;
}
