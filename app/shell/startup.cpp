#include "shell/startup.h"

#include "engine/engine_contract.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/message_box.h"
#include "support/text.h"

#include <ole2.h>

#include <optional>
#include <string>

namespace octolume::MOctolume {

namespace {

void EndProgram(UINT exitCode) {
    External(::ExitProcess, exitCode);
}

std::wstring ModuleFileName() {
    return StringFromSystem<wchar_t>([](wchar_t* buffer, std::size_t size) {
        return External(::GetModuleFileNameW, nullptr, buffer, static_cast<DWORD>(size));
    });
}

std::wstring SystemFolder() {
    return StringFromSystem<wchar_t>([](wchar_t* buffer, std::size_t size) {
        return External(::GetSystemDirectoryW, buffer, static_cast<UINT>(size));
    });
}

} // namespace

std::wstring FolderOfPath(const std::wstring& filePath) {
    const std::size_t lastSeparator = filePath.find_last_of(L"\\/");
    if (lastSeparator == std::wstring::npos) {
        return {};
    }
    std::wstring folder = filePath.substr(0, lastSeparator);
    // "C:" alone names the drive's current directory, not its root.
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';
    }
    return folder;
}

std::wstring ProgramFolder() {
    return FolderOfPath(ModuleFileName());
}

std::wstring EngineLibraryPath(const std::wstring& folder) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path + engine::kLibraryName;
}

void RestrictLibrarySearch() {
    // Windows Vista and 7 have it only with update KB2533623: looked up, not imported.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = External(::GetModuleHandleW, L"kernel32.dll");
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(External([&] {
            return kernel ? ::GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
        })));
    if (setDefaultDllDirectories) {
        External(setDefaultDllDirectories, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    External(::SetDllDirectoryW, L"");
    // Wine's uxtheme loads msimg32 by bare name on the first themed drawing, through a
    // search that ignores the default directories: loaded from the system folder first,
    // the loader finds it in the process instead of beside the program.
    const std::wstring system = SystemFolder();
    if (!system.empty())
        External(::LoadLibraryW, (system + L"\\msimg32.dll").c_str());
}

void LoadEngineLibrary(const std::wstring& path) {
    // A folder name that the ANSI code page cannot hold exactly would reach LoadLibraryA
    // as the name of another folder (best fit makes inst\ā\ into inst\a\), whose
    // library must never be loaded.
    const std::wstring loadError = L"Error loading DLL - " + std::wstring(engine::kLibraryName);
    const std::optional<std::string> ansiPath = ToAnsiExactly(path);
    if (!ansiPath) {
        throw AppError(error_number::kEngineLoad, loadError, ERROR_NO_UNICODE_TRANSLATION);
    }
    if (External(::LoadLibraryA, ansiPath->c_str()) == nullptr) {
        throw AppError(error_number::kEngineLoad, loadError);
    }
}

std::unique_ptr<frmOctolume> Main(HINSTANCE instance, int showCommand,
                                  EndProgramFunction endProgram) {
    LoadEngineLibrary(EngineLibraryPath(ProgramFolder()));
    // The file dialog and drag and drop need OLE on this thread. It is never shut
    // down: the exit sequence ends the process.
    const HRESULT ole = External(::OleInitialize, nullptr);
    if (FAILED(ole)) {
        throw AppError(ole, L"Unable to initialize OLE");
    }
    return frmOctolume::Create(instance, showCommand, endProgram);
}

std::wstring FatalErrorText(const AppError& error) {
    return L"Run-time error '" + std::to_wstring(error.Number()) + L"':\r\n\r\n" +
           error.Description();
}

int Run(HINSTANCE instance, int showCommand) {
    try {
        const std::unique_ptr<frmOctolume> mainWindow = Main(instance, showCommand, &EndProgram);
        MSG message{};
        while (External(::GetMessageW, &message, nullptr, 0, 0) > 0) {
            if (mainWindow->TakeKeyboardMessage(message))
                continue;
            External(::TranslateMessage, &message);
            External(::DispatchMessageW, &message);
        }
        return static_cast<int>(message.wParam);
    } catch (...) {
        ShowMessageBox(FatalErrorText(CaughtError()), kApplicationTitle, MB_OK | MB_ICONSTOP);
        return kFatalErrorExitCode;
    }
}

} // namespace octolume::MOctolume
