// Runs of whole bytes without a window: what a text selection of the dump covers, and the
// block Select Block's fields ask for.
#include "dump/byte_ranges.h"
#include "dump/dump_places.h"

#include <gtest/gtest.h>

#include <utility>

namespace octolume::test {
namespace {

using Bytes = std::pair<std::uint64_t, std::uint64_t>; // first, count

Bytes Selected(DumpPlace from, DumpPlace to, std::uint64_t fileSize) {
    const ByteSelection selection = SelectedBytes(from, to, fileSize);
    return {selection.first, selection.count};
}

constexpr Bytes kNone{0, 0};

// Within one line: a pair counts when either digit is selected, a character when it is;
// blanks, offsets and bars add nothing.
TEST(SelectedBytes, OneLinePairsAndCharacters) {
    constexpr std::uint64_t size = 100;
    const DumpLine line = DumpLineOfRow(3, size); // bytes 32 to 47
    const auto on = [](std::size_t first, std::size_t last) {
        return Selected({3, first}, {3, last}, size);
    };
    const auto pair = [&](std::size_t byte) { return HexColumn(line, byte); };
    const auto character = [&](std::size_t byte) { return CharacterColumn(line, byte); };
    EXPECT_EQ(on(pair(2), pair(4) + 2), Bytes(34, 3));
    EXPECT_EQ(on(pair(2) + 1, pair(4) + 1), Bytes(34, 3)) << "half pairs at both ends";
    EXPECT_EQ(on(pair(2) + 1, pair(2) + 2), Bytes(34, 1)) << "the second digit alone";
    EXPECT_EQ(on(pair(2) + 2, pair(3)), kNone) << "the blank between two pairs";
    EXPECT_EQ(on(pair(7) + 2, pair(8)), kNone) << "the two blanks between the groups";
    EXPECT_EQ(on(0, pair(0)), kNone) << "the offset and the blanks after it";
    EXPECT_EQ(on(0, pair(0) + 1), Bytes(32, 1));
    EXPECT_EQ(on(character(0), character(5)), Bytes(32, 5));
    EXPECT_EQ(on(character(3), character(3) + 1), Bytes(35, 1));
    EXPECT_EQ(on(OpeningBarColumn(line), character(0)), kNone) << "a bar alone";
    EXPECT_EQ(on(ClosingBarColumn(line), ClosingBarColumn(line) + 3), kNone);
    EXPECT_EQ(on(character(9), ClosingBarColumn(line) + 1), Bytes(41, 7));
    EXPECT_EQ(on(pair(14), character(2)), Bytes(32, 16)) << "pairs 14, 15 and characters 0, 1";
    EXPECT_EQ(on(pair(5), pair(5)), kNone) << "a caret selects nothing";
    EXPECT_EQ(Selected({3, pair(6) + 2}, {3, pair(4)}, size), Bytes(36, 3)) << "either order";
    EXPECT_EQ(Selected({0, 0}, {0, 60}, size), kNone) << "the header";
}

// Over several lines each end counts in its own column, so a selection from the pairs of one
// line to the pairs of another, or from a character to a character, takes the bytes between.
TEST(SelectedBytes, AcrossLinesEachEndInItsColumn) {
    constexpr std::uint64_t size = 100; // the last line, row 7, holds 96 to 99
    const DumpLine line = DumpLineOfRow(2, size);
    const auto pair = [&](std::size_t byte) { return HexColumn(line, byte); };
    const auto character = [&](std::size_t byte) { return CharacterColumn(line, byte); };
    EXPECT_EQ(Selected({2, pair(5)}, {3, pair(2) + 2}, size), Bytes(21, 14));
    EXPECT_EQ(Selected({2, pair(5) + 1}, {3, pair(2) + 1}, size), Bytes(21, 14)) << "half pairs";
    EXPECT_EQ(Selected({2, pair(5) + 2}, {3, pair(3)}, size), Bytes(22, 13)) << "from a blank";
    // Starting in the characters: the pairs of the next line before the end are not taken.
    EXPECT_EQ(Selected({2, character(5)}, {3, character(5)}, size), Bytes(21, 16));
    EXPECT_EQ(Selected({3, character(5)}, {2, character(5)}, size), Bytes(21, 16)) << "reversed";
    EXPECT_EQ(Selected({2, character(5)}, {3, pair(2) + 1}, size), Bytes(21, 14));
    EXPECT_EQ(Selected({2, pair(5)}, {3, character(3)}, size), Bytes(21, 14));
    EXPECT_EQ(Selected({2, character(5)}, {4, 0}, size), Bytes(21, 27)) << "to a line's start";
    EXPECT_EQ(Selected({2, character(5)}, {4, 3}, size), Bytes(21, 27)) << "into an offset";
    EXPECT_EQ(Selected({2, ClosingBarColumn(line) + 1}, {4, OpeningBarColumn(line) + 1}, size),
              Bytes(32, 16))
        << "from past a line's bar to the next but one's opening bar";
    EXPECT_EQ(Selected({2, ClosingBarColumn(line)}, {3, 5}, size), kNone)
        << "a line break and an offset";
    EXPECT_EQ(Selected({0, 3}, {2, 0}, size), Bytes(0, 16)) << "from the header";
    EXPECT_EQ(Selected({0, 3}, {1, pair(0) + 1}, size), Bytes(0, 1));
    // The last line is short, and the empty line after it holds no bytes.
    const DumpLine last = DumpLineOfRow(7, size);
    ASSERT_EQ(last.byteCount, 4u);
    EXPECT_EQ(Selected({6, character(5)}, {7, ClosingBarColumn(last) + 1}, size), Bytes(85, 15));
    EXPECT_EQ(Selected({6, pair(5)}, {7, HexColumn(last, 3) + 5}, size), Bytes(85, 15))
        << "to the blanks after the last pair";
    EXPECT_EQ(Selected({6, character(5)}, {8, 0}, size), Bytes(85, 15));
    EXPECT_EQ(Selected({1, 0}, {1000, 0}, size), Bytes(0, 100)) << "rows past the end";
    EXPECT_EQ(Selected({7, CharacterColumn(last, 3) + 1}, {9, 0}, size), kNone);
    EXPECT_EQ(Selected({0, 0}, {1, 0}, 0), kNone) << "an empty file";
}

// Past 4 GiB the offsets have more digits and every later column moves right with them.
TEST(SelectedBytes, WiderOffsetsPastFourGiB) {
    constexpr std::uint64_t size = 64ULL << 30;
    const std::uint64_t row = (0x123456780ULL >> 4) + 1;
    const DumpLine line = DumpLineOfRow(row, size);
    ASSERT_EQ(line.extraDigits, 1u);
    EXPECT_EQ(Selected({row, HexColumn(line, 0)}, {row, HexColumn(line, 0) + 1}, size),
              Bytes(0x123456780ULL, 1));
    EXPECT_EQ(Selected({row, 8}, {row, 9}, size), kNone) << "the ninth digit of the offset";
    EXPECT_EQ(
        Selected({row, CharacterColumn(line, 15)}, {row + 2, CharacterColumn(line, 0) + 1}, size),
        Bytes(0x12345678FULL, 18));
    const std::uint64_t lastRow = size / 16;
    EXPECT_EQ(Selected({lastRow, CharacterColumn(DumpLineOfRow(lastRow, size), 14)},
                       {lastRow + 1, 0}, size),
              Bytes(size - 2, 2));
    EXPECT_EQ(Selected({1, 0}, {lastRow + 1, 0}, size), Bytes(0, size)) << "every byte";
}

struct Block {
    std::uint64_t first = 0, count = 0;
    std::wstring refusal;
    BlockField field = BlockField::kStart;
    bool operator==(const Block&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Block& block) {
    return out << block.first << "+" << block.count << " field " << int(block.field) << " "
               << testing::PrintToString(block.refusal);
}

Block Parse(std::wstring_view start, std::wstring_view second, std::uint64_t size,
            bool endChosen = false, bool decimal = false) {
    const ParsedBlock parsed = ParseBlock({start, second, endChosen, decimal}, size);
    if (!parsed.block)
        return {0, 0, parsed.refusal, parsed.field};
    EXPECT_TRUE(parsed.refusal.empty());
    return {parsed.block->first, parsed.block->count, {}, BlockField::kSecond};
}

Block Chosen(std::uint64_t first, std::uint64_t count) {
    return {first, count, {}, BlockField::kSecond};
}

Block Refused(std::wstring refusal, BlockField field = BlockField::kSecond) {
    return {0, 0, std::move(refusal), field};
}

// Start and length or end, typed as Go To takes offsets: hex, 0x, h, # or the Decimal choice.
TEST(ParseBlock, StartAndLengthOrEnd) {
    EXPECT_EQ(Parse(L"20", L"10", 4096), Chosen(0x20, 0x10));
    EXPECT_EQ(Parse(L" 0x20 ", L"#16", 4096), Chosen(0x20, 16));
    EXPECT_EQ(Parse(L"32", L"16", 4096, false, true), Chosen(32, 16));
    EXPECT_EQ(Parse(L"20", L"2F", 4096, true), Chosen(0x20, 0x10));
    EXPECT_EQ(Parse(L"20", L"20", 4096, true), Chosen(0x20, 1)) << "the end is inclusive";
    EXPECT_EQ(Parse(L"0", L"1000", 4096), Chosen(0, 4096)) << "the whole dump";
    EXPECT_EQ(Parse(L"FFF", L"FFFh", 4096, true), Chosen(4095, 1));
    constexpr std::uint64_t k64GiB = 64ULL << 30;
    EXPECT_EQ(Parse(L"FFFFFFFF0", L"10", k64GiB), Chosen(0xFFFFFFFF0ULL, 16));
    EXPECT_EQ(Parse(L"100000000", L"#68719476735", k64GiB, true),
              Chosen(1ULL << 32, k64GiB - (1ULL << 32)));
}

// Each refusal names what is wrong and the range the start allows; the start's are Go To's.
TEST(ParseBlock, RefusalsGiveTheRange) {
    const std::wstring offsets = L" Offsets in this dump run from 0 to 0xFFF (4095).";
    EXPECT_EQ(Parse(L"", L"10", 4096), Refused(L"Type an offset." + offsets, BlockField::kStart));
    EXPECT_EQ(Parse(L"1000", L"1", 4096),
              Refused(L"\"1000\" lies beyond the dump." + offsets, BlockField::kStart));
    EXPECT_EQ(Parse(L"G", L"1", 4096),
              Refused(L"\"G\" is not a hex offset." + offsets, BlockField::kStart));
    EXPECT_EQ(Parse(L"0", L"0", 0),
              Refused(L"\"0\" lies beyond the dump. The dump shows no bytes.", BlockField::kStart));

    const std::wstring lengths = L" A block from 0xF00 (3840) is 1 to 0x100 (256) bytes long.";
    EXPECT_EQ(Parse(L"F00", L"", 4096), Refused(L"Type a length." + lengths));
    EXPECT_EQ(Parse(L"F00", L"0", 4096), Refused(L"\"0\" selects no bytes." + lengths));
    EXPECT_EQ(Parse(L"F00", L"101", 4096),
              Refused(L"\"101\" runs past the end of the dump." + lengths));
    EXPECT_EQ(Parse(L"F00", L"99999999999999999999", 4096),
              Refused(L"\"99999999999999999999\" runs past the end of the dump." + lengths));
    EXPECT_EQ(Parse(L"F00", L"-1", 4096), Refused(L"\"-1\" is negative." + lengths));
    EXPECT_EQ(Parse(L"#3840", L"1F", 4096, false, true),
              Refused(L"\"1F\" is not a decimal length." + lengths));
    EXPECT_EQ(Parse(L"FFF", L"2", 4096),
              Refused(L"\"2\" runs past the end of the dump. A block from 0xFFF (4095) is 1 byte "
                      L"long."));

    const std::wstring ends = L" A block from 0xF00 (3840) ends at 0xF00 (3840) to 0xFFF (4095).";
    EXPECT_EQ(Parse(L"F00", L"EFF", 4096, true), Refused(L"\"EFF\" lies before the start." + ends));
    EXPECT_EQ(Parse(L"F00", L"1000", 4096, true),
              Refused(L"\"1000\" lies beyond the dump." + ends));
    EXPECT_EQ(Parse(L"F00", L" ", 4096, true), Refused(L"Type an end offset." + ends));
    EXPECT_EQ(Parse(L"F00", L"#", 4096, true), Refused(L"\"#\" is not an end offset." + ends));
    EXPECT_EQ(Parse(L"FFF", L"FFE", 4096, true),
              Refused(L"\"FFE\" lies before the start. A block from 0xFFF (4095) ends at "
                      L"0xFFF (4095)."));
}

// Switching between Length and End writes the same block in the other form.
TEST(ParseBlock, SecondFieldInEitherForm) {
    const ByteSelection block{0x1F0, 0x20};
    EXPECT_EQ(BlockSecondText(block, false, false), L"20");
    EXPECT_EQ(BlockSecondText(block, true, false), L"20F");
    EXPECT_EQ(BlockSecondText(block, true, true), L"527");
    EXPECT_EQ(BlockSecondText({(64ULL << 30) - 1, 1}, true, false), L"FFFFFFFFF");
}

} // namespace
} // namespace octolume::test
