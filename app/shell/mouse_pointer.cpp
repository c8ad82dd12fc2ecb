#include "shell/mouse_pointer.h"

#include "support/external_call.h"

namespace octolume {

namespace {
MousePointer currentPointer = MousePointer::Default;
} // namespace

void SetMousePointer(MousePointer pointer) {
    currentPointer = pointer;
    if (pointer == MousePointer::Hourglass) {
        ApplyMousePointer();
        return;
    }
    // Ask the window under the mouse for its own cursor again, as a mouse move would.
    POINT position{};
    if (!External(::GetCursorPos, &position))
        return;
    const HWND window = External(::WindowFromPoint, position);
    if (!window ||
        External(::GetWindowThreadProcessId, window, nullptr) != External(::GetCurrentThreadId))
        return;
    const LRESULT hit = Send(window, WM_NCHITTEST, 0, MAKELPARAM(position.x, position.y));
    Send(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(hit, WM_MOUSEMOVE));
}

MousePointer CurrentMousePointer() noexcept {
    return currentPointer;
}

bool ApplyMousePointer() {
    if (currentPointer != MousePointer::Hourglass)
        return false;
    External(::SetCursor, LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

} // namespace octolume
