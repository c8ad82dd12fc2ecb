#include "shell/load_and_display.h"

#include "shell/message_pump.h"
#include "shell/mouse_pointer.h"

#include "dump/engine_dump.h"

#include "engine/engine_contract.h"
#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/message_box.h"
#include "support/owners.h"
#include "support/report_error.h"
#include "support/text.h"

#include <oleauto.h>

#include <optional>
#include <vector>

namespace octolume {

const wchar_t kUnableToLoadMessage[] = L"Unable to load file contents.\r\n"
                                       L"\r\n"
                                       L"Possible reasons include:\r\n"
                                       L"1) The file has no contents.\r\n"
                                       L"2) The file is in use.";

namespace {

// The engine's strings hold ANSI bytes.
std::string_view BytesOf(BSTR text) {
    if (!text)
        return {};
    return {reinterpret_cast<const char*>(text), External(::SysStringByteLen, text)};
}

// A file the viewer answers with its own message rather than an error report.
[[noreturn]] void ThrowCannotDump(DWORD cause) {
    throw AppError(error_number::kCannotDump, L"Unable to load file contents.", cause);
}

void ShowText(HWND window, const wchar_t* text) {
    External(::SetWindowTextW, window, text);
}

} // namespace

std::string DoOctolume(std::wstring& path) {
    const auto doOctolume = reinterpret_cast<engine::EntryPoint>(
        reinterpret_cast<void*>(EngineFunction(engine::kEntryPointName)));
    // In ANSI a name outside the code page would name another file (ā.txt as a.txt):
    // such a name cannot be dumped.
    const std::optional<std::string> ansiPath = ToAnsiExactly(path);
    if (!ansiPath)
        ThrowCannotDump(ERROR_NO_UNICODE_TRANSLATION);
    BstrOwner pathText(
        External(::SysAllocStringByteLen, ansiPath->data(), static_cast<UINT>(ansiPath->size())));
    if (!pathText)
        throw AppError(error_number::kOutOfMemory, L"Out of memory");

    BSTR passedPath = pathText.release();
    BstrOwner dump(External(doOctolume, &passedPath));
    const DWORD engineError = LastLibraryError();
    pathText.reset(passedPath); // the engine may have replaced it

    path = FromAnsi(BytesOf(pathText.get()));
    if (!dump) {
        if (engineError == engine::kCannotDumpCode)
            ThrowCannotDump(engineError);
        if (engineError != 0)
            throw AppError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(engineError)),
                           GetDllErrorText(static_cast<std::int32_t>(engineError)), engineError);
        return {};
    }
    return std::string(BytesOf(dump.get()));
}

std::shared_ptr<const DumpSource> OpenDump(std::wstring& path) {
    std::shared_ptr<EngineDump> pages = EngineDump::Open(path);
    // A name outside the ANSI code page would name another file in DoOctolume's ANSI.
    if (pages->Size() > kMostHeldBytes || !ToAnsiExactly(path))
        return pages;
    std::wstring ansiPath = path;
    std::string text = DoOctolume(ansiPath);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(pages->Size()));
    bytes.resize(pages->ReadBytes(0, bytes));
    // Held only when the text is the dump of the bytes: a file that changed between the
    // two reads is shown through its pages.
    if (std::optional<HeldDump> held = HeldDump::Of(std::move(bytes), std::move(text)))
        return std::make_shared<HeldDump>(std::move(*held));
    return pages;
}

std::optional<std::wstring> GetAndDisplayOctolume(const ViewerControls& controls,
                                                  std::wstring path) {
    std::wstring name = std::move(path);
    const ScopeExit restorePointer([] { SetMousePointer(MousePointer::Default); });
    try {
        SetMousePointer(MousePointer::Hourglass);
        // The previous dump goes here, before the engine makes the next one.
        controls.view.ShowText(L"Loading...");
        ProcessPendingMessages();

        std::shared_ptr<const DumpSource> dump = OpenDump(name);

        SetRedraw(controls.view.Handle(), false);
        // A view left frozen would never paint again.
        ScopeExit redrawOnFailure([&] { SetRedraw(controls.view.Handle(), true); });
        controls.view.ShowDump(std::move(dump));
        redrawOnFailure.release();
        SetRedraw(controls.view.Handle(), true);
        External(::RedrawWindow, controls.view.Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);

        ShowText(controls.label, name.c_str());
        return name;
    } catch (...) {
        const AppError error = CaughtError();
        if (error.Number() == error_number::kCannotDump) {
            controls.view.ShowText(L""); // an empty text needs no memory
            ShowMessageBox(kUnableToLoadMessage, L"Octolume32", MB_OK | MB_ICONEXCLAMATION);
        } else {
            ReportError(error, L"frmOctolume.GetAndDisplayOctolume");
        }
    }
    return std::nullopt;
}

} // namespace octolume
