// octolume.dll's paged entry points: a file opened once, whose dump lines, bytes and
// searches the viewer asks for a range at a time (the contract is in engine_contract.h).

#include "engine/core/byte_search.h"
#include "engine/core/dump_format.h"
#include "engine/core/paged_bytes.h"
#include "engine/any_thread.h"
#include "engine/engine_contract.h"
#include "support/helpers.h"
#include "support/owners.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

using octolume::engine::OctolumeFindRequest;
using octolume::engine::OctolumePagedFile;

namespace octolume {
namespace {

using engine::kCannotDumpCode;

// Positional reads through the one handle: each read names its own offset, so the
// search's thread and the lines' thread never share a file position.
class HandleSource final : public ByteSource {
public:
    explicit HandleSource(HANDLE file) : file_(file) {}

    std::size_t ReadAt(std::uint64_t offset, std::size_t count, unsigned char* out) override {
        std::size_t done = 0;
        while (done < count) {
            const std::uint64_t at = offset + done;
            OVERLAPPED position{};
            position.Offset = static_cast<DWORD>(at);
            position.OffsetHigh = static_cast<DWORD>(at >> 32);
            const auto wanted = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
            DWORD read = 0;
            // A failed or empty read: the file has no more there (it shrank, or its disk
            // went); what came so far is what there is.
            if (!::ReadFile(file_, out + done, wanted, &read, &position) || read == 0)
                break;
            done += read;
        }
        return done;
    }

private:
    HANDLE file_;
};

// Exclusive for as long as it lives: the cache reorders its blocks on every read.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& lock_;
};

// The characters of the dump lines of `count` bytes from `firstByte`, counted in pieces
// small enough that no piece's count overflows a 32-bit size.
std::uint64_t LinesSize(std::uint64_t firstByte, std::uint64_t count) {
    constexpr std::uint64_t kPiece = 1024 * 1024;
    std::uint64_t size = 0;
    for (std::uint64_t done = 0; done < count; done += kPiece)
        size += DumpLinesSize(static_cast<std::size_t>(std::min(kPiece, count - done)),
                              firstByte + done);
    return size;
}

// A path of MAX_PATH characters or more opens only in the form that skips the length
// check: \\?\C:\... or \\?\UNC\server\share\...
std::wstring OpenablePath(const std::wstring& full) {
    if (full.size() < MAX_PATH || full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\"))
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Runs an entry point's work: every exception becomes its code, and the thread's
// last-error code is set back to what the caller had.
template <class Work> DWORD Guarded(Work&& work) noexcept {
    const DWORD callersError = ::GetLastError();
    DWORD result = ERROR_SUCCESS;
    try {
        result = work();
    } catch (const std::bad_alloc&) {
        result = ERROR_NOT_ENOUGH_MEMORY;
    } catch (const std::length_error&) {
        result = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        result = ERROR_INTERNAL_ERROR;
    }
    ::SetLastError(callersError);
    return result;
}

} // namespace
} // namespace octolume

// The open file: the handle, its reads, the size at open and the cache of the lines'
// and bytes' reads, which only one thread at a time may use.
struct octolume::engine::OctolumePagedFile {
    OctolumePagedFile(FileHandle file, std::uint64_t fileSize)
        : handle(std::move(file)), source(handle.get()), size(fileSize), cache(source, size) {}

    FileHandle handle;
    HandleSource source;
    std::uint64_t size;
    SRWLOCK cacheLock = SRWLOCK_INIT;
    PageCache cache;
};

namespace octolume {
namespace {

DWORD OpenFile(const wchar_t* path, BSTR* fullPath, OctolumePagedFile** file, ULONGLONG* size) {
    if (path == nullptr || fullPath == nullptr || file == nullptr || size == nullptr)
        return ERROR_INVALID_PARAMETER;
    *fullPath = nullptr;
    *file = nullptr;
    *size = 0;
    if (*path == L'\0')
        return kCannotDumpCode;

    std::wstring full = StringFromSystem<wchar_t>([&](wchar_t* buffer, std::size_t length) {
        return ::GetFullPathNameW(path, static_cast<DWORD>(length), buffer, nullptr);
    });
    if (full.empty())
        full = path; // no full form: the open decides

    FileHandle handle(::CreateFileW(OpenablePath(full).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr));
    // A pipe's or a device's read can wait for good.
    if (!handle || ::GetFileType(handle.get()) != FILE_TYPE_DISK)
        return kCannotDumpCode;
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(handle.get(), &length)) {
        const DWORD error = ::GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    }
    if (length.QuadPart <= 0)
        return kCannotDumpCode;

