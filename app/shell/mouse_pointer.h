#pragma once
// The application-wide mouse pointer: while it is the wait cursor, every window of the
// program shows the hourglass, whatever control is under the mouse.

#include <windows.h>

namespace octolume {

enum class MousePointer { Default = 0, Hourglass = 11 };

void SetMousePointer(MousePointer pointer);
MousePointer CurrentMousePointer() noexcept;

// For WM_SETCURSOR handlers: shows the application-wide pointer and returns true when
// it overrides the window's own cursor.
bool ApplyMousePointer();

} // namespace octolume
