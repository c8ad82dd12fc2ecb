#include "mouse_pointer.h"

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
    if (!External([&] { return GetCursorPos(&position); }))
        return;
    const HWND window = External([&] { return WindowFromPoint(position); });
    if (!window || External([&] { return GetWindowThreadProcessId(window, nullptr); }) !=
                       External([] { return GetCurrentThreadId(); }))
        return;
    const LRESULT hit = External(
        [&] { return SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(position.x, position.y)); });
    External([&] {
        return SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                            MAKELPARAM(hit, WM_MOUSEMOVE));
    });
}

MousePointer CurrentMousePointer() noexcept {
    return currentPointer;
}

bool ApplyMousePointer() {
    if (currentPointer != MousePointer::Hourglass)
        return false;
    External([] { return SetCursor(LoadCursorW(nullptr, IDC_WAIT)); });
    return true;
}

} // namespace octolume
