// The places of a dump line without a window: which byte a column holds, where the next search
// starts, what a double-click takes and what a selection offers Find.
#include "dump/dump_places.h"
#include "dump/byte_search.h"

#include "engine/core/dump_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace octolume::test {
namespace {

// The text of row 1 of the dump of these bytes, as the view shows it, at a file offset.
std::wstring RowText(std::string_view bytes, std::uint64_t offset = 0) {
    std::string text(DumpLinesSize(bytes.size(), offset), '\0');
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    FormatDumpLines({data, bytes.size()}, offset, text.data());
    return {text.begin(), text.end() - 2}; // without its CR LF
}

DumpLine LineAt(std::uint64_t offset, std::size_t count) {
    return {false, offset, count, ExtraOffsetDigits(offset)};
}

constexpr std::string_view kHello = "Hello, world!\r\n";

// Whole pairs become Hex bytes, characters become Text without the bars; anything else stays.
TEST(QueryFromSelection, HexPairsAsHexCharactersAsTextAnythingElseNothing) {
    const DumpLine line = LineAt(16, kHello.size());
    const std::wstring text = RowText(kHello, 16);
    const auto query = [&](std::size_t first, std::size_t last) {
        const auto found = QueryFromSelection(line, text, first, last);
        return found ? (found->hex ? L"hex:" : L"text:") + found->text : L"none";
    };
    const auto pair = [&](std::size_t byte) { return HexColumn(line, byte); };
    EXPECT_EQ(query(pair(0), pair(4) + 2), L"hex:48 65 6C 6C 6F");
    EXPECT_EQ(query(pair(6), pair(9) + 2), L"hex:20 77 6F 72") << "across the two groups";
    EXPECT_EQ(query(pair(0) - 1, pair(1) + 3), L"hex:48 65") << "blanks around left out";
    EXPECT_EQ(query(pair(0) + 1, pair(1) + 2), L"none") << "half a pair";
    EXPECT_EQ(query(pair(0), pair(1) + 1), L"none") << "half a pair";
    const std::size_t bar = OpeningBarColumn(line);
    EXPECT_EQ(query(bar + 1, bar + 6), L"text:Hello");
    EXPECT_EQ(query(bar, bar + 7), L"text:Hello,") << "without the bar";
    EXPECT_EQ(query(bar + 8, ClosingBarColumn(line) + 1), L"text:world!..");
    EXPECT_EQ(query(bar, bar + 1), L"none") << "a bar alone";
    EXPECT_EQ(query(0, 8), L"none") << "the offset";
    EXPECT_EQ(query(pair(14), bar + 3), L"none") << "both columns";
    EXPECT_EQ(QueryFromSelection({true, 0, 0, 0}, L"Offset    00 01", 10, 15), std::nullopt);
    // Beyond 4 GiB the offset has more digits and the columns move with it.
    const DumpLine far = LineAt(0x123456780ULL, kHello.size());
    const auto farQuery = QueryFromSelection(far, RowText(kHello, 0x123456780ULL),
                                             HexColumn(far, 0), HexColumn(far, 1) + 2);
    ASSERT_TRUE(farQuery.has_value());
    EXPECT_EQ(farQuery->text, L"48 65");
}

// Forwards, a selection on a byte starts the search after it; anything else at the first byte
// at or after the place. Backwards, before the byte the place leads to.
TEST(SearchStartByte, AfterTheSelectedByteElseAtTheNextOne) {
    const DumpLine line = LineAt(32, 16);
    const auto start = [&](std::size_t column, bool empty, bool backwards = false) {
        return SearchStartByte(line, column, empty, backwards);
    };
    EXPECT_EQ(start(HexColumn(line, 5), false), 38u);
    EXPECT_EQ(start(HexColumn(line, 5), false, true), 37u);
    EXPECT_EQ(start(HexColumn(line, 5), true), 37u) << "a caret before the pair";
    EXPECT_EQ(start(HexColumn(line, 5) + 1, true), 38u) << "a caret inside the pair";
    EXPECT_EQ(start(HexColumn(line, 8) - 1, false), 40u) << "the blank between the groups";
    // A selection in the characters or the offsets starts no later than the next line's first
    // byte: a match there is found.
    EXPECT_EQ(start(CharacterColumn(line, 15), false), 48u);
    EXPECT_EQ(start(CharacterColumn(line, 3), false), 36u);
    EXPECT_EQ(start(CharacterColumn(line, 3), false, true), 35u);
    EXPECT_EQ(start(0, false), 32u);
    EXPECT_EQ(start(OpeningBarColumn(line), false), 32u);
    EXPECT_EQ(start(ClosingBarColumn(line), false), 48u);
    EXPECT_EQ(SearchStartByte({true, 0, 0, 0}, 20, false, false), 0u);
    EXPECT_EQ(SearchStartByte(DumpLineOfRow(9, 120), 0, true, false), 120u) << "the empty line";
    // The match at the next line's first byte, from a selection in this line's characters.
    std::vector<unsigned char> bytes(64, 'x');
    bytes[48] = 'M';
    const auto found =
        FindBytes(bytes, {{'M'}, false}, start(CharacterColumn(line, 15), false), false);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(std::pair(found->start, found->wrapped), std::pair(std::size_t{48}, false));
}

// The caret's byte from every kind of place in a line: a pair or a character on either side
// of the caret, else the next pair, else the line's first or last byte.
TEST(CaretByte, FromEveryKindOfPlaceInALine) {
    const DumpLine line = LineAt(32, 16);
    const auto at = [&](std::size_t column) { return CaretByte(line, column); };
    EXPECT_EQ(at(HexColumn(line, 5)), 37u) << "in front of a pair";
    EXPECT_EQ(at(HexColumn(line, 5) + 1), 37u) << "between its digits";
    EXPECT_EQ(at(HexColumn(line, 5) + 2), 37u) << "right after it, where Go To leaves it";
    EXPECT_EQ(at(HexColumn(line, 6)), 38u);
    EXPECT_EQ(at(HexColumn(line, 8) - 1), 40u) << "the second blank between the groups";
    EXPECT_EQ(at(HexColumn(line, 15) + 2), 47u) << "after the last pair";
    EXPECT_EQ(at(OpeningBarColumn(line) - 1), 47u) << "the blanks before the bar";
    EXPECT_EQ(at(CharacterColumn(line, 0)), 32u);
    EXPECT_EQ(at(CharacterColumn(line, 9)), 41u);
    EXPECT_EQ(at(ClosingBarColumn(line)), 47u) << "after the last character";
    EXPECT_EQ(at(ClosingBarColumn(line) + 1), 47u) << "past the closing bar";
    EXPECT_EQ(at(ClosingBarColumn(line) + 40), 47u);
    EXPECT_EQ(at(0), 32u) << "the offset";
    EXPECT_EQ(at(OffsetWidth(line)), 32u) << "right after the offset";
    EXPECT_EQ(at(OpeningBarColumn(line)), 32u) << "in front of the opening bar";
    EXPECT_EQ(CaretByte({true, 0, 0, 0}, 30), 0u) << "the header";
    EXPECT_EQ(CaretByte(DumpLineOfRow(9, 120), 0), 120u) << "the empty last line";
    // A short last line, and a line past 4 GiB whose columns move right.
    const DumpLine last = DumpLineOfRow(8, 115); // bytes 112 to 114
    EXPECT_EQ(CaretByte(last, HexColumn(last, 2) + 2), 114u);
    EXPECT_EQ(CaretByte(last, HexColumn(last, 9)), 114u) << "where no pair is";
    EXPECT_EQ(CaretByte(last, ClosingBarColumn(last) + 1), 114u);
    const DumpLine far = DumpLineOfRow((std::uint64_t{5} << 32) / 16 + 2, std::uint64_t{6} << 32);
    EXPECT_EQ(CaretByte(far, HexColumn(far, 3)), (std::uint64_t{5} << 32) + 19);
    EXPECT_EQ(CaretByte(far, CharacterColumn(far, 3)), (std::uint64_t{5} << 32) + 19);
}

// A word of the dump: one pair, the offset, or characters between the bars, never a bar.
TEST(DumpWordAt, OnePairTheOffsetOrCharactersBetweenTheBars) {
    const DumpLine line = LineAt(16, kHello.size());
    const std::wstring text = RowText(kHello, 16);
    using Word = std::optional<std::pair<std::size_t, std::size_t>>;
    const auto word = [&](std::size_t column) { return DumpWordAt(line, text, column); };
    const std::size_t pair = HexColumn(line, 3), bar = OpeningBarColumn(line);
    for (const std::size_t on : {pair, pair + 1, pair + 2}) // either digit, or just after it
        EXPECT_EQ(word(on), Word(std::pair(pair, pair + 2))) << on;
    EXPECT_EQ(word(3), Word(std::pair(std::size_t{0}, std::size_t{8})));
    EXPECT_EQ(word(bar + 2), Word(std::pair(bar + 1, bar + 7))) << "Hello,";
    EXPECT_EQ(word(bar), Word(std::pair(bar + 1, bar + 7))) << "the bar takes the word inside";
    EXPECT_EQ(word(ClosingBarColumn(line) + 1), Word(std::pair(bar + 8, bar + 16)));
    EXPECT_EQ(word(bar + 7), Word(std::pair(bar + 7, bar + 8))) << "the blank between words";
    EXPECT_EQ(word(HexColumn(line, 8) - 1), std::nullopt) << "between the groups";
    EXPECT_EQ(DumpWordAt({true, 0, 0, 0}, L"Offset    00", 3), std::nullopt);
}

// Rows and their offsets, also where an offset needs more than eight digits.
TEST(DumpLineOfRow, RowsOfEveryKind) {
    const std::uint64_t size = (std::uint64_t{64} << 30) + 5;
    const DumpLine last = DumpLineOfRow(size / 16 + 1, size);
    EXPECT_EQ(std::tuple(last.header, last.firstByte, last.byteCount, last.extraDigits),
              std::tuple(false, size - 5, std::size_t{5}, std::size_t{2}));
    const DumpLine empty = DumpLineOfRow(size / 16 + 2, size);
    EXPECT_EQ(std::pair(empty.firstByte, empty.byteCount), std::pair(size, std::size_t{0}));
    EXPECT_TRUE(DumpLineOfRow(0, size).header);
    EXPECT_EQ(DumpLineOfRow(~std::uint64_t{0}, size).firstByte, size) << "no overflow";
    EXPECT_EQ(ExtraOffsetDigits(0xFFFFFFF0u), 0u);
    EXPECT_EQ(ExtraOffsetDigits(std::uint64_t{1} << 32), 1u);
    EXPECT_EQ(ExtraOffsetDigits(std::uint64_t{1} << 40), 3u);
}

// A long query is quoted short enough for a box that fits the screen.
TEST(QuotedQuery, AtMostSixtyCharactersThenAnEllipsis) {
    EXPECT_EQ(QuotedQuery(L"not here"), L"\"not here\"");
    EXPECT_EQ(QuotedQuery(std::wstring(60, L'a')), L"\"" + std::wstring(60, L'a') + L"\"");
    EXPECT_EQ(QuotedQuery(std::wstring(30000, L'b')), L"\"" + std::wstring(60, L'b') + L"\u2026\"");
    const std::wstring pairs = std::wstring(59, L'c') + L"\U0001F600" + L"d";
    EXPECT_EQ(QuotedQuery(pairs), L"\"" + std::wstring(59, L'c') + L"\u2026\"")
        << "never half a surrogate pair";
}

} // namespace
} // namespace octolume::test
