// minimal_window.exe [--load NAME,NAME...] [--ole]
//
// The least a Win32 program does to show a window, built like Octolume32.exe: the
// yardstick of the start-up benchmark. To tell where Octolume32's extra start-up time
// goes, it can first load the given DLLs and ready OLE, as Octolume32 does, without
// importing any of it itself.

#include <windows.h>

#include <sstream>
#include <string>

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
    std::wistringstream words(arguments ? arguments : L"");
    for (std::wstring word; words >> word;) {
        if (word == L"--load") {
            words >> word;
            std::wistringstream list(word);
            for (std::wstring name; std::getline(list, name, L',');)
                LoadLibraryW(name.c_str());
        } else if (word == L"--ole") {
            using OleInitializeFunction = HRESULT(WINAPI*)(void*);
            reinterpret_cast<OleInitializeFunction>(reinterpret_cast<void*>(
                GetProcAddress(LoadLibraryW(L"ole32.dll"), "OleInitialize")))(nullptr);
        }
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"MinimalWindow";
    const HWND window = RegisterClassW(&windowClass)
                            ? CreateWindowExW(0, L"MinimalWindow", L"Minimal window",
                                              WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                              640, 480, nullptr, nullptr, instance, nullptr)
                            : nullptr;
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
