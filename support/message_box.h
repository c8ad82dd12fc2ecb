#pragma once
// The one place the program shows message boxes, so tests can capture what would be shown.

#include <windows.h>

#include <string>

namespace octolume {

// Shows an application-modal box owned by the thread's active window.
int ShowMessageBox(const std::wstring& text, const std::wstring& title, UINT style);

using MessageBoxFunction = int (*)(const std::wstring& text, const std::wstring& title, UINT style);

// Replaces how boxes are shown (tests capture them); returns the previous function.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

} // namespace octolume
