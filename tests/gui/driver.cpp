#include "driver.h"

#include "resource.h"

#include "engine/engine_contract.h"
#include "support/owners.h"

#include <richedit.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <thread>
#include <type_traits>

namespace octolume::test {

namespace {

constexpr milliseconds kPollInterval{25};
// Generous: a long view text crosses processes in one message.
constexpr UINT kSendTimeoutMs = 60000;

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}

bool SendForResult(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
    return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                 &result) != 0;
}

} // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
    return L"\"" + argument + L"\"";
}

bool WaitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::wstring BuiltProgramPath() {
    return BuiltFile(L"Octolume32.exe");
}
std::wstring BuiltEnginePath() {
    return BuiltFile(engine::kLibraryName);
}
std::wstring BuildFolder() {
    return FolderOf(ProgramFolder());
}

std::string UnixPath(const std::wstring& windowsPath) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return {};
    }
    char* unixName = convert(windowsPath.c_str());
    if (unixName == nullptr) {
        return {};
    }
    std::string result = unixName;
    ::HeapFree(::GetProcessHeap(), 0, unixName);
    return result;
}

void LetWineDrawTheFrame(const std::wstring& executableName) {
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + executableName + L"\\X11 Driver";
    const wchar_t value[] = L"N";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, value, sizeof value);
}

ProgramProcess::ProgramProcess(const std::wstring& executablePath,
                               const std::wstring& workingDirectory,
                               const std::wstring& arguments) {
    LetWineDrawTheFrame(FileNameOf(executablePath));
    std::wstring commandLine = QuoteArgument(executablePath);
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(executablePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                          &startup, &started)) {
        throw std::runtime_error("cannot start the program (error " +
                                 std::to_string(::GetLastError()) + ")");
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    processId_ = started.dwProcessId;
}

ProgramProcess::~ProgramProcess() {
    if (IsRunning()) {
        ::TerminateProcess(process_, 99);
        ::WaitForSingleObject(process_, static_cast<DWORD>(kExitTimeout.count()));
    }
    ::CloseHandle(process_);
}

bool ProgramProcess::IsRunning() const {
    return ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ProgramProcess::WaitForExit(milliseconds timeout) const {
    return ::WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> ProgramProcess::ExitCode() const {
    DWORD code = 0;
    if (IsRunning() || !::GetExitCodeProcess(process_, &code)) {
        return std::nullopt;
    }
    return code;
}

namespace {
struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && ::IsWindowVisible(window)) {
        search.found.push_back(window);
    }
    return TRUE;
}
} // namespace

std::vector<HWND> ProgramProcess::TopLevelWindows() const {
    WindowSearch search{processId_, {}};
    ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {
HWND FindByClass(const std::vector<HWND>& windows, const wchar_t* className) {
    for (const HWND window : windows) {
        if (::lstrcmpiW(ClassNameOf(window).c_str(), className) == 0) {
            return window;
        }
    }
    return nullptr;
}
} // namespace

bool ProgramProcess::HasMainWindow() const {
    return FindByClass(TopLevelWindows(), OCTOLUME_MAIN_WINDOW_CLASS) != nullptr;
}

HWND ProgramProcess::WaitForWindowOfClass(const wchar_t* className, milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Returns at once for a program that has been idle before or has ended.
    ::WaitForInputIdle(process_, static_cast<DWORD>(timeout.count()));
    const auto left =
        std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> windows = TopLevelWindows();
            found = className != nullptr ? FindByClass(windows, className)
                                         : (windows.empty() ? nullptr : windows.front());
            return found != nullptr || !IsRunning();
        },
        std::max(left, milliseconds{0}));
    return found;
}

HWND ProgramProcess::WaitForMainWindow(milliseconds timeout) const {
    return WaitForWindowOfClass(OCTOLUME_MAIN_WINDOW_CLASS, timeout);
}

ShownProgram::ShownProgram(const std::wstring& workingDirectory)
    : process(BuiltProgramPath(), workingDirectory), window(process.WaitForMainWindow()),
      label(ControlOf(window, IDC_LBL_FILE_NAME)) {}

HWND ShownProgram::View() const {
    return ControlOf(window, IDC_RTF_OCTOLUME);
}

bool ShownProgram::LabelBecomes(const std::wstring& text) const {
    return WaitUntil([&] { return WindowText(label) == text; }, kWindowTimeout);
}

HWND ProgramProcess::WaitForMessageBox(milliseconds timeout) const {
    return WaitForWindowOfClass(L"#32770", timeout);
}

HWND ProgramProcess::WaitForAnyWindow(milliseconds timeout) const {
    return WaitForWindowOfClass(nullptr, timeout);
}

