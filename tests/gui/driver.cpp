#include "driver.h"

#include <string_view>

namespace octolume::test {

bool Dismiss(HWND box) {
    ::PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    return WaitUntil([&] { return !::IsWindowVisible(box); });
}

Process::Process(const std::wstring& exe, const std::wstring& currentFolder,
                 const std::wstring& arguments)
    : child_(exe, arguments, {.folder = currentFolder}) {}

DWORD Process::ExitCode(milliseconds timeout) {
    return child_.Wait(timeout).value_or(STILL_ACTIVE);
}

HWND Process::Find(const std::function<bool(HWND)>& match, milliseconds timeout) {
    // Returns at once for a program that was idle before or has ended.
    ::WaitForInputIdle(child_.Handle(), static_cast<DWORD>(timeout.count()));
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w = ::GetTopWindow(nullptr); w && !found; w = ::GetWindow(w, GW_HWNDNEXT)) {
                DWORD owner = 0;
                ::GetWindowThreadProcessId(w, &owner);
                found = owner == child_.Id() && ::IsWindowVisible(w) && match(w) ? w : nullptr;
            }
            return found != nullptr || ExitCode(milliseconds{0}) != STILL_ACTIVE;
        },
        timeout);
    return found;
}

namespace {
// How long one xdotool or import command may take.
const milliseconds kLinuxCommandTimeout = Scaled(milliseconds{20000});

bool RunInLinux(const std::wstring& command) {
    return RunLinuxCommand(command, kLinuxCommandTimeout);
}

std::wstring XWindow(HWND window) {
    return std::to_wstring(
        reinterpret_cast<ULONG_PTR>(::GetPropW(window, L"__wine_x11_whole_window")));
}
} // namespace

bool Xdotool(HWND focus, const std::wstring& commands) {
    if (focus != nullptr && (!RunInLinux(L"xdotool windowfocus --sync " + XWindow(focus)) ||
                             !WaitUntil([&] { return ::GetForegroundWindow() == focus; })))
        return false;
    return RunInLinux(L"xdotool " + commands);
}

std::unique_ptr<Process> StartDrag(HWND mainWindow, const std::wstring& sourceArguments) {
    auto source = std::make_unique<Process>(BuiltFile(L"drag_source.exe"), L"", sourceArguments);
    const HWND from = source->Find([](HWND) { return true; });
    if (from == nullptr)
        return nullptr;
    RECT a{}, b{};
    ::GetWindowRect(from, &a);
    ::GetWindowRect(::GetDlgItem(mainWindow, IDC_RTF_OCTOLUME), &b);
    const auto at = [&](int step) { // from a's middle (step 0) to b's (step 8)
        const auto x = (a.left + a.right) / 2, y = (a.top + a.bottom) / 2;
        return std::to_wstring(x + ((b.left + b.right) / 2 - x) * step / 8) + L" " +
               std::to_wstring(y + ((b.top + b.bottom) / 2 - y) * step / 8) + L" ";
    };
    // The drag loop follows real pointer motion only: press, then, once the loop has taken
    // the pointer (the title says so; a move before would go to another window), move in
    // steps and release.
    const auto dragging = [&] {
        wchar_t title[16]{};
        ::GetWindowTextW(from, title, 16); // read by the system, not asked of the busy source
        return std::wstring_view(title) == L"dragging";
    };
    // The press waits until X has the source's window under the pointer: X maps it a little
    // after Windows calls it visible, and a press before would go to another window.
    if (!RunInLinux(L"sh -c 'xdotool mousemove --sync " + at(0) +
                    L"&& until xdotool getmouselocation --shell | grep -qx WINDOW=" +
                    XWindow(from) + L"; do sleep 0.05; done && xdotool mousedown 1'") ||
        !WaitUntil(dragging))
        return nullptr;
    std::wstring drag;
    for (int step = 1; step <= 8; ++step)
        drag += L"mousemove " + at(step) + L"sleep 0.1 ";
    return Xdotool(nullptr, drag + L"mouseup 1") ? std::move(source) : nullptr;
}

bool Drop(HWND mainWindow, const std::wstring& path, milliseconds timeout) {
    const auto source = StartDrag(mainWindow, L"--files \"" + path + L"\"");
    return source && source->ExitCode(timeout) == 0;
}

namespace {

std::wstring ScreenshotPath(const std::wstring& name) {
    std::wstring folder = ProgramFolder();
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\screenshots";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return LinuxPath(folder + L"\\" + name);
}

std::wstring Area(const RECT& place) {
    return std::to_wstring(place.right - place.left) + L"x" +
           std::to_wstring(place.bottom - place.top) + L"+" + std::to_wstring(place.left) + L"+" +
           std::to_wstring(place.top);
}

} // namespace

bool Screenshot(const RECT& place, const std::wstring& name) {
    return RunInLinux(L"import -window root -crop " + Area(place) + L" '" + ScreenshotPath(name) +
                      L"'");
}

bool Screenshot(HWND window, const std::wstring& name, bool asSeen) {
    RECT place{};
    ::GetWindowRect(window, &place);
    if (asSeen)
        return Screenshot(place, name);
    return RunInLinux(L"import -window " + XWindow(window) + L" '" + ScreenshotPath(name) + L"'");
}

} // namespace octolume::test
