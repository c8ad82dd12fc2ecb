#pragma once
// Drives the real Octolume32.exe from another process, the way a user does: starts
// it, finds its window, reads what it shows, types at it through X and watches it end.
// Every wait is a bounded poll; every process started here ends with its owner.
//
// Under Wine on a display without a window manager. Keyboard and pointer input go
// through the X server (xdotool), since Wine does not let one process open another's
// menus; screenshots come from ImageMagick's import.

#include "test_support.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace octolume::test {

using std::chrono::milliseconds;
constexpr milliseconds kWindowTimeout{30000};
constexpr milliseconds kExitTimeout{30000};

// Polls the condition every 25 ms until it holds or the time is up; true if it held.
bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout);

// The built program and engine, in the test program's own folder.
std::wstring BuiltProgramPath();
std::wstring BuiltEnginePath();
// The build folder (bin's parent); screenshots go into its "screenshots" subfolder.
std::wstring BuildFolder();

// A Windows path as the Linux tools see it (Wine's mapping).
std::string UnixPath(const std::wstring& windowsPath);

// Makes Wine draw the program window's own frame (caption, system menu, close box),
// as Windows does, instead of leaving it to a window manager that is not there.
// Applies to every later start of an executable of this file name in this Wine prefix.
void LetWineDrawTheFrame(const std::wstring& executableName);

// One running program. Its destructor ends it (by its process handle) if it still
// runs and waits, bounded, until it is gone.
class ProgramProcess {
public:
    // Starts the executable with the given current directory (empty: the test's own)
    // and command-line arguments (quoted by the caller where needed).
    explicit ProgramProcess(const std::wstring& executablePath,
                            const std::wstring& workingDirectory = {},
                            const std::wstring& arguments = {});
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    DWORD Id() const noexcept { return processId_; }
    bool IsRunning() const;
    // True once the process has ended; then ExitCode() has its code.
    bool WaitForExit(milliseconds timeout = kExitTimeout) const;
    std::optional<DWORD> ExitCode() const;

    // The process's visible top-level windows.
    std::vector<HWND> TopLevelWindows() const;
    // The waits below read windows only once the program is idle (it has finished
    // starting and waits for input) and the window is visible: a slow first start can
    // otherwise show a window whose creation has not finished.
    // Its main window; nullptr when none appeared in time.
    HWND WaitForMainWindow(milliseconds timeout = kWindowTimeout) const;
    // Its message box ("#32770"); nullptr when none appeared in time.
    HWND WaitForMessageBox(milliseconds timeout = kWindowTimeout) const;
    // Its first visible top-level window of any class; nullptr when none appeared in time.
    HWND WaitForAnyWindow(milliseconds timeout = kWindowTimeout) const;
    bool HasMainWindow() const;

private:
    HWND WaitForWindowOfClass(const wchar_t* className, milliseconds timeout) const;

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// The program started (in the given current directory; empty: the test's own) with its
// main window shown and the window's file-name label found.
struct ShownProgram {
    explicit ShownProgram(const std::wstring& workingDirectory = {});
    // Found again each time: a view that held a long dump is replaced by a new control.
    HWND View() const;
    ProgramProcess process;
    HWND window = nullptr;
    HWND label = nullptr;
    // Waits, bounded, until the label shows the text.
    bool LabelBecomes(const std::wstring& text) const;
};

// A visible dialog ("#32770") with this title, of the same process as the given window;
// nullptr when none appeared in time.
HWND WaitForDialog(HWND windowOfTheProcess, const std::wstring& title,
                   milliseconds timeout = kWindowTimeout);
// A visible dialog ("#32770") owned by the window, such as a box a dialog shows; nullptr
// when none appeared in time.
HWND WaitForOwnedDialog(HWND owner, milliseconds timeout = kWindowTimeout);

// Reading windows of another process (WindowText is in test_support.h).
// The window's visible descendants of a window class.
std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className);
// The dump view's whole text, line breaks as CR LF, however long: reads texts of more
// than a million characters in pieces (WM_GETTEXT of some millions fails under Wine).
std::wstring ViewText(HWND view);
HWND ControlOf(HWND mainWindow, int controlId);
SIZE ClientSize(HWND window);
// The child's rectangle in the client coordinates of its parent.
RECT ChildRect(HWND parent, HWND child);
// Sets the window's outer size and waits until the window reports it.
bool ResizeWindow(HWND window, int width, int height);
// Sets the outer size so that the client area gets the given size.
bool ResizeClientArea(HWND window, int clientWidth, int clientHeight);

struct MessageBoxContent {
    std::wstring title;
    std::wstring text;
};
MessageBoxContent ReadMessageBox(HWND box);
// Presses the box's OK button and waits until the box is gone.
bool DismissMessageBox(HWND box);

// X side of a Wine window: the X window id, from Wine's window property.
std::optional<unsigned long> XWindowOf(HWND window);
// Runs a Linux shell command (no double quotes in it; words quoted for sh), waits for
// it, bounded, and returns its exit status, or -1 when it could not be run.
int RunLinuxCommand(const std::wstring& command, milliseconds timeout = milliseconds{20000});
// Gives the window the keyboard focus through X and waits for it.
bool FocusWindow(HWND window);
// Types each chord in turn into the focused window, as xdotool key names ("alt+f").
bool TypeKeys(HWND window, const std::vector<std::wstring>& chords);
// Types the text, character by character, into the window's focused control.
bool TypeText(HWND window, const std::wstring& text);
// Moves the pointer to a point of the screen and clicks the left button there.
bool ClickAt(POINT screenPoint);
// The middle of the window's close box, from its frame and the system's metrics.
POINT CloseBoxCentre(HWND window);
// Saves a picture of the window (with its frame) as a PNG file.
bool TakeScreenshot(HWND window, const std::wstring& pngPath);

// What the screen shows of a window (with its frame), row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};
// Empty (no pixels) when the picture could not be taken.
Picture CaptureWindow(HWND window);

// Quotes one command-line argument for a Windows program.
std::wstring QuoteArgument(const std::wstring& argument);

// Starts drag_source.exe with the given arguments ("--files PATH..." or "--text TEXT")
// and drags what it offers onto the program's dump view with the real pointer, as a
// user drags from another program. The drop runs the program's whole load before the
// drag ends, so the source process ends (code 0: dropped) once the load is over, or
// once a message box that the load shows is dismissed. Null when the drag could not
// be made.
std::unique_ptr<ProgramProcess> DragOntoView(HWND mainWindow, const std::wstring& sourceArguments);

// Opening a file in the program: by dropping it on the view (true once dropped), or
// through File > Open File..., typing the path (full, or relative to the folder the
// dialog opens in) into the dialog and pressing Enter (true once the dialog took it).
bool OpenFileThroughDialog(HWND mainWindow, const std::wstring& path);
bool OpenFileByDrop(HWND mainWindow, const std::wstring& path);

} // namespace octolume::test
