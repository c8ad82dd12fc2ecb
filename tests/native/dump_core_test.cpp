// The dump text's rules: written-out dumps, the limit, every path against the printf
// reference (which widens offsets from 4 GiB on).

#include "engine/core/dump_paths.h"
#include "expected_dumps.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace octolume::test {
namespace {

using Bytes = std::vector<unsigned char>;

std::string Reference(const Bytes& bytes, std::uint64_t offset = 0) {
    return ReferenceLines(bytes.data(), bytes.size(), offset);
}

TEST(FormatDump, WrittenOutDumpsAroundTheLineBoundaryAndEveryByteValue) {
    const std::pair<std::size_t, const std::string*> cases[] = {
        {0, &kEmptyDump},      {1, &kPattern1Dump},   {15, &kPattern15Dump},
        {16, &kPattern16Dump}, {17, &kPattern17Dump}, {33, &kPattern33Dump}};
    for (const auto& [count, dump] : cases)
        EXPECT_EQ(FormatDump(PatternBytes(count), count), *dump) << count << " bytes";
    EXPECT_EQ(FormatDump(AllByteValues(), 256), kAllByteValuesDump);
}

TEST(FormatDump, ANoteNamesTheBytesShownOfALongerFile) {
    const Bytes bytes = RandomBytes(100000, 5);
    const std::string full = kEmptyDump + Reference(bytes);
    const std::string note = "--- Dump truncated: showing the first ";
    EXPECT_TRUE(FormatDump(bytes, bytes.size()) == full);
    EXPECT_TRUE(FormatDump(bytes, 100001) == full + note + "100000 of 100001 bytes ---\r\n");
    EXPECT_TRUE(FormatDump(bytes, 5'000'000'000ull) ==
                full + note + "100000 of 5000000000 bytes ---\r\n");
    // The size the caller learned can exceed what it managed to read.
    EXPECT_EQ(FormatDump(PatternBytes(1), 40), kPattern1Dump + note + "1 of 40 bytes ---\r\n");
}

TEST(DumpPaths, EveryPathWritesTheReferenceForEveryLineCountTailAndOffset) {
    const auto available = dump_paths::AvailablePaths();
    ASSERT_EQ(available.front(), dump_paths::Path::kPlain);
    EXPECT_NE(std::find(available.begin(), available.end(), dump_paths::ChosenPath()),
              available.end());
    unsigned seed = 1;
    for (const auto path : dump_paths::AvailablePaths()) {
        const std::string_view name = dump_paths::PathName(path);
        for (const std::uint64_t offset :
             {0ull, 0x12345678ull, 0xFFFFFFC0ull, 0xFFFFFFF8ull, 0xABCDEF0123456780ull})
            for (const std::size_t count : {0, 1, 2, 3, 5, 8, 33})
                for (std::size_t tail = 0; tail < 16; ++tail) {
                    const Bytes bytes = RandomBytes(count * 16 + tail, ++seed);
                    std::string text(DumpLinesSize(bytes.size(), offset), '\0');
                    ASSERT_EQ(dump_paths::FormatDumpLinesWith(path, bytes, offset, text.data()),
                              text.data() + text.size());
                    ASSERT_EQ(text, Reference(bytes, offset))
                        << name << " at " << offset << ": " << count << " lines + " << tail;
                }
    }
}

} // namespace
} // namespace octolume::test
