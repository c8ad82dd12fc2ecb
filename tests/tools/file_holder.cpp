// file_holder.exe PATH READY-EVENT
//
// Holds PATH open with no sharing, so that no other program can open it, until it is
// terminated. Once the file is held it signals the named manual-reset event READY-EVENT
// (created if it does not exist yet), so the starter can wait for that event and the
// process handle together with a bounded wait. Exit codes: 1 bad command line, 2 the
// file could not be opened, 3 the event could not be signalled.
//
// Tests start it with CreateProcessW and end it with TerminateProcess; see held_file.h.

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputws(L"usage: file_holder PATH READY-EVENT\n", stderr);
        return 1;
    }
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fwprintf(stderr, L"file_holder: cannot open %ls (error %lu)\n", argv[1],
                      GetLastError());
        return 2;
    }
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, argv[2]);
    if (ready == nullptr || !SetEvent(ready)) {
        std::fwprintf(stderr, L"file_holder: cannot signal %ls (error %lu)\n", argv[2],
                      GetLastError());
        return 3;
    }
    // The handles stay open for as long as the process lives; the system closes them
    // when it is terminated.
    Sleep(INFINITE);
    return 0;
}
