// minimal_window.exe [--load NAME,NAME...] [--ole] [--manifest] [--controls]
//
// The least a Win32 program does to show a window, built like Octolume32.exe: the
// yardstick of the start-up benchmark. To tell where Octolume32's extra start-up time
// goes, it can first take on Octolume32's steps one by one, without importing any of it
// itself: load the given DLLs, ready OLE, run under Octolume32's manifest (common
// controls 6 and visual styles, an activation context made from this program's second
// manifest resource), and show a window with what Octolume32's main window has besides
// its dump view: a menu bar, a banner picture, a label in its own font and a bare child
// window with scroll bars where the view goes, at the same places.

#include <windows.h>

#include <sstream>
#include <string>

namespace {

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Octolume32's manifest, stored under resource 2 so that it applies only when asked.
void RunUnderManifest(HINSTANCE instance) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(instance, path, MAX_PATH);
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    context.lpSource = path;
    context.lpResourceName = MAKEINTRESOURCEW(2);
    context.hModule = instance;
    const HANDLE created = CreateActCtxW(&context);
    ULONG_PTR cookie = 0;
    if (created != INVALID_HANDLE_VALUE)
        ActivateActCtx(created, &cookie); // for the life of the program
    LoadLibraryW(L"comctl32.dll");
}

HFONT Font(const wchar_t* face, int height, DWORD pitch) {
    return CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, pitch, face);
}

// Octolume32's main window at its design size (96 dpi): the menu bar, the banner's
// 1149 x 76 picture, the view's place with scroll bars and the label.
void AddControls(HWND window, HINSTANCE instance) {
    const HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 1, L"&Open File...");
    AppendMenuW(file, MF_STRING, 2, L"E&xit");
    const HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_STRING, 3, L"&About");
    SetMenu(window, bar);

    const HWND view = CreateWindowExW(WS_EX_CLIENTEDGE, L"MinimalWindow", L"",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 8, 80, 624,
                                      322, window, nullptr, instance, nullptr);
    SendMessageW(view, WM_SETFONT,
                 reinterpret_cast<WPARAM>(Font(L"Courier New", 13, FIXED_PITCH | FF_MODERN)),
                 FALSE);
    const HWND label = CreateWindowExW(0, L"STATIC", L"File:", WS_CHILD | WS_VISIBLE | SS_LEFT,
                                       8, 405, 624, 23, window, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT,
                 reinterpret_cast<WPARAM>(Font(L"Segoe UI", 11, DEFAULT_PITCH | FF_SWISS)), FALSE);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 1149;
    info.bmiHeader.biHeight = 76;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HWND banner = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 8,
                                        0, 624, 76, window, nullptr, instance, nullptr);
    SendMessageW(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
    bool controls = false;
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
        } else if (word == L"--manifest") {
            RunUnderManifest(instance);
        } else if (word == L"--controls") {
            controls = true;
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
                                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                              CW_USEDEFAULT, 657, 489, nullptr, nullptr, instance,
                                              nullptr)
                            : nullptr;
    if (!window)
        return 1;
    if (controls)
        AddControls(window, instance);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
