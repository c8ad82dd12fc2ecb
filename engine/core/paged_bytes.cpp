#include "paged_bytes.h"

#include "dump_format.h"
#include "dump_layout.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>

namespace octolume {

namespace {

using dump_layout::kBytesPerLine;

// Marks the line's bytes from `from` on as gone; the line holds `count` bytes and starts at
// `line`, `length` characters long.
void MarkGone(char* line, std::size_t length, std::size_t count, std::size_t from) {
    // The offset's digits above the low eight come first on lines beyond 4 GiB.
    char* const columns = line + (length - dump_layout::LineSize(count));
    for (std::size_t byte = from; byte < count; ++byte) {
        std::memcpy(columns + dump_layout::HexDigitsColumn(byte), "--", 2);
        columns[dump_layout::kCharacterColumn + byte] = ' ';
    }
}

} // namespace

char* FormatPageLines(std::span<const unsigned char> bytes, std::size_t present,
                      std::uint64_t firstOffset, char* out) {
    present = std::min(present, bytes.size());
    const std::size_t whole = present - present % kBytesPerLine;
    out = FormatDumpLines(bytes.first(whole), firstOffset, out);
    for (std::size_t at = whole; at < bytes.size(); at += kBytesPerLine) {
        const std::size_t count = std::min(kBytesPerLine, bytes.size() - at);
        const std::size_t shown = present > at ? present - at : 0;
        std::array<unsigned char, kBytesPerLine> line{};
        std::copy_n(bytes.begin() + at, shown, line.begin());
        char* const start = out;
        out = FormatDumpLines(std::span(line).first(count), firstOffset + at, out);
        MarkGone(start, static_cast<std::size_t>(out - start), count, shown);
    }
    return out;
}

PageCache::PageCache(ByteSource& source, std::uint64_t size) : source_(source), size_(size) {
    // Held blocks never move, so a reference to one stays good until the next is asked for.
    blocks_.reserve(kMostBlocks);
}

const PageCache::Block& PageCache::BlockAt(std::uint64_t index) {
    ++uses_;
    for (Block& block : blocks_)
        if (block.index == index) {
            block.lastUse = uses_;
            return block;
        }
    Block* block = nullptr;
    if (blocks_.size() < kMostBlocks) {
        auto bytes = std::make_unique_for_overwrite<unsigned char[]>(kBlockSize);
        block = &blocks_.emplace_back();
        block->bytes = std::move(bytes);
    } else {
        block =
            &*std::min_element(blocks_.begin(), blocks_.end(), [](const Block& a, const Block& b) {
                return a.lastUse < b.lastUse;
            });
    }
    const std::uint64_t start = index * kBlockSize;
    block->index = index;
    block->lastUse = uses_;
    block->filled = 0; // gone until read, whatever the read throws
    block->filled = source_.ReadAt(
        start, static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size_ - start)),
        block->bytes.get());
    return *block;
}

std::size_t PageCache::Read(std::uint64_t offset, std::size_t count, unsigned char* out) {
    if (offset >= size_)
        return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t at = offset + done;
        const Block& block = BlockAt(at / kBlockSize);
        const std::size_t within = static_cast<std::size_t>(at % kBlockSize);
        const std::size_t wanted = std::min(count - done, kBlockSize - within);
        const std::size_t there = block.filled > within ? block.filled - within : 0;
        std::memcpy(out + done, block.bytes.get() + within, std::min(wanted, there));
        done += std::min(wanted, there);
        if (there < wanted)
            break;
    }
    return done;
}

char* PageCache::DumpLines(std::uint64_t firstByte, std::size_t count, char* out) {
    // Blocks hold whole lines, so each block's part of the range is lines of its own.
    for (std::size_t done = 0; done < count;) {
        const std::uint64_t at = firstByte + done;
        const Block& block = BlockAt(at / kBlockSize);
        const std::size_t within = static_cast<std::size_t>(at % kBlockSize);
        const std::size_t piece = std::min(count - done, kBlockSize - within);
        const std::size_t present = block.filled > within ? block.filled - within : 0;
        out = FormatPageLines({block.bytes.get() + within, piece}, present, at, out);
        done += piece;
    }
    return out;
}

std::optional<std::uint64_t> FindInSource(ByteSource& source, std::uint64_t size,
                                          const ByteSearcher& searcher, bool backwards,
                                          std::uint64_t first, std::uint64_t last,
                                          std::size_t step) {
    const std::size_t length = searcher.Length();
    if (length == 0 || size < length)
        return std::nullopt;
    // Matches end within the file.
    last = std::min(last, size - length + 1);
    if (first >= last)
        return std::nullopt;
    // The buffer is the step and the needle's length; a needle half the address space long
    // cannot have one.
    if (length > SIZE_MAX / 2)
        throw std::bad_alloc();
    step = std::min(std::max(step, length), SIZE_MAX / 2);
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(step + length - 1);
    // The windows starting in [from, from + count): the bytes they need, read, searched.
    const auto search = [&](std::uint64_t from, std::size_t count) {
        const std::size_t read = source.ReadAt(from, count + length - 1, buffer.get());
        const std::span<const unsigned char> bytes(buffer.get(), read);
        const std::optional<std::size_t> found =
            backwards ? searcher.Last(bytes, 0, count) : searcher.First(bytes, 0, count);
        return found ? std::optional<std::uint64_t>(from + *found) : std::nullopt;
    };
    if (backwards) {
        for (std::uint64_t end = last; end > first;) {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(step, end - first));
            end -= count;
            if (const auto found = search(end, count))
                return found;
        }
    } else {
        for (std::uint64_t from = first; from < last;) {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(step, last - from));
            if (const auto found = search(from, count))
                return found;
            from += count;
        }
    }
    return std::nullopt;
}

} // namespace octolume