namespace {

struct DialogSearch {
    DWORD processId;
    const std::wstring* title;
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<DialogSearch*>(parameter);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != search.processId || !::IsWindowVisible(window) ||
        ClassNameOf(window) != L"#32770") {
        return TRUE;
    }
    if ((search.title && WindowText(window) == *search.title) ||
        (search.owner && ::GetWindow(window, GW_OWNER) == search.owner)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialogMatching(HWND windowOfTheProcess, const std::wstring* title, HWND owner,
                           milliseconds timeout) {
    DialogSearch search{0, title, owner, nullptr};
    ::GetWindowThreadProcessId(windowOfTheProcess, &search.processId);
    WaitUntil(
        [&] {
            ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

} // namespace

HWND WaitForDialog(HWND windowOfTheProcess, const std::wstring& title, milliseconds timeout) {
    return WaitForDialogMatching(windowOfTheProcess, &title, nullptr, timeout);
}

HWND WaitForOwnedDialog(HWND owner, milliseconds timeout) {
    return WaitForDialogMatching(owner, nullptr, owner, timeout);
}

std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className) {
    std::vector<HWND> found;
    for (const HWND child : Descendants(parent)) {
        if (::IsWindowVisible(child) &&
            ::lstrcmpiW(ClassNameOf(child).c_str(), className.c_str()) == 0)
            found.push_back(child);
    }
    return found;
}

namespace {

struct RemoteMemoryReleaser {
    HANDLE process;
    void operator()(void* memory) const noexcept {
        ::VirtualFreeEx(process, memory, 0, MEM_RELEASE);
    }
};

// The rich-edit view's text in pieces, through a buffer in the program's own memory:
// one WM_GETTEXT across processes fails under Wine for texts of some millions of
// characters. The view's paragraph marks come back as CR; WM_GETTEXT writes CR LF.
std::wstring ReadRichEditInPieces(HWND view) {
    constexpr LONG kPiece = 1 << 20;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(view, &processId);
    UniqueHandle process(
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) {
        return {};
    }
    const SIZE_T bufferBytes = (kPiece + 1) * sizeof(wchar_t);
    std::unique_ptr<void, RemoteMemoryReleaser> remote(
        ::VirtualAllocEx(process.get(), nullptr, sizeof(TEXTRANGEW) + bufferBytes,
                         MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE),
        RemoteMemoryReleaser{process.get()});
    if (!remote) {
        return {};
    }
    auto* remoteRange = static_cast<BYTE*>(remote.get());
    auto* remoteText = reinterpret_cast<wchar_t*>(remoteRange + sizeof(TEXTRANGEW));
    std::wstring text;
    std::wstring piece(kPiece, L'\0');
    for (LONG start = 0;; start += kPiece) {
        TEXTRANGEW range{{start, start + kPiece}, remoteText};
        DWORD_PTR copied = 0;
        if (!::WriteProcessMemory(process.get(), remoteRange, &range, sizeof range, nullptr) ||
            !SendForResult(view, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(remoteRange),
                           copied) ||
            !::ReadProcessMemory(process.get(), remoteText, piece.data(), copied * sizeof(wchar_t),
                                 nullptr)) {
            return {};
        }
        for (DWORD_PTR index = 0; index < copied; ++index) {
            text += piece[index];
            if (piece[index] == L'\r') {
                text += L'\n';
            }
        }
        if (copied < static_cast<DWORD_PTR>(kPiece)) {
            return text;
        }
    }
}

} // namespace

std::wstring ViewText(HWND view) {
    constexpr DWORD_PTR kLongestInOneMessage = 1000000;
    DWORD_PTR length = 0;
    if (!SendForResult(view, WM_GETTEXTLENGTH, 0, 0, length)) {
        return {};
    }
    return length <= kLongestInOneMessage ? WindowText(view) : ReadRichEditInPieces(view);
}

HWND ControlOf(HWND mainWindow, int controlId) {
    return ::GetDlgItem(mainWindow, controlId);
}

SIZE ClientSize(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

RECT ChildRect(HWND parent, HWND child) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool ResizeWindow(HWND window, int width, int height) {
    ::SetWindowPos(window, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitUntil(
        [&] {
            RECT frame{};
            ::GetWindowRect(window, &frame);
            return frame.right - frame.left == width && frame.bottom - frame.top == height;
        },
        kWindowTimeout);
}

bool ResizeClientArea(HWND window, int clientWidth, int clientHeight) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const SIZE client = ClientSize(window);
    const int extraWidth = (frame.right - frame.left) - client.cx;
    const int extraHeight = (frame.bottom - frame.top) - client.cy;
    if (!ResizeWindow(window, clientWidth + extraWidth, clientHeight + extraHeight)) {
        return false;
    }
    // The resize handler runs in the program's thread: wait until it has.
    return WaitUntil(
        [&] {
            const SIZE now = ClientSize(window);
            return now.cx == clientWidth && now.cy == clientHeight;
        },
        kWindowTimeout);
}

MessageBoxContent ReadMessageBox(HWND box) {
    return {WindowText(box), WindowText(::GetDlgItem(box, 0xFFFF))};
}

bool DismissMessageBox(HWND box) {
    const HWND ok = ::GetDlgItem(box, IDOK);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    return WaitUntil([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, kWindowTimeout);
}

std::optional<unsigned long> XWindowOf(HWND window) {
    const HANDLE property = ::GetPropW(window, L"__wine_x11_whole_window");
    if (property == nullptr) {
        return std::nullopt;
    }
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(property));
}

namespace {

std::wstring Widen(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      wide.data(), static_cast<int>(wide.size())));
    return wide;
}

std::wstring ShellQuote(const std::wstring& word) {
    std::wstring quoted = L"'";
    for (const wchar_t character : word) {
        quoted += character == L'\'' ? std::wstring(L"'\\''") : std::wstring(1, character);
    }
    return quoted + L"'";
}

std::optional<std::string> ReadSmallFile(const std::wstring& path) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return std::nullopt;
    }
    char buffer[64]{};
    DWORD read = 0;
    ::ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr);
    return std::string(buffer, read);
}

} // namespace

