#pragma once
// A hidden window of the test's own with the program's dump view, set up by the program's own
// code, and a label: what the load pipeline fills.
#include "dump/dump_view.h"
#include "shell/load_and_display.h"
#include "support/owners.h"
#include <string>

namespace octolume::test {

class ViewerWindow {
public:
    ViewerWindow() {
        font_.reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                                CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New"));
        frame_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                                 nullptr, nullptr, nullptr);
        view_.Create({GetModuleHandleW(nullptr), frame_, 1, font_.get()}, {8, 8, 608, 388});
        label_ = CreateWindowExW(0, L"STATIC", L"File:", WS_CHILD | SS_NOPREFIX, 8, 400, 600, 20,
                                 frame_, nullptr, nullptr, nullptr);
    }
    ~ViewerWindow() { DestroyWindow(frame_); }
    DumpView& Dump() { return view_; }
    HWND Frame() const { return frame_; }
    HWND View() const { return view_.Handle(); }
    HWND Label() const { return label_; }
    ViewerControls Controls() { return {view_, label_}; }

private:
    FontHandle font_;
    HWND frame_, label_;
    DumpView view_;
};

} // namespace octolume::test
