#pragma once
// Where a shown dump's lines and bytes come from: the engine's pages of the file
// (engine_dump.h), or a small file's dump held whole. The program reads no file itself.

#include "dump/byte_search.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace octolume {

// A file's bytes and their dump, its size the one at load. Find may run on a thread of its
// own while the other functions run on the window's.
class DumpSource {
public:
    virtual ~DumpSource() = default;

    virtual std::uint64_t Size() const = 0;
    // Appends the dump lines of the bytes [firstByte, firstByte + count), clamped to the
    // size; firstByte is a multiple of 16. CR LF after every line; a byte the file no longer
    // has keeps its place, its pair "--" and its character a blank.
    virtual void AppendLines(std::uint64_t firstByte, std::size_t count, std::string& out) const = 0;
    // The bytes from `offset` on into `out`; how many, fewer only at the end or where the
    // file no longer has them.
    virtual std::size_t ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const = 0;
    // The first match that starts in [first, last), or with `backwards` the last.
    virtual std::optional<std::uint64_t> Find(const ByteQuery& query, std::uint64_t first,
                                              std::uint64_t last, bool backwards) const = 0;
};

// A small file's dump held whole: the text the engine made of it (DoOctolume) and the bytes
// it shows, so that what Find and the inspector read is what the text shows.
class HeldDump final : public DumpSource {
public:
    // Nothing unless the text is exactly the dump of the bytes (the file may have changed
    // between the two reads).
    static std::optional<HeldDump> Of(std::vector<unsigned char> bytes, std::string text);

    std::uint64_t Size() const override { return bytes_.size(); }
    void AppendLines(std::uint64_t firstByte, std::size_t count, std::string& out) const override;
    std::size_t ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const override;
    std::optional<std::uint64_t> Find(const ByteQuery& query, std::uint64_t first,
                                      std::uint64_t last, bool backwards) const override;

private:
    HeldDump(std::vector<unsigned char> bytes, std::string text)
        : bytes_(std::move(bytes)), text_(std::move(text)) {}

    std::vector<unsigned char> bytes_;
    std::string text_;
};

} // namespace octolume
