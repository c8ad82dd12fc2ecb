// file_holder.exe PATH READY-EVENT: holds PATH open with no sharing until terminated,
// and signals the named manual-reset event once it holds it (see held_file.h).
// Exit codes: 1 bad command line, 2 the file could not be opened, 3 no event.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 1;
    if (CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) ==
        INVALID_HANDLE_VALUE)
        return 2;
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, argv[2]);
    if (ready == nullptr || !SetEvent(ready))
        return 3;
    Sleep(INFINITE); // the system closes the handles when the holder is terminated
    return 0;
}
