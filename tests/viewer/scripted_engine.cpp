// A stand-in for octolume.dll whose DoOctolume does what the environment variable
// OCTOLUME_SCRIPTED_ENGINE says, so tests can see the viewer's side of every answer:
//   "fail <code>"      no text, last-error code <code>
//   "empty"            no text, last-error code 0
//   "rename <path>"    replaces the path with <path> and returns a one-line dump

#include <windows.h>
#include <oleauto.h>

#include <cstdlib>
#include <string>

extern "C" __declspec(dllexport) BSTR __stdcall DoOctolume(BSTR* path) {
    char script[512]{};
    GetEnvironmentVariableA("OCTOLUME_SCRIPTED_ENGINE", script, sizeof script);
    const std::string command(script);
    if (command.rfind("fail ", 0) == 0) {
        SetLastError(static_cast<DWORD>(std::strtoul(command.c_str() + 5, nullptr, 0)));
        return nullptr;
    }
    if (command == "empty") {
        SetLastError(0);
        return nullptr;
    }
    if (command.rfind("rename ", 0) == 0) {
        const std::string renamed = command.substr(7);
        SysFreeString(*path);
        *path = SysAllocStringByteLen(renamed.data(), static_cast<UINT>(renamed.size()));
    }
    const char dump[] = "scripted dump\r\n";
    SetLastError(0);
    return SysAllocStringByteLen(dump, sizeof dump - 1);
}
