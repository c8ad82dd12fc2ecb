#pragma once
// Drives the real Octolume32.exe from another process as a user does. Keys and the
// pointer go through the X server (xdotool): Wine lets no process open another's menus.

#include "child_process.h"
#include "shell/resource.h"
#include "test_support.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace octolume::test {

using std::chrono::milliseconds;
// How long the program may take to answer: a bound for failures, not a wait.
inline const milliseconds kTimeout = Scaled(milliseconds{30000});

inline bool WaitUntil(const std::function<bool()>& condition) {
    return WaitUntil(condition, kTimeout);
}

inline bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsMainWindow(HWND window) {
    return ClassNameOf(window) == OCTOLUME_MAIN_WINDOW_CLASS;
}
inline bool IsBox(HWND window) { // a message box or a dialog
    return ClassNameOf(window) == L"#32770";
}
inline std::wstring BoxText(HWND box) {
    return WindowText(::GetDlgItem(box, 0xFFFF));
}
bool Dismiss(HWND box); // presses OK; true once the box is gone

// A started program, ended through its handle if it still runs at the end.
class Process {
public:
    explicit Process(const std::wstring& exe = BuiltFile(L"Octolume32.exe"),
                     const std::wstring& currentFolder = {}, const std::wstring& arguments = {});
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Its exit code; STILL_ACTIVE when it has not ended in time.
    DWORD ExitCode(milliseconds timeout = kTimeout);
    // Its first visible top-level window that matches, once the program is idle (a slow
    // first start shows windows before they are complete); nullptr if none.
    HWND Find(const std::function<bool(HWND)>& match, milliseconds timeout = kTimeout);

private:
    ChildProcess child_;
};

// Gives the window (if any) the X focus, then runs xdotool; true once it has succeeded.
bool Xdotool(HWND focus, const std::wstring& commands);

// Drags what drag_source.exe offers ("--files PATH" or "--text TEXT") onto the view with
// the real pointer. The source ends (code 0: dropped) once the program's load is over,
// or once a box the load shows is dismissed. Null if no drag.
std::unique_ptr<Process> StartDrag(HWND mainWindow, const std::wstring& sourceArguments);
// Drops the file; true once the load is over.
bool Drop(HWND mainWindow, const std::wstring& path, milliseconds timeout = kTimeout);

// Saves a picture of the window as a PNG in the build folder's "screenshots"; with
// `asSeen`, of its place on the screen, with the windows in front of it (a dialog).
bool Screenshot(HWND window, const std::wstring& name, bool asSeen = false);
// The same of a place of the screen, with whatever windows show there.
bool Screenshot(const RECT& place, const std::wstring& name);

} // namespace octolume::test
