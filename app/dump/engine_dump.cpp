#include "dump/engine_dump.h"

#include "engine/core/dump_format.h"
#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/system_message.h"

#include <oleauto.h>

#include <algorithm>
#include <limits>

namespace octolume {

namespace {

template <class Entry> Entry EngineEntry(const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(EngineFunction(name)));
}

[[noreturn]] void ThrowEngineError(DWORD error) {
    if (error == engine::kCannotDumpCode)
        throw AppError(error_number::kCannotDump, L"Unable to load file contents.", error);
    if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY)
        throw AppError(error_number::kOutOfMemory, L"Out of memory", error);
    throw AppError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(error)),
                   GetDllErrorText(static_cast<std::int32_t>(error)), error);
}

// The engine's counts are 32-bit.
constexpr std::size_t kMostBytesACall = std::size_t{1} << 30;

} // namespace

FARPROC EngineFunction(const char* name) {
    const HMODULE engine = External(::GetModuleHandleW, engine::kLibraryName);
    if (!engine)
        throw AppError(error_number::kDllLoad, L"Error in loading DLL");
    const FARPROC function = External(::GetProcAddress, engine, name);
    if (!function)
        throw AppError(error_number::kDllEntryPointNotFound, L"Specified DLL function not found");
    return function;
}

std::shared_ptr<EngineDump> EngineDump::Open(std::wstring& path) {
    const auto open = EngineEntry<engine::OpenFileEntry>(engine::kOpenFileName);
    const Functions functions{EngineEntry<engine::DumpLinesEntry>(engine::kDumpLinesName),
                              EngineEntry<engine::ReadBytesEntry>(engine::kReadBytesName),
                              EngineEntry<engine::FindBytesEntry>(engine::kFindBytesName),
                              EngineEntry<engine::CloseFileEntry>(engine::kCloseFileName)};
    BSTR fullPath = nullptr;
    engine::OctolumePagedFile* file = nullptr;
    ULONGLONG size = 0;
    const DWORD error = External(open, path.c_str(), &fullPath, &file, &size);
    const BstrOwner fullPathOwner(fullPath);
    if (error != ERROR_SUCCESS) {
        if (file != nullptr)
            External(functions.close, file);
        ThrowEngineError(error);
    }
    std::shared_ptr<EngineDump> dump;
    try {
        dump = std::make_shared<EngineDump>(functions, file, size);
    } catch (...) {
        External(functions.close, file);
        throw;
    }
    if (fullPath != nullptr)
        path.assign(fullPath, External(::SysStringLen, fullPath));
    return dump;
}

EngineDump::~EngineDump() {
    External(functions_.close, file_);
}

void EngineDump::AppendLines(std::uint64_t firstByte, std::size_t count, std::string& out) const {
    if (firstByte >= size_)
        return;
    count = static_cast<std::size_t>(
        std::min<std::uint64_t>({count, size_ - firstByte, kMostBytesACall}));
    const std::size_t size = DumpLinesSize(count, firstByte);
    const std::size_t at = out.size();
    out.resize(at + size);
    ULONG written = 0;
    const DWORD error =
        External(functions_.lines, file_, firstByte, static_cast<ULONG>(count), out.data() + at,
                 static_cast<ULONG>(size), &written);
    // Lines the engine could not give are left out: the document marks their bytes gone.
    out.resize(error == ERROR_SUCCESS ? at + std::min<std::size_t>(written, size) : at);
}

std::size_t EngineDump::ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const {
    std::size_t delivered = 0;
    while (delivered < out.size() && offset + delivered < size_) {
        const auto count =
            static_cast<ULONG>(std::min(out.size() - delivered, kMostBytesACall));
        ULONG got = 0;
        const DWORD error = External(functions_.read, file_, offset + delivered, count,
                                     out.data() + delivered, &got);
        if (error != ERROR_SUCCESS || got == 0)
            break;
        delivered += got;
        if (got < count)
            break;
    }
    return delivered;
}

std::optional<std::uint64_t> EngineDump::Find(const ByteQuery& query, std::uint64_t first,
                                              std::uint64_t last, bool backwards) const {
    if (query.bytes.empty() || first >= last)
        return std::nullopt;
    engine::OctolumeFindRequest request;
    request.needle = query.bytes.data();
    request.needleLength = static_cast<ULONG>(query.bytes.size());
    request.flags = (query.foldCase ? engine::kFindFoldCase : 0) |
                    (backwards ? engine::kFindBackwards : 0);
    request.first = first;
    request.last = last;
    ULONGLONG found = 0;
    const DWORD error = External(functions_.find, file_, &request, &found);
    if (error == ERROR_NOT_FOUND)
        return std::nullopt;
    if (error != ERROR_SUCCESS)
        ThrowEngineError(error);
    return found;
}

} // namespace octolume
