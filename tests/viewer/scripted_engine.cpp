// A stand-in for octolume.dll that answers as OCTOLUME_SCRIPTED_ENGINE says, for any path:
//   "fail <code>"    the open fails with that code
//   "rename <path>"  the open gives <path> as the full path
//   "dofail <code>"  the open succeeds, DoOctolume fails with that code
//   "changed"        DoOctolume's text is of other bytes than the pages' (the file changed)
// and otherwise shows a file of 17 bytes that step by 37 from 11 (the tests' pattern bytes).
#include "engine/core/dump_format.h"
#include "engine/engine_contract.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace octolume;
using engine::OctolumePagedFile;

namespace {

constexpr ULONGLONG kSize = 17;

std::string Script() {
    char script[512]{};
    GetEnvironmentVariableA("OCTOLUME_SCRIPTED_ENGINE", script, sizeof script);
    return script;
}

DWORD CodeAfter(const std::string& script, std::size_t at) {
    return std::strtoul(script.c_str() + at, nullptr, 0);
}

std::vector<unsigned char> Pattern(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>((i * 37 + 11) & 0xFF);
    return bytes;
}

OctolumePagedFile* TheFile() {
    static char file;
    return reinterpret_cast<OctolumePagedFile*>(&file);
}

} // namespace

extern "C" __declspec(dllexport) BSTR __stdcall DoOctolume(BSTR* path) {
    const std::string script = Script();
    if (script.rfind("dofail ", 0) == 0) {
        SetLastError(CodeAfter(script, 7));
        return nullptr;
    }
    (void)path;
    const std::string text = FormatDump(Pattern(script == "changed" ? 16 : kSize),
                                        script == "changed" ? 16 : kSize);
    SetLastError(0);
    return SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
}

extern "C" __declspec(dllexport) DWORD __stdcall OctolumeOpenFile(const wchar_t* path,
                                                                  BSTR* fullPath,
                                                                  OctolumePagedFile** file,
                                                                  ULONGLONG* size) {
    const std::string script = Script();
    if (script.rfind("fail ", 0) == 0)
        return CodeAfter(script, 5);
    if (script.rfind("rename ", 0) == 0) {
        const std::wstring renamed(script.begin() + 7, script.end());
        *fullPath = SysAllocString(renamed.c_str());
    } else {
        *fullPath = SysAllocString(path);
    }
    *file = TheFile();
    *size = kSize;
    return 0;
}

extern "C" __declspec(dllexport) DWORD __stdcall OctolumeDumpLines(OctolumePagedFile*,
                                                                   ULONGLONG firstByte,
                                                                   ULONG byteCount, char* out,
                                                                   ULONG capacity, ULONG* written) {
    if (firstByte >= kSize)
        return *written = 0, 0;
    const std::vector<unsigned char> bytes = Pattern(kSize);
    const auto count = static_cast<std::size_t>(std::min<ULONGLONG>(byteCount, kSize - firstByte));
    if (DumpLinesSize(count, firstByte) > capacity)
        return ERROR_INSUFFICIENT_BUFFER;
    const char* end = FormatDumpLines({bytes.data() + firstByte, count}, firstByte, out);
    *written = static_cast<ULONG>(end - out);
    return 0;
}

extern "C" __declspec(dllexport) DWORD __stdcall OctolumeReadBytes(OctolumePagedFile*,
                                                                   ULONGLONG offset, ULONG count,
                                                                   unsigned char* out,
                                                                   ULONG* delivered) {
    *delivered = 0;
    for (; offset < kSize && *delivered < count; ++offset)
        out[(*delivered)++] = static_cast<unsigned char>((offset * 37 + 11) & 0xFF);
    return 0;
}

extern "C" __declspec(dllexport) DWORD __stdcall OctolumeFindBytes(
    OctolumePagedFile*, const engine::OctolumeFindRequest*, ULONGLONG*) {
    return ERROR_NOT_FOUND;
}

extern "C" __declspec(dllexport) void __stdcall OctolumeCloseFile(OctolumePagedFile*) {}
