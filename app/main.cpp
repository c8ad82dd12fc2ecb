// Octolume32's entry point; everything else lives in the octolume_app library.
#include "startup.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return octolume::MOctolume::Run(instance, showCommand);
}
