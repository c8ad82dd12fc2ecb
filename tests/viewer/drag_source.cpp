// drag_source.exe --files PATH... | --text TEXT
//
// A drag source for user-level drop tests. It shows a small window titled
// "Octolume drag source" at the top-left of the screen; pressing the left mouse button
// in it starts an OLE drag of the given files (CF_HDROP) or text (as an editor offers it:
// CF_UNICODETEXT, and CF_TEXT converted as Windows converts it, best fit included). Moving the
// real pointer onto another program and releasing the button drops there. It then exits
// with 0 when the data was dropped, 1 when the drag ended otherwise, 2 on a bad command
// line.

#include "hand_made_data.h"

#include <ole2.h>

#include <string>

namespace {

using octolume::test::HandMadeData;

HandMadeData dragged;
int exitCode = 1;

class DropSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDropSource) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape)
            return DRAGDROP_S_CANCEL;
        return keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

LRESULT CALLBACK SourceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) {
        DropSource source;
        DWORD effect = DROPEFFECT_NONE;
        const HRESULT result = DoDragDrop(&dragged, &source, DROPEFFECT_COPY, &effect);
        exitCode = result == DRAGDROP_S_DROP ? 0 : 1;
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(exitCode);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool ReadCommandLine(int argc, wchar_t** argv) {
    if (argc < 3)
        return false;
    const std::wstring kind = argv[1];
    if (kind == L"--text" && argc == 3) {
        const int size = WideCharToMultiByte(CP_ACP, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_ACP, 0, argv[2], -1, text.data(), size, nullptr, nullptr);
        text.resize(static_cast<size_t>(size) - 1);
        dragged.text = text;
        dragged.unicodeText = argv[2];
        return true;
    }
    if (kind == L"--files") {
        dragged.files.assign(argv + 2, argv + argc);
        return true;
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (!ReadCommandLine(argc, argv))
        return 2;
    OleInitialize(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SourceWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_HAND);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
    windowClass.lpszClassName = L"OctolumeDragSource";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Octolume drag source",
                                  WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 120, 80, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 3;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    OleUninitialize();
    return static_cast<int>(message.wParam);
}
