#pragma once
// What the viewer and the dump engine agree on: the library's file name, its one entry
// point, and the last-error code for a file it cannot dump.
//
// BSTR __stdcall DoOctolume(BSTR* path)
//   *path holds the path's ANSI bytes (SysAllocStringByteLen). When the path's full
//   absolute form differs, *path is replaced by that form, allocated the same way.
//   Success: a new byte BSTR with the dump text, last-error code 0.
//   Failure: NULL, last-error code kCannotDumpCode when the file cannot be opened, is
//   empty or is no disk file; otherwise the Win32 code of what went wrong.

#include <windows.h>
#include <oleauto.h>

namespace octolume::engine {

constexpr wchar_t kLibraryName[] = L"octolume.dll";
constexpr char kEntryPointName[] = "DoOctolume";
using EntryPoint = BSTR(__stdcall*)(BSTR* path);

// Application-defined (bit 29): the viewer answers it with its own message.
constexpr DWORD kCannotDumpCode = 0x20000009;

} // namespace octolume::engine
