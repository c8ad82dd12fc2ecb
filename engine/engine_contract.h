#pragma once
// What the viewer and the dump engine agree on: the library's file name, its one entry
// point, the last-error code for a file it cannot dump, and how much of a file is dumped.
//
// BSTR __stdcall DoOctolume(BSTR* path)
//   *path holds the path's ANSI bytes (SysAllocStringByteLen). When the path's full
//   absolute form differs, *path is replaced by that form, allocated the same way.
//   Success: a new byte BSTR with the dump text, last-error code 0. Of a file longer than
//   kDumpByteLimit, the first kDumpByteLimit bytes are dumped and a last line gives the
//   file's size.
//   Failure: NULL, last-error code kCannotDumpCode when the file cannot be opened, is
//   empty or is no disk file; otherwise the Win32 code of what went wrong.

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

namespace octolume::engine {

constexpr wchar_t kLibraryName[] = L"octolume.dll";
constexpr char kEntryPointName[] = "DoOctolume";
using EntryPoint = BSTR(__stdcall*)(BSTR* path);

// Application-defined (bit 29): the viewer answers it with its own message.
constexpr DWORD kCannotDumpCode = 0x20000009;

// The most bytes of one file the viewer shows: their dump is about 84 million characters,
// which a 32-bit process holds twice over (ANSI and UTF-16) while it loads with room to
// spare. The command-line tool has no limit.
constexpr std::size_t kDumpByteLimit = 16 * 1024 * 1024;

} // namespace octolume::engine
