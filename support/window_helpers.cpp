// The helpers for the program's windows.

#include "helpers.h"

#include "app_error.h"
#include "external_call.h"
#include "report_error.h"

namespace octolume {

void SetRedraw(HWND window, bool redraw) {
    try {
        External(::SendMessageA, window, WM_SETREDRAW, redraw ? 1 : 0, 0);
    } catch (...) {
        ReportError(CaughtError(), L"modOctolumeMisc.SetRedraw");
    }
}

void RegisterWindowClass(const WNDCLASSEXW& windowClass) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (External(::GetClassInfoExW, windowClass.hInstance, windowClass.lpszClassName, &existing))
        return;
    if (External(::RegisterClassExW, &windowClass) == 0)
        throw AppError(error_number::kInternal, L"Unable to register the window class " +
                                                    std::wstring(windowClass.lpszClassName));
}

} // namespace octolume
