#include "load_and_display.h"

#include "message_pump.h"
#include "mouse_pointer.h"

#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/message_box.h"
#include "support/report_error.h"
#include "support/text.h"

#include <oleauto.h>

#include <memory>
#include <optional>

namespace octolume {

const wchar_t kUnableToLoadMessage[] = L"Unable to load file contents.\r\n"
                                       L"\r\n"
                                       L"Possible reasons include:\r\n"
                                       L"1) The file has no contents.\r\n"
                                       L"2) The file is in use.";

namespace {

// The engine's last-error code for "cannot dump this file" (bit 29: application-defined).
constexpr DWORD kCannotDumpCode = 0x20000009;

struct BstrFree {
    void operator()(BSTR text) const {
        External([&] { SysFreeString(text); });
    }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFree>;

using DoOctolumeEntry = BSTR(__stdcall*)(BSTR* path);

// The engine is already loaded at start-up; its entry point is found there by name.
DoOctolumeEntry EngineEntryPoint() {
    const HMODULE engine = External([] { return GetModuleHandleA("octolume.dll"); });
    if (!engine)
        throw AppError(48, L"Error in loading DLL");
    const FARPROC entry = External([&] { return GetProcAddress(engine, "DoOctolume"); });
    if (!entry)
        throw AppError(453, L"Specified DLL function not found");
    return reinterpret_cast<DoOctolumeEntry>(reinterpret_cast<void*>(entry));
}

// The engine's strings hold ANSI bytes.
std::wstring FromAnsiBstr(BSTR text) {
    if (!text)
        return {};
    const UINT length = External([&] { return SysStringByteLen(text); });
    return FromAnsi(std::string_view(reinterpret_cast<const char*>(text), length));
}

void ShowText(HWND window, const wchar_t* text) {
    External([&] { return SetWindowTextW(window, text); });
}

// The engine has failed, so the view holds the short placeholder and empties at once.
void EmptyView(DumpView& view) noexcept {
    try {
        view.ShowText(L"");
    } catch (...) {
        ReportError(CaughtError(), L"frmOctolume.GetAndDisplayOctolume");
    }
}

} // namespace

std::wstring DoOctolume(std::wstring& path) {
    const DoOctolumeEntry doOctolume = EngineEntryPoint();
    // In ANSI a name outside the code page would name another file (ā.txt as a.txt):
    // such a name cannot be dumped.
    const std::optional<std::string> ansiPath = ToAnsiExactly(path);
    if (!ansiPath)
        throw AppError(error_number::kCannotDump, L"Unable to load file contents.",
                       ERROR_NO_UNICODE_TRANSLATION);
    OwnedBstr pathText(External([&] {
        return SysAllocStringByteLen(ansiPath->data(), static_cast<UINT>(ansiPath->size()));
    }));
    if (!pathText)
        throw AppError(error_number::kOutOfMemory, L"Out of memory");

    BSTR passedPath = pathText.release();
    OwnedBstr dump(External([&] { return doOctolume(&passedPath); }));
    const DWORD engineError = LastLibraryError();
    pathText.reset(passedPath); // the engine may have replaced it

    path = FromAnsiBstr(pathText.get());
    if (!dump) {
        if (engineError == kCannotDumpCode)
            throw AppError(error_number::kCannotDump, L"Unable to load file contents.",
                           engineError);
        if (engineError != 0)
            throw AppError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(engineError)),
                           GetDllErrorText(static_cast<std::int32_t>(engineError)), engineError);
        return {};
    }
    return FromAnsiBstr(dump.get());
}

void GetAndDisplayOctolume(const ViewerControls& controls, std::wstring path) {
    std::wstring name = std::move(path);
    struct DefaultPointerOnExit {
        ~DefaultPointerOnExit() { SetMousePointer(MousePointer::Default); }
    } restorePointer;
    bool redrawSuspended = false;
    try {
        SetMousePointer(MousePointer::Hourglass);
        // The previous dump goes here, before the engine makes the next one.
        controls.view.ShowText(L"Loading...");
        ProcessPendingMessages();

        const std::wstring dump = DoOctolume(name);

        SetRedraw(controls.view.Handle(), false);
        redrawSuspended = true;
        controls.view.ShowText(dump);
        SetRedraw(controls.view.Handle(), true);
        redrawSuspended = false;
        External([&] {
            return RedrawWindow(controls.view.Handle(), nullptr, nullptr,
                                RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        });

        ShowText(controls.label, name.c_str());
    } catch (...) {
        const AppError error = CaughtError();
        // A view left frozen would never paint again.
        if (redrawSuspended)
            SetRedraw(controls.view.Handle(), true);
        if (error.Number() == error_number::kCannotDump) {
            EmptyView(controls.view);
            ShowMessageBox(kUnableToLoadMessage, L"Octolume32", MB_OK | MB_ICONEXCLAMATION);
        } else {
            ReportError(error, L"frmOctolume.GetAndDisplayOctolume");
        }
    }
}

} // namespace octolume
