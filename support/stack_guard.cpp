// The stack protector's guard value and its failure handlers, in place of the compiler's
// libssp. libssp sets its guard up through the CryptoAPI, which loads crypt32, rsaenh and
// with them user32 and gdi32 into every program and library of ours at load time: about
// 30 ms of the program's start-up under Wine, and 4 ms more when the engine loads. The
// guard is set up instead as the Windows C runtime sets up its security cookie, from the
// clocks and the process's own identifiers, with the kernel alone.
//
// Linked into every program and library that uses the support library: it defines each
// symbol libssp's guard module defines, so that module is never linked in beside it.

#include "external_call.h"

#include <windows.h>

#include <cstdint>

extern "C" void* __stack_chk_guard;
void* __stack_chk_guard = nullptr;

namespace {

// Set before any function that checks the guard is entered: constructors run before
// main (and before a library's own code), as libssp's set-up did.
__attribute__((constructor, no_stack_protector)) void SetUpStackGuard() {
    FILETIME now{};
    octolume::External(::GetSystemTimeAsFileTime, &now);
    LARGE_INTEGER counter{};
    octolume::External(::QueryPerformanceCounter, &counter);
    std::uintptr_t value = now.dwLowDateTime ^ now.dwHighDateTime;
    value ^= octolume::External(::GetCurrentProcessId);
    value ^= static_cast<std::uintptr_t>(octolume::External(::GetCurrentThreadId)) << 8;
    value ^= octolume::External(::GetTickCount);
    value ^= counter.LowPart ^ static_cast<std::uintptr_t>(counter.HighPart);
    // Where the stack and the image lie differs from run to run.
    value ^= reinterpret_cast<std::uintptr_t>(&now) ^ reinterpret_cast<std::uintptr_t>(&value);
    // A zero would stop string copies at the guard.
    __stack_chk_guard = reinterpret_cast<void*>(value != 0 ? value : 0xBB40E64Eu);
}

// The stack or a checked buffer has been overrun: nothing of the process can be trusted.
[[noreturn]] void EndOverrunProcess() {
    ::TerminateProcess(::GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

} // namespace

extern "C" {

[[noreturn]] void __stack_chk_fail() {
    EndOverrunProcess();
}

[[noreturn]] void __stack_chk_fail_local() {
    EndOverrunProcess();
}

[[noreturn]] void __chk_fail() {
    EndOverrunProcess();
}

} // extern "C"
