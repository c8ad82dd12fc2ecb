#pragma once
// Shared by the tests that show the real dialog: a fresh folder to choose files from,
// and steps that act on the shown dialog's window.

#include "dialog_script.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace octolume::test {

class ShownDialogTest : public testing::Test {
protected:
    std::wstring MakeFile(const std::wstring& name) { return temp_.Write(name, "content"); }

    // A step that presses one of the shown dialog's buttons.
    Step Press(int command) {
        return [this, command] {
            ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            return true;
        };
    }

    TempFolder temp_;
    // In its long form, as the shell reports it.
    const std::wstring folder_ = temp_.Path();
    // The shown dialog, once a waiting step has found it.
    HWND window_ = nullptr;
};

} // namespace octolume::test
