#pragma once
// Every call into an external library (the system or the dump engine) goes through
// External(), which records the thread's last-error code right after the call. The
// error reporter shows the code recorded after the most recent such call on its thread:
// the record is kept per thread.

#include <windows.h>

#include <functional>
#include <type_traits>
#include <utility>

namespace octolume {

DWORD LastLibraryError() noexcept;
void RecordLastLibraryError(DWORD code) noexcept;

// External(::MoveWindow, window, x, y, width, height, TRUE) calls the function with the
// arguments; External([&] { ... }) runs a lambda, for calls through COM interfaces.
template <class Call, class... Arguments>
decltype(auto) External(Call&& call, Arguments&&... arguments) {
    if constexpr (std::is_void_v<std::invoke_result_t<Call, Arguments...>>) {
        std::invoke(std::forward<Call>(call), std::forward<Arguments>(arguments)...);
        RecordLastLibraryError(::GetLastError());
    } else {
        auto result = std::invoke(std::forward<Call>(call), std::forward<Arguments>(arguments)...);
        RecordLastLibraryError(::GetLastError());
        return result;
    }
}

// SendMessageW through External.
inline LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return External(::SendMessageW, window, message, wParam, lParam);
}

// The same with a pointer or handle as the last parameter.
template <class Pointer> LRESULT Send(HWND window, UINT message, WPARAM wParam, Pointer* pointer) {
    return Send(window, message, wParam, reinterpret_cast<LPARAM>(pointer));
}

} // namespace octolume
