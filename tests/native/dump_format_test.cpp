#include "engine/core/dump_format.h"
#include "expected_dumps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace octolume::test {
namespace {

std::string Dump(const std::vector<unsigned char>& bytes) {
    return FormatDump(bytes, bytes.size());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
    return lines;
}

TEST(FormatDump, EmptyBufferGivesTheHeaderAlone) {
    EXPECT_EQ(FormatDump({}, 0), test::kEmptyDump);
}

TEST(FormatDump, LinesAroundTheSixteenByteBoundary) {
    EXPECT_EQ(Dump(test::PatternBytes(1)), test::kPattern1Dump);
    EXPECT_EQ(Dump(test::PatternBytes(15)), test::kPattern15Dump);
    EXPECT_EQ(Dump(test::PatternBytes(16)), test::kPattern16Dump);
    EXPECT_EQ(Dump(test::PatternBytes(17)), test::kPattern17Dump);
    EXPECT_EQ(Dump(test::PatternBytes(33)), test::kPattern33Dump);
}

TEST(FormatDump, ExecutableHeaderExample) {
    EXPECT_EQ(Dump({0x4D, 0x5A, 0x90, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF,
                    0xFF, 0x00, 0x00, 0x48, 0x69, 0x21}),
              test::kMzHeaderDump);
}

TEST(FormatDump, EveryByteValue) {
    EXPECT_EQ(Dump(test::AllByteValues()), test::kAllByteValuesDump);
}

TEST(FormatDump, FullDumpAtTheLimitHasAlignedLinesAndNoNote) {
    const std::vector<unsigned char> bytes(kDumpByteLimit, 0);
    const std::vector<std::string> lines = Lines(Dump(bytes));
    ASSERT_EQ(lines.size(), 1 + kDumpByteLimit / 16);
    for (std::size_t i = 1; i < lines.size(); ++i)
        ASSERT_EQ(lines[i].size(), 78u) << "line " << i;
    EXPECT_EQ(lines.back(), "001FFFF0  00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  "
                            "|................|");
}

TEST(FormatDump, LargerFileEndsWithTheTruncationNote) {
    const std::vector<unsigned char> bytes(kDumpByteLimit, 'A');
    const std::string full = FormatDump(bytes, kDumpByteLimit);
    EXPECT_EQ(FormatDump(bytes, kDumpByteLimit + 1),
              full + "--- Dump truncated: showing the first 2097152 of 2097153 bytes ---\r\n");
    EXPECT_EQ(FormatDump(bytes, 5'000'000'000ull),
              full + "--- Dump truncated: showing the first 2097152 of 5000000000 bytes ---\r\n");
}

TEST(FormatDump, NeverShowsMoreThanTheLimit) {
    const std::vector<unsigned char> bytes(kDumpByteLimit + 100, 'B');
    const std::vector<unsigned char> limited(kDumpByteLimit, 'B');
    EXPECT_EQ(FormatDump(bytes, bytes.size()),
              FormatDump(limited, kDumpByteLimit) +
                  "--- Dump truncated: showing the first 2097152 of 2097252 bytes ---\r\n");
}

TEST(FormatDump, NoteNamesTheBytesActuallyShown) {
    // The size the caller learned can exceed what it managed to read.
    EXPECT_EQ(FormatDump(test::PatternBytes(1), 40),
              test::kPattern1Dump + "--- Dump truncated: showing the first 1 of 40 bytes ---\r\n");
}

} // namespace
} // namespace octolume::test
