#pragma once
// A hidden top-level window holding the program's dump view, made by the program's own
// view set-up, and a label: what the load pipeline fills.

#include "app/dump_view.h"
#include "app/load_and_display.h"
#include "support/owners.h"

#include <windows.h>

namespace octolume::test {

class ViewerWindow {
public:
    ViewerWindow();
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;
    DumpView& Dump() { return view_; }
    HWND View() const { return view_.Handle(); }
    HWND Label() const { return label_; }
    HWND Frame() const { return frame_; }
    ViewerControls Controls() { return {view_, label_}; }

private:
    LibraryHandle richEdit_;
    FontHandle font_;
    HWND frame_ = nullptr;
    DumpView view_;
    HWND label_ = nullptr;
};

} // namespace octolume::test
