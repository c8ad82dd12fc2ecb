#pragma once
// Every call into an external library (the system or the dump engine) goes through
// External(), which records the thread's last-error code right after the call. The
// error reporter shows the code recorded after the most recent such call.

#include <windows.h>

#include <type_traits>
#include <utility>

namespace octolume {

DWORD LastLibraryError() noexcept;
void RecordLastLibraryError(DWORD code) noexcept;

template <class Call> decltype(auto) External(Call&& call) {
    if constexpr (std::is_void_v<std::invoke_result_t<Call>>) {
        std::forward<Call>(call)();
        RecordLastLibraryError(::GetLastError());
    } else {
        auto result = std::forward<Call>(call)();
        RecordLastLibraryError(::GetLastError());
        return result;
    }
}

} // namespace octolume
