// Octolume32's entry point; everything else lives in the octolume_app library.
#include "shell/startup.h"

#include <windows.h>

// Runs before every other initializer in the program, the runtime's own included (the
// stack-protector set-up loads the system's cryptography libraries and what they use),
// so that nothing is loaded before the library search is restricted.
__attribute__((constructor(101))) static void RestrictLibrarySearchFirst() {
    octolume::MOctolume::RestrictLibrarySearch();
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return octolume::MOctolume::Run(instance, showCommand);
}
