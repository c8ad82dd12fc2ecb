// drag_source.exe --files PATH... | --text TEXT: a press of the left button in its window
// drags the files (CF_HDROP) or the text as an editor offers it (CF_UNICODETEXT, and CF_TEXT
// converted with best fit). Its title becomes "dragging" as the drag begins.
// Exit code 0: dropped; 1: not dropped; 2: bad command line.
#include "hand_made_data.h"

#include <string>

namespace {

octolume::test::HandMadeData dragged;
int exitCode = 1;

struct DropSource final : IDropSource {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = iid == IID_IUnknown || iid == IID_IDropSource ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // lives on the stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        return escape ? DRAGDROP_S_CANCEL : keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

LRESULT CALLBACK SourceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) {
        // Tells the test that the drag loop, which takes the pointer, is about to run.
        SetWindowTextW(window, L"dragging");
        DropSource source;
        DWORD effect = DROPEFFECT_NONE;
        exitCode =
            DoDragDrop(&dragged, &source, DROPEFFECT_COPY, &effect) == DRAGDROP_S_DROP ? 0 : 1;
        DestroyWindow(window);
    } else if (message == WM_DESTROY) {
        PostQuitMessage(exitCode);
    } else {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring kind = argc >= 3 ? argv[1] : L"";
    if (kind == L"--text" && argc == 3) {
        char text[4096]{};
        WideCharToMultiByte(CP_ACP, 0, argv[2], -1, text, sizeof text, nullptr, nullptr);
        dragged.text = text;
        dragged.unicodeText = argv[2];
    } else if (kind == L"--files") {
        dragged.files.assign(argv + 2, argv + argc);
    } else {
        return 2;
    }
    OleInitialize(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SourceWindowProc;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
    windowClass.lpszClassName = L"OctolumeDragSource";
    RegisterClassW(&windowClass);
    if (!CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Octolume drag source",
                         WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 120, 80, nullptr, nullptr,
                         nullptr, nullptr))
        return 3;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    OleUninitialize();
    return static_cast<int>(message.wParam);
}
