// Every formatting path this CPU runs, held to the printf reference and to the plain
// path on random bytes, every short last line, and offsets on both sides of 4 GiB.

#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace octolume::test {
namespace {

using dump_paths::Path;

std::vector<unsigned char> RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<unsigned char> bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

// The path's text, checked to fill exactly the size the core announces.
std::string Lines(Path path, const std::vector<unsigned char>& bytes, std::uint64_t offset) {
    std::string text(DumpLinesSize(bytes.size(), offset), '\0');
    const char* end = dump_paths::FormatDumpLinesWith(path, bytes, offset, text.data());
    EXPECT_EQ(end, text.data() + text.size()) << dump_paths::PathName(path);
    return text;
}

std::string Reference(const std::vector<unsigned char>& bytes, std::uint64_t offset) {
    return test::ReferenceLines(bytes.data(), bytes.size(), offset);
}

TEST(DumpPaths, ThePlainPathIsAlwaysThere) {
    ASSERT_FALSE(dump_paths::AvailablePaths().empty());
    EXPECT_EQ(dump_paths::AvailablePaths().front(), Path::kPlain);
}

TEST(DumpPaths, EveryPathWritesTheReferenceTextForEveryLineCountAndTail) {
    // Offsets: the start, an odd one, a run that crosses 4 GiB in the middle, one far up.
    const std::uint64_t offsets[] = {0, 0x12345678, 0xFFFFFFC0, 0xFFFFFFF8, 0xABCDEF0123456780};
    unsigned seed = 1;
    for (const Path path : dump_paths::AvailablePaths()) {
        for (const std::uint64_t offset : offsets) {
            for (const std::size_t lines : {0, 1, 2, 3, 5, 8, 33}) {
                for (std::size_t tail = 0; tail < 16; ++tail) {
                    const auto bytes = RandomBytes(lines * 16 + tail, ++seed);
                    ASSERT_EQ(Lines(path, bytes, offset), Reference(bytes, offset))
                        << dump_paths::PathName(path) << " offset " << offset << ", " << lines
                        << " lines + " << tail;
                }
            }
        }
    }
}

TEST(DumpPaths, LongRunsStreamedToMemoryMatchThePlainPath) {
    // Past about 20 MB of text the vector paths store differently, when the buffer is
    // 16-byte aligned (as large allocations are) and below 4 GiB.
    const auto bytes = RandomBytes((std::size_t{1} << 18) * 16 + 3 * 16 + 9, 7);
    const std::string plain = Lines(Path::kPlain, bytes, 0);
    ASSERT_EQ(plain, Reference(bytes, 0));
    const std::size_t size = DumpLinesSize(bytes.size(), 0);
    std::vector<char> buffer(size + 15);
    char* const aligned =
        buffer.data() + (16 - reinterpret_cast<std::uintptr_t>(buffer.data()) % 16) % 16;
    for (const Path path : dump_paths::AvailablePaths()) {
        dump_paths::FormatDumpLinesWith(path, bytes, 0, aligned);
        EXPECT_TRUE(std::string(aligned, size) == plain) << dump_paths::PathName(path);
    }
}

TEST(DumpLines, OffsetsWidenOnlyFromFourGibibytesOn) {
    const std::vector<unsigned char> bytes(40, 'a');
    const std::string a16 =
        "61 61 61 61 61 61 61 61  61 61 61 61 61 61 61 61  |aaaaaaaaaaaaaaaa|\r\n";
    std::string text(DumpLinesSize(bytes.size(), 0xFFFFFFF0), '\0');
    FormatDumpLines(bytes, 0xFFFFFFF0, text.data());
    EXPECT_EQ(text, "FFFFFFF0  " + a16 + "100000000  " + a16 +
                        "100000010  61 61 61 61 61 61 61 61                           "
                        "|aaaaaaaa|\r\n");

    const std::vector<unsigned char> one(1, 0);
    text.assign(DumpLinesSize(1, 0xFFFFFFFFFFFFFFF0), '\0');
    FormatDumpLines(one, 0xFFFFFFFFFFFFFFF0, text.data());
    EXPECT_EQ(text, "FFFFFFFFFFFFFFF0  00                                                |.|\r\n");
}

TEST(DumpLines, PiecesFormattedOneAfterAnotherMakeTheWholeText) {
    // As a streaming reader formats each buffer it fills.
    const auto bytes = RandomBytes(100'000 + 5, 3);
    std::string pieces;
    for (std::size_t at = 0; at < bytes.size(); at += 4096) {
        const std::vector<unsigned char> piece(bytes.begin() + at,
                                               bytes.begin() + std::min(bytes.size(), at + 4096));
        std::string text(DumpLinesSize(piece.size(), at), '\0');
        FormatDumpLines(piece, at, text.data());
        pieces += text;
    }
    EXPECT_EQ(pieces, Reference(bytes, 0));
}

} // namespace
} // namespace octolume::test
