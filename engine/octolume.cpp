// octolume.dll: reads a file and returns its dump text (the contract is in
// engine_contract.h).

#include "engine/core/dump_format.h"
#include "engine/any_thread.h"
#include "engine/engine_contract.h"
#include "support/helpers.h"
#include "support/owners.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace octolume {
namespace {

using engine::kCannotDumpCode;
using engine::kDumpByteLimit;
constexpr DWORD kFirstReadSize = 64 * 1024;

struct Outcome {
    BSTR text = nullptr;
    DWORD error = ERROR_SUCCESS;
};

Outcome Failure(DWORD error) {
    return {nullptr, error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE};
}

BstrOwner ByteBstr(const std::string& bytes) {
    return BstrOwner(::SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size())));
}

// The full absolute form of a path, or the path itself when the system cannot form one
// (the open then decides).
std::string FullPath(const std::string& path) {
    std::string full = StringFromSystem<char>([&](char* buffer, std::size_t size) {
        return ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(size), buffer, nullptr);
    });
    return full.empty() ? path : full;
}

// Sharing everything lets a file that another program writes (a log) be viewed; only an
// exclusive holder keeps it out.
FileHandle OpenShared(const std::string& path) {
    return FileHandle(::CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Reads up to the dump limit, until the end of the file as it is now: a file that grows
// or shrinks meanwhile gives exactly the bytes read.
bool ReadHead(HANDLE file, std::uint64_t sizeHint, std::vector<unsigned char>& bytes) {
    bytes.resize(static_cast<std::size_t>(
        std::clamp<std::uint64_t>(sizeHint, kFirstReadSize, kDumpByteLimit)));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled == kDumpByteLimit)
                break;
            bytes.resize(std::min(bytes.size() * 2, kDumpByteLimit));
        }
        DWORD read = 0;
        if (!::ReadFile(file, bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled),
                        &read, nullptr))
            return false;
        if (read == 0)
            break;
        filled += read;
    }
    bytes.resize(filled);
    return true;
}

Outcome Dump(BSTR* pathArgument) {
    if (pathArgument == nullptr)
        return Failure(ERROR_INVALID_PARAMETER);

    // A null BSTR is the usual form of an empty string.
    const std::string path(reinterpret_cast<const char*>(*pathArgument),
                           *pathArgument ? ::SysStringByteLen(*pathArgument) : 0);
    // A NUL inside would make the system open a shorter path than the one given.
    if (path.empty() || path.find('\0') != std::string::npos)
        return Failure(kCannotDumpCode);

    const std::string full = FullPath(path);
    if (full != path) {
        BstrOwner replacement = ByteBstr(full);
        if (!replacement)
            return Failure(ERROR_NOT_ENOUGH_MEMORY);
        ::SysFreeString(*pathArgument);
        *pathArgument = replacement.release();
    }

    const FileHandle file = OpenShared(full);
    if (!file)
        return Failure(kCannotDumpCode);
    // A read from a pipe or device can block the viewer's only thread for good.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return Failure(kCannotDumpCode);

    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        return Failure(::GetLastError());

    std::vector<unsigned char> bytes;
    if (!ReadHead(file.get(), static_cast<std::uint64_t>(size.QuadPart), bytes))
        return Failure(::GetLastError());
    if (bytes.empty())
        return Failure(kCannotDumpCode);

    // The size as it is after reading, for the truncation note.
    std::uint64_t fileSize = bytes.size();
    if (bytes.size() == kDumpByteLimit && ::GetFileSizeEx(file.get(), &size))
        fileSize = std::max<std::uint64_t>(fileSize, static_cast<std::uint64_t>(size.QuadPart));

    // The text is formatted straight into the string handed back: about 84 MB at the limit.
    const std::size_t textSize = FormatDumpSize(bytes.size(), fileSize);
    BstrOwner text(::SysAllocStringByteLen(nullptr, static_cast<UINT>(textSize)));
    if (!text)
        return Failure(ERROR_NOT_ENOUGH_MEMORY);
    FormatDumpTo(bytes, fileSize, reinterpret_cast<char*>(text.get()));
    return {text.release(), ERROR_SUCCESS};
}

} // namespace
} // namespace octolume

// Exported undecorated through octolume.def.
extern "C" OCTOLUME_ANY_THREAD BSTR __stdcall DoOctolume(BSTR* path) {
    octolume::Outcome outcome;
    try {
        outcome = octolume::Dump(path);
    } catch (const std::bad_alloc&) {
        outcome = octolume::Failure(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        outcome = octolume::Failure(ERROR_INTERNAL_ERROR);
    }
    // Set last, after every handle and buffer of the call is released.
    ::SetLastError(outcome.error);
    return outcome.text;
}
