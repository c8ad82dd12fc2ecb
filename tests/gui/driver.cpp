#include "driver.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace octolume::test {

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); std::this_thread::sleep_for(milliseconds{25}))
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

bool Dismiss(HWND box) {
    ::PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    return WaitUntil([&] { return !::IsWindowVisible(box); });
}

Process::Process(const std::wstring& exe, const std::wstring& currentFolder,
                 const std::wstring& arguments) {
    // Wine draws the frame (caption, close box) itself, as Windows does, instead of leaving
    // it to a window manager that is not there.
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Octolume32.exe\\X11 Driver",
                      L"Managed", REG_SZ, L"N", 4);
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                          &started))
        throw std::runtime_error("cannot start the program");
    ::CloseHandle(started.hThread);
    handle_ = started.hProcess;
    id_ = started.dwProcessId;
}

Process::~Process() {
    ::TerminateProcess(handle_, 99); // fails harmlessly once it has ended
    ::WaitForSingleObject(handle_, static_cast<DWORD>(kTimeout.count()));
    ::CloseHandle(handle_);
}

DWORD Process::ExitCode(milliseconds timeout) const {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(handle_, &code);
    return code;
}

HWND Process::Find(const std::function<bool(HWND)>& match, milliseconds timeout) const {
    // Returns at once for a program that was idle before or has ended.
    ::WaitForInputIdle(handle_, static_cast<DWORD>(timeout.count()));
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w = ::GetTopWindow(nullptr); w && !found; w = ::GetWindow(w, GW_HWNDNEXT)) {
                DWORD owner = 0;
                ::GetWindowThreadProcessId(w, &owner);
                found = owner == id_ && ::IsWindowVisible(w) && match(w) ? w : nullptr;
            }
            return found != nullptr || ExitCode(milliseconds{0}) != STILL_ACTIVE;
        },
        timeout);
    return found;
}

namespace {
// Wine starts a Linux program but hands back no handle to wait on: the command leaves a
// file once it has succeeded, and the caller waits for that (Wine maps / to Z:).
bool RunInLinux(const std::wstring& command) {
    static int count = 0;
    const std::wstring name = L"octolume_gui_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                              std::to_wstring(++count),
                       windowsDone = L"Z:\\tmp\\" + name;
    std::wstring commandLine =
        L"/bin/sh -c \"timeout 20 " + command + L" && touch /tmp/" + name + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return false;
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    const bool succeeded = WaitUntil([&] { return Exists(windowsDone); }, milliseconds{25000});
    ::DeleteFileW(windowsDone.c_str());
    return succeeded;
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
    // The drag loop follows real pointer motion only: press, move in steps, release.
    std::wstring drag = L"mousemove --sync " + at(0) + L"sleep 0.2 mousedown 1 sleep 0.2 ";
    for (int step = 1; step <= 8; ++step)
        drag += L"mousemove " + at(step) + L"sleep 0.1 ";
    return Xdotool(nullptr, drag + L"mouseup 1") ? std::move(source) : nullptr;
}

bool Drop(HWND mainWindow, const std::wstring& path, milliseconds timeout) {
    const auto source = StartDrag(mainWindow, L"--files \"" + path + L"\"");
    return source && source->ExitCode(timeout) == 0;
}

bool Screenshot(HWND window, const std::wstring& name, bool asSeen) {
    std::wstring folder = ProgramFolder();
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\screenshots";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring file = folder.substr(2) + L"\\" + name; // as Linux sees it, from Z:
    std::replace(file.begin(), file.end(), L'\\', L'/');
    RECT place{};
    ::GetWindowRect(window, &place);
    const std::wstring area = std::to_wstring(place.right - place.left) + L"x" +
                              std::to_wstring(place.bottom - place.top) + L"+" +
                              std::to_wstring(place.left) + L"+" + std::to_wstring(place.top);
    return RunInLinux(L"import -window " + (asSeen ? L"root -crop " + area : XWindow(window)) +
                      L" '" + file + L"'");
}

} // namespace octolume::test
