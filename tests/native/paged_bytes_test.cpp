// A file's bytes read in pages: the lines with gone bytes marked against the printf
// reference, the block cache's bytes, bound and order of eviction, and the search through
// reads of its own against the plain search, over sources that shrink or fail part way.

#include "engine/core/dump_format.h"
#include "engine/core/paged_bytes.h"
#include "naive_search.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace octolume::test {
namespace {

using Bytes = std::vector<unsigned char>;
constexpr std::size_t kBlock = PageCache::kBlockSize;
constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;

// The byte at every offset of a file of any size, made up from the offset so that no
// memory holds the file; bytes from `has` on are gone (the file shrank), and so are those
// in [gapFrom, gapTo), where a read stops (it failed there).
class MadeUpFile final : public ByteSource {
public:
    explicit MadeUpFile(std::uint64_t has) : has_(has) {}

    static unsigned char ByteAt(std::uint64_t offset) {
        return static_cast<unsigned char>((offset * 37 + 11) ^ (offset >> 11) ^ (offset >> 32));
    }
    static Bytes Range(std::uint64_t offset, std::size_t count) {
        Bytes bytes(count);
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = ByteAt(offset + i);
        return bytes;
    }

    void FailBetween(std::uint64_t from, std::uint64_t to) {
        gapFrom_ = from;
        gapTo_ = to;
    }
    int Reads() const { return reads_; }

    std::size_t ReadAt(std::uint64_t offset, std::size_t count, unsigned char* out) override {
        ++reads_;
        std::uint64_t end = std::min(offset + count, has_);
        if (offset < gapTo_ && end > gapFrom_)
            end = std::max(offset, gapFrom_);
        for (std::uint64_t at = offset; at < end; ++at)
            *out++ = ByteAt(at);
        return static_cast<std::size_t>(end > offset ? end - offset : 0);
    }

private:
    std::uint64_t has_;
    std::uint64_t gapFrom_ = UINT64_MAX, gapTo_ = UINT64_MAX;
    int reads_ = 0;
};

// The reference's lines with the bytes at the given indexes of the range marked gone, found
// in each line from its own text: the hex pairs two columns after the offset, three columns
// a byte and one more after the eighth, the characters after the first bar.
std::string ReferenceWithGone(const Bytes& bytes, std::uint64_t offset,
                              const std::vector<bool>& gone) {
    std::string text = ReferenceLines(bytes.data(), bytes.size(), offset);
    std::size_t lineStart = 0;
    for (std::size_t line = 0; line * 16 < bytes.size(); ++line) {
        const std::size_t hex = text.find(' ', lineStart) + 2, bar = text.find('|', lineStart);
        for (std::size_t i = 0; i < 16 && line * 16 + i < bytes.size(); ++i)
            if (gone[line * 16 + i]) {
                text.replace(hex + 3 * i + (i >= 8), 2, "--");
                text[bar + 1 + i] = ' ';
            }
        lineStart = text.find('\n', lineStart) + 1;
    }
    return text;
}

std::string PageLines(const Bytes& bytes, std::size_t present, std::uint64_t offset) {
    std::string text(DumpLinesSize(bytes.size(), offset), '\0');
    const char* end = FormatPageLines(bytes, present, offset, text.data());
    EXPECT_EQ(end, text.data() + text.size());
    return text;
}

TEST(PageLines, GoneBytesKeepTheirPlacesAtEveryCountAndOffset) {
    for (const std::uint64_t offset :
         {std::uint64_t{0}, k4GiB - 32, std::uint64_t{0xABCDEF0123456780}})
        for (std::size_t count = 0; count <= 40; ++count) {
            const Bytes bytes = MadeUpFile::Range(offset, count);
            for (std::size_t present = 0; present <= count + 1; ++present) {
                std::vector<bool> gone(count);
                for (std::size_t i = present; i < count; ++i)
                    gone[i] = true;
                ASSERT_EQ(PageLines(bytes, present, offset), ReferenceWithGone(bytes, offset, gone))
                    << count << " bytes at " << offset << ", " << present << " present";
            }
        }
}

std::string CachedLines(PageCache& cache, std::uint64_t first, std::size_t count) {
    std::string text(DumpLinesSize(count, first), '\0');
    EXPECT_EQ(cache.DumpLines(first, count, text.data()), text.data() + text.size());
    return text;
}

// Reads and lines across every block boundary and up to the size, then near 4 GiB and at
// the end of 64 GiB.
TEST(PageCache, BytesAndLinesOfAnyRange) {
    const std::uint64_t size = 5 * kBlock + 100;
    MadeUpFile file(size);
    PageCache cache(file, size);
    std::mt19937 generator(31);
    for (int round = 0; round < 300; ++round) {
        const std::uint64_t boundary = (generator() % 6) * kBlock;
        const std::uint64_t offset = boundary - std::min<std::uint64_t>(boundary, generator() % 40);
        const std::size_t count = generator() % 100 + (round % 10 == 0 ? 2 * kBlock : 0);
        Bytes read(count, 0xEE);
        const std::size_t expected =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
        ASSERT_EQ(cache.Read(offset, count, read.data()), expected) << offset << " + " << count;
        read.resize(expected);
        ASSERT_TRUE(read == MadeUpFile::Range(offset, expected)) << offset << " + " << count;
        const std::uint64_t line = offset - offset % 16;
        const std::size_t lineCount =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, size - line));
        const Bytes bytes = MadeUpFile::Range(line, lineCount);
        ASSERT_EQ(CachedLines(cache, line, lineCount),
                  ReferenceLines(bytes.data(), bytes.size(), line))
            << line << " + " << lineCount;
    }
    EXPECT_EQ(cache.Read(size, 10, nullptr), 0u);

    const std::uint64_t huge = (std::uint64_t{64} << 30) + 7;
    MadeUpFile hugeFile(huge);
    PageCache hugeCache(hugeFile, huge);
    for (const std::uint64_t at : {(k4GiB >> 1) - 16, k4GiB - 16, k4GiB, huge - 7 - 16}) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(48, huge - at));
        const Bytes bytes = MadeUpFile::Range(at, count);
        EXPECT_EQ(CachedLines(hugeCache, at, count), ReferenceLines(bytes.data(), count, at)) << at;
    }
}