// Wine starts a Linux program but hands back no process handle to wait on, so the
// command runs under sh, bounded by timeout(1), and leaves its exit status in a file
// that appears at once, complete (written aside, then renamed).
int RunLinuxCommand(const std::wstring& command, milliseconds timeout) {
    static int counter = 0;
    wchar_t temp[MAX_PATH]{};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring status = std::wstring(temp) + L"octolume_gui_status_" +
                                std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                std::to_wstring(++counter);
    const std::wstring unixStatus = ShellQuote(Widen(UnixPath(status)));
    const std::wstring unixStatusAside = ShellQuote(Widen(UnixPath(status + L".part")));
    const auto seconds = std::to_wstring(std::max<long long>(1, timeout.count() / 1000));
    std::wstring commandLine = L"/bin/sh -c \"timeout " + seconds + L" " + command +
                               L"; echo $? > " + unixStatusAside + L" && mv " + unixStatusAside +
                               L" " + unixStatus + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        return -1;
    }
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    std::optional<std::string> code;
    WaitUntil(
        [&] {
            code = ReadSmallFile(status);
            return code.has_value();
        },
        timeout + milliseconds{5000});
    ::DeleteFileW(status.c_str());
    if (!code) {
        return -1;
    }
    try {
        return std::stoi(*code);
    } catch (const std::exception&) {
        return -1;
    }
}

namespace {
const std::wstring kXdotool = L"xdotool";

std::wstring XWindowArgument(HWND window) {
    const auto id = XWindowOf(window);
    return id ? std::to_wstring(*id) : std::wstring();
}
} // namespace

bool FocusWindow(HWND window) {
    const std::wstring xWindow = XWindowArgument(window);
    if (xWindow.empty()) {
        return false;
    }
    if (RunLinuxCommand(kXdotool + L" windowfocus --sync " + xWindow) != 0) {
        return false;
    }
    return WaitUntil([&] { return ::GetForegroundWindow() == window; }, kWindowTimeout);
}

bool TypeKeys(HWND window, const std::vector<std::wstring>& chords) {
    if (!FocusWindow(window)) {
        return false;
    }
    for (const std::wstring& chord : chords) {
        if (RunLinuxCommand(kXdotool + L" key --clearmodifiers " + chord) != 0) {
            return false;
        }
    }
    return true;
}

bool TypeText(HWND window, const std::wstring& text) {
    return FocusWindow(window) &&
           RunLinuxCommand(kXdotool + L" type --clearmodifiers -- " + ShellQuote(text)) == 0;
}

bool ClickAt(POINT screenPoint) {
    return RunLinuxCommand(kXdotool + L" mousemove --sync " + std::to_wstring(screenPoint.x) +
                           L" " + std::to_wstring(screenPoint.y) + L" click 1") == 0;
}

POINT CloseBoxCentre(HWND window) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const int border = ::GetSystemMetrics(SM_CXFRAME) + ::GetSystemMetrics(SM_CXPADDEDBORDER);
    const int borderY = ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CXPADDEDBORDER);
    const int buttonWidth = ::GetSystemMetrics(SM_CXSIZE);
    const int captionHeight = ::GetSystemMetrics(SM_CYCAPTION);
    return {frame.right - border - buttonWidth / 2, frame.top + borderY + captionHeight / 2};
}

