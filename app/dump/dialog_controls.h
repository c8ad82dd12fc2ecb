#pragma once
// What the viewer's own dialogs (Find, Go To, Select Block) do with their controls.

#include <windows.h>

#include <string>

namespace octolume {

std::wstring ControlText(HWND dialog, int control);
bool Checked(HWND dialog, int control);
void Check(HWND dialog, int control, bool checked);
// Focuses a control as the keyboard would, its text selected.
void FocusControl(HWND dialog, int control);

} // namespace octolume
