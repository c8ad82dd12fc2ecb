#pragma once
// Shared by the tests that show the real dialog: a fresh folder to choose files from,
// and steps that act on the shown dialog's window.

#include "dialog_script.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace octolume {

class ShownDialogTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ =
            std::wstring(temp) + L"octolume_dialogs_" + std::to_wstring(::GetCurrentProcessId());
        std::filesystem::create_directories(folder_);
        // The shell reports the long form of the folder's name.
        wchar_t longName[MAX_PATH];
        ::GetLongPathNameW(folder_.c_str(), longName, MAX_PATH);
        folder_ = longName;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::wstring MakeFile(const std::wstring& name) {
        const std::wstring path = folder_ + L"\\" + name;
        std::ofstream(std::filesystem::path(path)) << "content of " << path.size();
        return path;
    }

    // A step that presses one of the shown dialog's buttons.
    Step Press(int command) {
        return [this, command] {
            ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
            return true;
        };
    }

    std::wstring folder_;
    // The shown dialog, once a waiting step has found it.
    HWND window_ = nullptr;
};

} // namespace octolume
