#pragma once
// The program's own main window, created in the test's process, so the viewer's tests
// fill the view exactly as the program sets it up.

#include "app/load_and_display.h"
#include "app/main_window.h"

#include <windows.h>

#include <memory>

namespace octolume::test {

class ViewerWindow {
public:
    ViewerWindow();
    HWND View() const { return form_->rtfOctolume(); }
    HWND Label() const { return form_->lblFileName(); }
    ViewerControls Controls() const { return {View(), Label()}; }

private:
    std::unique_ptr<frmOctolume> form_;
};

} // namespace octolume::test