TEST(PageCache, HoldsAtMostItsBoundAndEvictsTheLeastRecentlyUsed) {
    const std::uint64_t size = 300 * kBlock;
    MadeUpFile file(size);
    PageCache cache(file, size);
    unsigned char byte = 0;
    for (std::uint64_t block = 0; block < PageCache::kMostBlocks; ++block)
        cache.Read(block * kBlock, 1, &byte);
    EXPECT_EQ(file.Reads(), int(PageCache::kMostBlocks));
    cache.Read(0, 1, &byte); // block 0 is the most recent now, block 1 the least
    cache.Read(PageCache::kMostBlocks * kBlock, 1, &byte);
    const int reads = file.Reads();
    cache.Read(0, 1, &byte);
    cache.Read(2 * kBlock, 1, &byte);
    EXPECT_EQ(file.Reads(), reads) << "blocks 0 and 2 are still held";
    cache.Read(kBlock, 1, &byte);
    EXPECT_EQ(file.Reads(), reads + 1) << "block 1 was evicted";
    for (std::uint64_t block = 0; block < 300; ++block)
        cache.Read(block * kBlock + 5, 1, &byte);
    EXPECT_EQ(cache.BlocksHeld(), PageCache::kMostBlocks);
}

// The file shrank to the middle of its second block, and a read fails in its fourth: bytes
// come contiguous up to what is gone, and the lines mark what is gone, nothing else.
TEST(PageCache, WhatTheFileNoLongerHasIsGone) {
    const std::uint64_t size = 6 * kBlock, shrunk = kBlock + 1000;
    for (const bool failing : {false, true}) {
        MadeUpFile file(failing ? size : shrunk);
        if (failing)
            file.FailBetween(3 * kBlock + 40, 4 * kBlock);
        const std::uint64_t goneFrom = failing ? 3 * kBlock + 40 : shrunk;
        PageCache cache(file, size);
        Bytes read(size);
        EXPECT_EQ(cache.Read(0, size, read.data()), goneFrom);
        EXPECT_EQ(cache.Read(4 * kBlock, 10, read.data()), failing ? 10u : 0u);
        const Bytes bytes = MadeUpFile::Range(0, size);
        std::vector<bool> gone(size);
        for (std::uint64_t at = goneFrom; at < (failing ? 4 * kBlock : size); ++at)
            gone[at] = true;
        EXPECT_TRUE(CachedLines(cache, 0, size) == ReferenceWithGone(bytes, 0, gone)) << failing;
    }
}

// Over a small alphabet with reads of a few bytes each, so that matches across the reads'
// edges abound; the file shrank, so the last bytes match nothing.
TEST(FindInSource, SameAsThePlainSearchAcrossReadsInBothDirections) {
    std::mt19937 generator(32);
    class Text final : public ByteSource {
    public:
        Text(const Bytes& bytes, std::size_t has) : bytes_(bytes), has_(has) {}
        std::size_t ReadAt(std::uint64_t offset, std::size_t count, unsigned char* out) override {
            const std::size_t end = std::min<std::size_t>(has_, offset + count);
            if (offset >= end)
                return 0;
            std::memcpy(out, bytes_.data() + offset, end - offset);
            return end - static_cast<std::size_t>(offset);
        }

    private:
        const Bytes& bytes_;
        std::size_t has_;
    };
    for (int round = 0; round < 200; ++round) {
        Bytes bytes(300 + generator() % 300);
        for (unsigned char& byte : bytes)
            byte = "aAb"[generator() % 3];
        const std::size_t has = bytes.size() - generator() % 20;
        Bytes needle(1 + generator() % 6);
        const std::size_t at = generator() % (has - needle.size());
        std::copy_n(bytes.begin() + at, needle.size(), needle.begin());
        const bool foldCase = round % 2;
        const ByteSearcher searcher(needle, foldCase);
        Text text(bytes, has);
        const std::span<const unsigned char> present(bytes.data(), has);
        const std::uint64_t first = generator() % bytes.size();
        const std::uint64_t last = first + generator() % (bytes.size() + 10 - first);
        const std::size_t step = 1 + generator() % 40;
        SCOPED_TRACE(testing::Message() << "round " << round << ", step " << step << ", [" << first
                                        << ", " << last << ")");
        const auto expect = [](std::optional<std::size_t> found) {
            return found ? std::optional<std::uint64_t>(*found) : std::nullopt;
        };
        EXPECT_EQ(FindInSource(text, bytes.size(), searcher, false, first, last, step),
                  expect(NaiveFirst(present, needle, foldCase, first, last)));
        EXPECT_EQ(FindInSource(text, bytes.size(), searcher, true, first, last, step),
                  expect(NaiveLast(present, needle, foldCase, first, last)));
    }
}

} // namespace
} // namespace octolume::test
