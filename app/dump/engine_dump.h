#pragma once
// A file shown through the engine's pages (engine_contract.h): opened once, its lines,
// bytes and searches asked for while it is shown, closed when the last holder lets go.

#include "dump/dump_source.h"
#include "engine/engine_contract.h"

#include <windows.h>

#include <memory>
#include <string>

namespace octolume {

// A function of the loaded engine, found by name. Throws AppError (453) when the engine
// lacks it, (48) when no engine is loaded.
FARPROC EngineFunction(const char* name);

class EngineDump final : public DumpSource {
    struct Functions {
        engine::DumpLinesEntry lines;
        engine::ReadBytesEntry read;
        engine::FindBytesEntry find;
        engine::CloseFileEntry close;
    };

public:
    // Opens the file through the engine; `path` becomes its full path. Throws AppError: 9
    // (kCannotDump) for a file the engine cannot dump, otherwise the engine's error.
    static std::shared_ptr<EngineDump> Open(std::wstring& path);

    EngineDump(Functions functions, engine::OctolumePagedFile* file, std::uint64_t size)
        : functions_(functions), file_(file), size_(size) {}
    EngineDump(const EngineDump&) = delete;
    EngineDump& operator=(const EngineDump&) = delete;
    ~EngineDump() override;

    std::uint64_t Size() const override { return size_; }
    void AppendLines(std::uint64_t firstByte, std::size_t count, std::string& out) const override;
    std::size_t ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const override;
    // Throws AppError when the engine fails otherwise than by finding nothing.
    std::optional<std::uint64_t> Find(const ByteQuery& query, std::uint64_t first,
                                      std::uint64_t last, bool backwards) const override;

private:
    Functions functions_;
    engine::OctolumePagedFile* file_;
    std::uint64_t size_;
};

} // namespace octolume
