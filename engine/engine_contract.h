#pragma once
// What the viewer and the dump engine agree on: the library's file name, its entry points,
// the last-error code for a file it cannot dump, and how much of a file DoOctolume dumps.
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

// The paged entry points: the viewer opens a file once, asks for the dump lines, the bytes
// and searches of any range while it shows it, and closes it. The engine keeps one handle
// open (shared for reading, writing and deleting) and reads 64 KiB blocks into a cache of
// at most 4 MiB; the size is the one at open, and bytes the file no longer has are gone
// (their pairs "--", their characters blank). Each returns 0 or the Win32 code of what
// went wrong and leaves the last-error code as it found it. A file may be used by two
// threads at once: one asks for lines and bytes while the other searches.
//
// DWORD __stdcall OctolumeOpenFile(const wchar_t* path, BSTR* fullPath,
//                                  OctolumePagedFile** file, ULONGLONG* size)
//   The path as UTF-16, any length the system takes. On success *fullPath is its full
//   absolute form (SysAllocString, the caller frees), *file the open file and *size its size.
//   kCannotDumpCode when the file cannot be opened, is empty or is no disk file.
// DWORD __stdcall OctolumeDumpLines(OctolumePagedFile* file, ULONGLONG firstByte,
//                                   ULONG byteCount, char* out, ULONG capacity, ULONG* written)
//   The dump lines (no header) of [firstByte, firstByte + byteCount) clamped to the size;
//   firstByte a multiple of 16. ERROR_INSUFFICIENT_BUFFER, nothing written, when capacity
//   is short of the lines' size.
// DWORD __stdcall OctolumeReadBytes(OctolumePagedFile* file, ULONGLONG offset, ULONG count,
//                                   unsigned char* out, ULONG* delivered)
//   Up to count bytes from offset, contiguous, fewer only at the size or where the file no
//   longer has them.
// DWORD __stdcall OctolumeFindBytes(OctolumePagedFile* file, const OctolumeFindRequest* request,
//                                   ULONGLONG* found)
//   The first match that starts in [first, last) (the last with kFindBackwards), lying
//   wholly within the file's bytes; ERROR_NOT_FOUND when there is none. Linear in the range
//   in the worst case; a caller that wants to stop a long search asks for slices.
// void __stdcall OctolumeCloseFile(OctolumePagedFile* file)
//   Closes the handle and frees the cache; null is allowed.

struct OctolumePagedFile;

constexpr ULONG kFindFoldCase = 1;  // ASCII letters of either case match
constexpr ULONG kFindBackwards = 2; // the last match in the range instead of the first

struct OctolumeFindRequest {
    const unsigned char* needle = nullptr;
    ULONG needleLength = 0; // at least 1
    ULONG flags = 0;
    ULONGLONG first = 0; // match starts in [first, last)
    ULONGLONG last = 0;
};

constexpr char kOpenFileName[] = "OctolumeOpenFile";
constexpr char kDumpLinesName[] = "OctolumeDumpLines";
constexpr char kReadBytesName[] = "OctolumeReadBytes";
constexpr char kFindBytesName[] = "OctolumeFindBytes";
constexpr char kCloseFileName[] = "OctolumeCloseFile";

using OpenFileEntry = DWORD(__stdcall*)(const wchar_t* path, BSTR* fullPath,
                                        OctolumePagedFile** file, ULONGLONG* size);
using DumpLinesEntry = DWORD(__stdcall*)(OctolumePagedFile* file, ULONGLONG firstByte,
                                         ULONG byteCount, char* out, ULONG capacity,
                                         ULONG* written);
using ReadBytesEntry = DWORD(__stdcall*)(OctolumePagedFile* file, ULONGLONG offset, ULONG count,
                                         unsigned char* out, ULONG* delivered);
using FindBytesEntry = DWORD(__stdcall*)(OctolumePagedFile* file,
                                         const OctolumeFindRequest* request, ULONGLONG* found);
using CloseFileEntry = void(__stdcall*)(OctolumePagedFile* file);

} // namespace octolume::engine