    BstrOwner fullText(::SysAllocStringLen(full.data(), static_cast<UINT>(full.size())));
    if (!fullText)
        return ERROR_NOT_ENOUGH_MEMORY;
    const auto fileSize = static_cast<std::uint64_t>(length.QuadPart);
    auto opened = std::make_unique<OctolumePagedFile>(std::move(handle), fileSize);
    *fullPath = fullText.release();
    *file = opened.release();
    *size = fileSize;
    return ERROR_SUCCESS;
}

DWORD DumpLines(OctolumePagedFile* file, ULONGLONG firstByte, ULONG byteCount, char* out,
                ULONG capacity, ULONG* written) {
    if (file == nullptr || written == nullptr || (out == nullptr && capacity != 0))
        return ERROR_INVALID_PARAMETER;
    *written = 0;
    if (firstByte % 16 != 0)
        return ERROR_INVALID_PARAMETER;
    const std::uint64_t count =
        firstByte < file->size ? std::min<std::uint64_t>(byteCount, file->size - firstByte) : 0;
    const std::uint64_t needed = LinesSize(firstByte, count);
    if (needed > capacity)
        return ERROR_INSUFFICIENT_BUFFER;
    {
        const ExclusiveLock lock(file->cacheLock);
        file->cache.DumpLines(firstByte, static_cast<std::size_t>(count), out);
    }
    *written = static_cast<ULONG>(needed);
    return ERROR_SUCCESS;
}

DWORD ReadBytes(OctolumePagedFile* file, ULONGLONG offset, ULONG count, unsigned char* out,
                ULONG* delivered) {
    if (file == nullptr || delivered == nullptr || (out == nullptr && count != 0))
        return ERROR_INVALID_PARAMETER;
    *delivered = 0;
    const ExclusiveLock lock(file->cacheLock);
    *delivered = static_cast<ULONG>(file->cache.Read(offset, count, out));
    return ERROR_SUCCESS;
}

DWORD FindBytes(OctolumePagedFile* file, const OctolumeFindRequest* request, ULONGLONG* found) {
    if (file == nullptr || request == nullptr || found == nullptr || request->needle == nullptr ||
        request->needleLength == 0 ||
        (request->flags & ~(engine::kFindFoldCase | engine::kFindBackwards)) != 0 ||
        request->first > request->last)
        return ERROR_INVALID_PARAMETER;
    *found = 0;
    // A needle longer than the file fits nowhere: no searcher (and its copy) is made.
    if (request->needleLength > file->size)
        return ERROR_NOT_FOUND;
    const ByteSearcher searcher({request->needle, request->needleLength},
                                (request->flags & engine::kFindFoldCase) != 0);
    // Through the handle's own reads, not the cache: another thread may be using that.
    const auto match =
        FindInSource(file->source, file->size, searcher,
                     (request->flags & engine::kFindBackwards) != 0, request->first, request->last);
    if (!match)
        return ERROR_NOT_FOUND;
    *found = *match;
    return ERROR_SUCCESS;
}

} // namespace
} // namespace octolume

// Exported undecorated through octolume.def.
extern "C" OCTOLUME_ANY_THREAD DWORD __stdcall OctolumeOpenFile(const wchar_t* path, BSTR* fullPath,
                                            OctolumePagedFile** file, ULONGLONG* size) {
    return octolume::Guarded([&] { return octolume::OpenFile(path, fullPath, file, size); });
}

extern "C" OCTOLUME_ANY_THREAD DWORD __stdcall OctolumeDumpLines(OctolumePagedFile* file, ULONGLONG firstByte,
                                             ULONG byteCount, char* out, ULONG capacity,
                                             ULONG* written) {
    return octolume::Guarded(
        [&] { return octolume::DumpLines(file, firstByte, byteCount, out, capacity, written); });
}

extern "C" OCTOLUME_ANY_THREAD DWORD __stdcall OctolumeReadBytes(OctolumePagedFile* file, ULONGLONG offset, ULONG count,
                                             unsigned char* out, ULONG* delivered) {
    return octolume::Guarded(
        [&] { return octolume::ReadBytes(file, offset, count, out, delivered); });
}

extern "C" OCTOLUME_ANY_THREAD DWORD __stdcall OctolumeFindBytes(OctolumePagedFile* file,
                                             const OctolumeFindRequest* request, ULONGLONG* found) {
    return octolume::Guarded([&] { return octolume::FindBytes(file, request, found); });
}

extern "C" OCTOLUME_ANY_THREAD void __stdcall OctolumeCloseFile(OctolumePagedFile* file) {
    octolume::Guarded([&] {
        std::unique_ptr<OctolumePagedFile> closed(file);
        return ERROR_SUCCESS;
    });
}
