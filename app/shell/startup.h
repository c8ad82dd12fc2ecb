#pragma once
// MOctolume: the program's start-up. The dump engine library is loaded from the
// program's own folder before anything else; only then is the main window created.

#include "shell/main_window.h"
#include "support/app_error.h"

#include <windows.h>

#include <memory>
#include <string>

namespace octolume::MOctolume {

constexpr wchar_t kApplicationTitle[] = L"Octolume32";
constexpr int kFatalErrorExitCode = 1;

// The folder of a file's full path: no trailing backslash, except for a drive's root.
std::wstring FolderOfPath(const std::wstring& filePath);
// The folder of the running executable, as above.
std::wstring ProgramFolder();
// The folder, a backslash unless it already ends in one, and the library's name.
std::wstring EngineLibraryPath(const std::wstring& folder);

// From here on every library loaded by name comes from the system folder only, never
// from the program's folder or the current directory, where anyone may have put a
// library of that name. The program runs it before anything else; everything it links
// to, except the kernel and the C runtime, is loaded on first use, so after this.
void RestrictLibrarySearch();

// Loads the engine by its full path, converted to the ANSI code page, with
// LoadLibraryA. Throws AppError 0x80040000 "Error loading DLL - octolume.dll" when
// the library cannot be loaded, or when the path cannot be written exactly in ANSI.
// The load reference is deliberately not kept in a handle: the exit sequence finds the
// library again by name and releases it.
void LoadEngineLibrary(const std::wstring& path);

// Loads the engine from the program's folder, readies OLE on this thread, then
// creates and shows the main window.
std::unique_ptr<frmOctolume> Main(HINSTANCE instance, int showCommand,
                                  EndProgramFunction endProgram);

// The text of the box that announces an error nothing else handled.
std::wstring FatalErrorText(const AppError& error);

// The whole program: Main, then the window's message loop. An error out of Main is
// shown in a message box and ends the program with kFatalErrorExitCode.
int Run(HINSTANCE instance, int showCommand);

} // namespace octolume::MOctolume
