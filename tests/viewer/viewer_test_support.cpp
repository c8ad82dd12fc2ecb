#include "viewer_test_support.h"

#include <richedit.h>

#include <fstream>

namespace octolume::testing {

namespace {
std::vector<ShownBox> capturedBoxes;

int CaptureBox(const std::wstring& text, const std::wstring& title, UINT style) {
    capturedBoxes.push_back({text, title, style});
    return IDOK;
}

void LoadRichEdit() {
    wchar_t system[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    static HMODULE richEdit = LoadLibraryW((std::wstring(system) + L"\\msftedit.dll").c_str());
    (void)richEdit;
}
} // namespace

MessageBoxCapture::MessageBoxCapture() : previous_(SetMessageBoxFunction(CaptureBox)) {
    capturedBoxes.clear();
}
MessageBoxCapture::~MessageBoxCapture() {
    SetMessageBoxFunction(previous_);
}
const std::vector<ShownBox>& MessageBoxCapture::Boxes() const {
    return capturedBoxes;
}

ViewerWindow::ViewerWindow() {
    LoadRichEdit();
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

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

TempFolder::TempFolder() {
    wchar_t name[MAX_PATH]{};
    GetTempFileNameW(std::filesystem::temp_directory_path().c_str(), L"olv", 0, name);
    path_ = name;
    std::filesystem::remove(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::wstring& name, const std::string& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::filesystem::path ProgramFolder() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

} // namespace octolume::testing