bool TakeScreenshot(HWND window, const std::wstring& pngPath) {
    ::CreateDirectoryW(FolderOf(pngPath).c_str(), nullptr);
    const std::wstring xWindow = XWindowArgument(window);
    const std::string target = UnixPath(pngPath);
    if (xWindow.empty() || target.empty()) {
        return false;
    }
    return RunLinuxCommand(L"import -window " + xWindow + L" " + ShellQuote(Widen(target))) == 0;
}

Picture CaptureWindow(HWND window) {
    static int counter = 0;
    wchar_t temp[MAX_PATH]{};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"octolume_gui_capture_" +
                              std::to_wstring(::GetCurrentProcessId()) + L"_" +
                              std::to_wstring(++counter) + L".bmp";
    const std::wstring xWindow = XWindowArgument(window);
    const std::string target = UnixPath(file);
    // BMP3: the plain Windows bitmap the system itself reads.
    if (xWindow.empty() || target.empty() ||
        RunLinuxCommand(L"import -window " + xWindow + L" " +
                        ShellQuote(L"BMP3:" + Widen(target))) != 0) {
        return {};
    }
    const BitmapHandle bitmap(static_cast<HBITMAP>(::LoadImageW(
        nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    ::DeleteFileW(file.c_str());
    if (!bitmap) {
        return {};
    }
    BITMAP size{};
    ::GetObjectW(bitmap.get(), sizeof size, &size);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.bmWidth;
    format.bmiHeader.biHeight = -size.bmHeight; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> bits(static_cast<size_t>(size.bmWidth) * size.bmHeight);
    const ScreenDcHandle screen(::GetDC(nullptr));
    const int rows = ::GetDIBits(screen.get(), bitmap.get(), 0, size.bmHeight, bits.data(), &format,
                                 DIB_RGB_COLORS);
    if (rows != size.bmHeight) {
        return {};
    }
    Picture picture{size.bmWidth, size.bmHeight, {}};
    picture.pixels.reserve(bits.size());
    for (const DWORD pixel : bits) {
        // Blue, green, red in memory order: 0x00RRGGBB as a number.
        picture.pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return picture;
}

bool OpenFileThroughDialog(HWND mainWindow, const std::wstring& path) {
    if (!TypeKeys(mainWindow, {L"alt+f", L"o"})) {
        return false;
    }
    const HWND dialog = WaitForDialog(mainWindow, L"Load File");
    if (dialog == nullptr || !TypeText(dialog, path) || !TypeKeys(dialog, {L"Return"})) {
        return false;
    }
    return WaitUntil([&] { return !::IsWindow(dialog); }, kWindowTimeout);
}
std::unique_ptr<ProgramProcess> DragOntoView(HWND mainWindow, const std::wstring& sourceArguments) {
    auto source = std::make_unique<ProgramProcess>(BuiltFile(L"drag_source.exe"), std::wstring(),
                                                   sourceArguments);
    const HWND sourceWindow = source->WaitForAnyWindow();
    const HWND view = ControlOf(mainWindow, IDC_RTF_OCTOLUME);
    if (!sourceWindow || !view)
        return nullptr;

    RECT from{}, to{};
    ::GetWindowRect(sourceWindow, &from);
    ::GetWindowRect(view, &to);
    const POINT start{(from.left + from.right) / 2, (from.top + from.bottom) / 2};
    const POINT end{(to.left + to.right) / 2, (to.top + to.bottom) / 2};
    // The drag loop follows real pointer motion only: press, move in steps, release.
    std::wstring drag = kXdotool + L" mousemove --sync " + std::to_wstring(start.x) + L" " +
                        std::to_wstring(start.y) + L" sleep 0.2 mousedown 1 sleep 0.2";
    constexpr int kSteps = 8;
    for (int step = 1; step <= kSteps; ++step) {
        drag += L" mousemove " + std::to_wstring(start.x + (end.x - start.x) * step / kSteps) +
                L" " + std::to_wstring(start.y + (end.y - start.y) * step / kSteps) + L" sleep 0.1";
    }
    drag += L" mouseup 1";
    if (RunLinuxCommand(drag) != 0)
        return nullptr;
    return source;
}

bool OpenFileByDrop(HWND mainWindow, const std::wstring& path) {
    const std::unique_ptr<ProgramProcess> source =
        DragOntoView(mainWindow, L"--files " + QuoteArgument(path));
    return source && source->WaitForExit() && source->ExitCode() == 0u;
}

} // namespace octolume::test
