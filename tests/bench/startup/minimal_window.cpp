// minimal_window.exe [--load NAME,NAME...] [--ole] [--view]
//
// The least a Win32 program does to show a window, built with the same compiler and
// options as Octolume32.exe: the yardstick of the start-up benchmark. To tell where
// Octolume32's extra start-up time goes, it can first load the given DLLs and ready
// OLE, and give its window a rich-edit view, as Octolume32 does, without importing
// any of it itself.

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

// Loads each DLL of the comma-separated list that follows "--load ".
void LoadListedLibraries(const std::wstring& commandLine) {
    const std::wstring option = L"--load ";
    const std::size_t at = commandLine.find(option);
    if (at == std::wstring::npos)
        return;
    const std::size_t start = at + option.size();
    const std::wstring list = commandLine.substr(start, commandLine.find(L' ', start) - start);
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(L',', from), list.size());
        if (comma > from)
            LoadLibraryW(list.substr(from, comma - from).c_str());
        from = comma + 1;
    }
}

void ReadyOle() {
    using OleInitializeFunction = HRESULT(WINAPI*)(void*);
    if (const HMODULE ole = LoadLibraryW(L"ole32.dll"))
        if (const auto initialize = reinterpret_cast<OleInitializeFunction>(
                reinterpret_cast<void*>(GetProcAddress(ole, "OleInitialize"))))
            initialize(nullptr);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
    const std::wstring commandLine = arguments ? arguments : L"";
    LoadListedLibraries(commandLine);
    if (commandLine.find(L"--ole") != std::wstring::npos)
        ReadyOle();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"MinimalWindow";
    if (!RegisterClassW(&windowClass))
        return 1;
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Minimal window",
                                        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480,
                                        nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    if (commandLine.find(L"--view") != std::wstring::npos) {
        // The rich-edit control of msftedit.dll, sized to the window, like Octolume32's.
        LoadLibraryW(L"msftedit.dll");
        RECT client{};
        GetClientRect(window, &client);
        CreateWindowExW(WS_EX_CLIENTEDGE, L"RICHEDIT50W", L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                            ES_READONLY,
                        0, 0, client.right, client.bottom, window, nullptr, instance, nullptr);
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
