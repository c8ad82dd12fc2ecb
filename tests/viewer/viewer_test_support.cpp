#include "viewer_test_support.h"

#include <string>

namespace octolume::test {

ViewerWindow::ViewerWindow() {
    wchar_t system[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    richEdit_.reset(LoadLibraryW((std::wstring(system) + L"\\msftedit.dll").c_str()));
    font_.reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                            FIXED_PITCH | FF_MODERN, L"Courier New"));
    frame_ = CreateWindowExW(0, L"STATIC", L"viewer test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    view_.Create({GetModuleHandleW(nullptr), frame_, 1, font_.get()}, {8, 8, 600, 380});
    label_ = CreateWindowExW(0, L"STATIC", L"File:", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 8, 400,
                             600, 20, frame_, nullptr, GetModuleHandleW(nullptr), nullptr);
}

ViewerWindow::~ViewerWindow() {
    DestroyWindow(frame_);
}

} // namespace octolume::test
