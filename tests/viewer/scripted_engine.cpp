// A stand-in for octolume.dll whose DoOctolume does what OCTOLUME_SCRIPTED_ENGINE says:
// "fail <code>" no text, that last-error code; "empty" no text, no error;
// "rename <path>" hands back <path> for the path, with a one-line dump.
#include <windows.h>
#include <oleauto.h>

#include <cstdlib>
#include <string>

extern "C" __declspec(dllexport) BSTR __stdcall DoOctolume(BSTR* path) {
    char script[512]{};
    GetEnvironmentVariableA("OCTOLUME_SCRIPTED_ENGINE", script, sizeof script);
    const std::string command(script);
    SetLastError(command.rfind("fail ", 0) == 0 ? std::strtoul(script + 5, nullptr, 0) : 0);
    if (command.rfind("fail ", 0) == 0 || command == "empty")
        return nullptr;
    if (command.rfind("rename ", 0) == 0) {
        SysFreeString(*path);
        *path = SysAllocStringByteLen(script + 7, command.size() - 7);
    }
    return SysAllocStringByteLen("scripted dump\r\n", 15);
}
