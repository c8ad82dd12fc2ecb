// The main window's File > Open File... and About commands.

#include "shell/main_window.h"

#include "shell/about_box.h"
#include "shell/startup.h"

#include "dialogs/classic_file_dialog.h"
#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/message_box.h"
#include "support/report_error.h"

namespace octolume {

namespace {

constexpr wchar_t kOpenDialogTitle[] = L"Load File";
// FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST: the dialog itself refuses names that do not exist.
constexpr std::int32_t kOpenOptions = 0x1800;

std::wstring CurrentDirectory() {
    std::wstring folder = StringFromSystem<wchar_t>([](wchar_t* buffer, std::size_t size) {
        return External(::GetCurrentDirectoryW, static_cast<DWORD>(size), buffer);
    });
    if (folder.empty()) {
        throw AppError(error_number::kPathNotFound, L"Path not found");
    }
    return folder;
}

} // namespace

void frmOctolume::GetFileAndDoOctolume() {
    try {
        const std::wstring path = GetFileToDump();
        if (!path.empty()) {
            GetAndDisplayOctolume(path);
        }
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.GetFileAndDoOctolume");
    }
}

std::wstring frmOctolume::GetFileToDump() {
    std::wstring path;
    try {
        // Where the process stands now: no folder of an earlier choice is remembered.
        const std::wstring initialFolder = CurrentDirectory();
        cFileDialog dialog;
        dialog.hWnd(window_);
        dialog.CancelError(true);
        dialog.DialogTitle(kOpenDialogTitle);
        dialog.InitDir(initialFolder);
        dialog.FileName(std::wstring());
        dialog.Flags(kOpenOptions);
        // Empty: the dialog offers its default "All Files" (*.*).
        dialog.Filter(std::wstring());
        path = dialog.ShowOpen();
    } catch (...) {
        const AppError error = CaughtError();
        if (error.Number() != error_number::kCancelled) {
            ReportError(error, L"frmOctolume.GetFileToDump");
        }
    }
    return path;
}

void frmOctolume::mnuAbout_Click() {
    try {
        const std::wstring title = MOctolume::kApplicationTitle;
        const ProgramVersion version = ReadProgramVersion();
        ShowMessageBox(AboutText(title, version), title, MB_OK | MB_ICONINFORMATION);
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.mnuAbout_Click");
    }
}

} // namespace octolume
