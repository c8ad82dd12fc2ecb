#pragma once
// A file's bytes read a page at a time, for a view that shows any part of a file of any size:
// a small cache of blocks, the dump lines of any range made from it (bytes the file no
// longer has marked in their places), and a search that reads through a buffer of its own.
// Portable: the engine gives it the file's reads, the tests give it bytes in memory.

#include "byte_search.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace octolume {

// Where the bytes come from. ReadAt may be called from two threads at once.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `count` bytes from `offset` into `out` and answers how many it delivered,
    // contiguous from `offset`: fewer only where the source has no more (the file shrank, or
    // a read failed).
    virtual std::size_t ReadAt(std::uint64_t offset, std::size_t count, unsigned char* out) = 0;
};

// The dump lines of `bytes`, which sit at `firstOffset` of the file, as FormatDumpLines writes
// them, except that the bytes from `present` on are gone: each keeps its place and width, its
// hex digits written "--" and its character a blank, so that every line is as long as it
// would be and nothing else moves. Only the present bytes are read.
char* FormatPageLines(std::span<const unsigned char> bytes, std::size_t present,
                      std::uint64_t firstOffset, char* out);

// The blocks of a file last read, at most kMostBlocks of them, the least recently used
// making room. A block is read once, whole or as far as the file still has it; what it
// lacks stays gone while it is held. Not thread-safe: the caller serializes.
class PageCache {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;
    static constexpr std::size_t kMostBlocks = 64; // 4 MiB

    // `size`: the file's size, fixed for the cache's life.
    PageCache(ByteSource& source, std::uint64_t size);

    // Copies the bytes from `offset` on into `out`, at most `count` and none past the size;
    // answers how many, contiguous from `offset`, up to the first that is gone.
    std::size_t Read(std::uint64_t offset, std::size_t count, unsigned char* out);
    // Writes the dump lines of `count` bytes from `firstByte`, a multiple of 16; both within
    // the size. The text is DumpLinesSize(count, firstByte) characters; returns its end.
    char* DumpLines(std::uint64_t firstByte, std::size_t count, char* out);

    std::size_t BlocksHeld() const noexcept { return blocks_.size(); }

private:
    struct Block {
        std::uint64_t index = 0;
        std::uint64_t lastUse = 0;
        std::size_t filled = 0;
        std::unique_ptr<unsigned char[]> bytes;
    };
    const Block& BlockAt(std::uint64_t index);

    ByteSource& source_;
    std::uint64_t size_;
    std::uint64_t uses_ = 0;
    std::vector<Block> blocks_;
};

// How many window starts one read of the search covers: each read is this much plus the
// needle's length less one, so that matches across the reads' edges are found.
constexpr std::size_t kSearchStep = 1024 * 1024;

// The first match of the searcher's needle that starts in [first, last) of a file of `size`
// bytes, or with `backwards` the last; a match lies wholly within bytes the source delivered.
// Reads the source through a buffer of its own, `step` window starts at a time (at least the
// needle's length).
std::optional<std::uint64_t> FindInSource(ByteSource& source, std::uint64_t size,
                                          const ByteSearcher& searcher, bool backwards,
                                          std::uint64_t first, std::uint64_t last,
                                          std::size_t step = kSearchStep);

} // namespace octolume
