// A stand-in for octolume.dll whose DoOctolume does what OCTOLUME_SCRIPTED_ENGINE says: "fail
// <code>" no text, that last error; "empty" no text, no error; "rename <path>" hands back <path>;
// "huge <bytes>" a text of that many bytes, too long to widen in a 32-bit process.
#include <windows.h>
#include <oleauto.h>
#include <cstdlib>
#include <string>

extern "C" __declspec(dllexport) BSTR __stdcall DoOctolume(BSTR* path) {
    char script[512]{};
    GetEnvironmentVariableA("OCTOLUME_SCRIPTED_ENGINE", script, sizeof script);
    const std::string command(script);
    if (command.rfind("rename ", 0) == 0) {
        SysFreeString(*path);
        *path = SysAllocStringByteLen(script + 7, command.size() - 7);
    }
    if (command.rfind("huge ", 0) == 0) {
        SetLastError(0);
        return SysAllocStringByteLen(nullptr, std::strtoul(script + 5, nullptr, 0));
    }
    const bool fail = command.rfind("fail ", 0) == 0;
    SetLastError(fail ? std::strtoul(script + 5, nullptr, 0) : 0);
    return fail || command == "empty" ? nullptr : SysAllocStringByteLen("scripted dump\r\n", 15);
}
