// Find and Go To without a window: the bytes read back from dumps, the queries and the
// searches over those bytes; then the view's byte copy across a new dump.
#include "dump/byte_search.h"
#include "dump/dump_bytes.h"
#include "expected_dumps.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

LineIndexedText DumpText(const std::vector<unsigned char>& bytes, std::uint64_t fileSize) {
    const std::string dump = FormatDump(bytes, fileSize);
    LineIndexedText text;
    text.Assign(std::wstring(dump.begin(), dump.end()));
    return text;
}

std::vector<unsigned char> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// Every length class, and the largest dump with its size line: the bytes come back exactly,
// none from the offsets, the printable characters or the size line; each pair is where the
// layout puts it, and a position in the text leads back to its byte.
TEST(DumpBytes, ReadBackFromTheHexColumnsOfEveryLengthOfDump) {
    for (const std::size_t size : {0u, 1u, 15u, 16u, 17u, 33u, 16u << 20}) {
        SCOPED_TRACE(size);
        const std::vector<unsigned char> bytes = RandomBytes(size, unsigned(size));
        const LineIndexedText text = DumpText(bytes, size + (size > 1000 ? 1000 : 0));
        const DumpBytes dump = ReadDumpBytes(text);
        EXPECT_TRUE(dump.bytes == bytes);
        EXPECT_EQ(dump.textSerial, text.Serial());
        for (const std::size_t byte : {std::size_t{0}, size / 2, size - 1}) {
            if (byte >= size)
                continue;
            const std::size_t pair = HexPairPosition(text, dump, byte);
            const wchar_t expected[] = {L"0123456789ABCDEF"[bytes[byte] >> 4],
                                        L"0123456789ABCDEF"[bytes[byte] & 15], 0};
            EXPECT_EQ(text.Text().substr(pair, 2), expected) << byte;
            EXPECT_EQ(ByteAtOrAfter(text, dump, pair), byte);
            EXPECT_EQ(ByteAtOrAfter(text, dump, pair + 1), byte + 1);
        }
        EXPECT_EQ(ByteAtOrAfter(text, dump, 0), 0u);
        EXPECT_EQ(ByteAtOrAfter(text, dump, text.Length()), size);
    }
    for (const wchar_t* notDump : {L"", L"Loading...", L"0000000G  41\r\n", L"00000010  41\r\n"}) {
        LineIndexedText text;
        text.Assign(notDump);
        EXPECT_TRUE(ReadDumpBytes(text).bytes.empty()) << notDump;
    }
}

// Each query's bytes, and a clear refusal of what cannot be bytes.
TEST(ByteQueries, TextInTheAnsiCodePageAndHexPairs) {
    EXPECT_EQ(TextQuery(L"Hi \u00e9", true).query.value().bytes, Bytes("Hi \xe9"));
    EXPECT_TRUE(TextQuery(L"hi", false).query.value().foldCase);
    EXPECT_FALSE(TextQuery(L"hi", true).query.value().foldCase);
    EXPECT_NE(TextQuery(L"\u0100", false).refusal.find(L"ANSI code page"), std::wstring::npos);
    for (const wchar_t* same : {L"4D 5A 90", L"4d5a90", L" 4D5A  90 "})
        EXPECT_EQ(HexQuery(same).query.value().bytes, Bytes("\x4d\x5a\x90")) << same;
    EXPECT_EQ(HexQuery(L"4D5").refusal,
              L"Hex bytes are pairs of digits: \"4D5\" has an odd number of them.");
    EXPECT_EQ(HexQuery(L"4 D").refusal,
              L"Hex bytes are pairs of digits: \"4 D\" has a digit alone.");
    EXPECT_EQ(HexQuery(L"4G").refusal, L"\"G\" is not a hex digit. Hex bytes are pairs of the "
                                       L"digits 0-9 and A-F, such as 4D 5A 90.");
    EXPECT_FALSE(HexQuery(L" ").query);
    EXPECT_FALSE(TextQuery(L"", false).query);
}

// Forwards and backwards, overlapping, at both ends, wrapping once, and nothing at all.
TEST(FindBytes, FindsEveryMatchInBothDirectionsAndWrapsOnce) {
    const auto bytes = Bytes("abAAAxyzAB"); // 0..9
    const ByteQuery aa{Bytes("AA"), false}, folded{Bytes("ab"), true};
    const auto at = [&](const ByteQuery& query, std::size_t from, bool backwards) {
        const auto found = FindBytes(bytes, query, from, backwards);
        return found ? std::pair(long(found->start), found->wrapped) : std::pair(-1L, false);
    };
    EXPECT_EQ(at(aa, 0, false), std::pair(2L, false));
    EXPECT_EQ(at(aa, 3, false), std::pair(3L, false)); // overlapping the one before
    EXPECT_EQ(at(aa, 4, false), std::pair(2L, true));
    EXPECT_EQ(at(aa, 4, true), std::pair(3L, false));
    EXPECT_EQ(at(aa, 3, true), std::pair(2L, false));
    EXPECT_EQ(at(aa, 2, true), std::pair(3L, true));
    EXPECT_EQ(at(folded, 0, false), std::pair(0L, false)); // the first byte
    EXPECT_EQ(at(folded, 1, false), std::pair(8L, false)); // "AB": the last byte
    EXPECT_EQ(at(folded, 9, false), std::pair(0L, true));
    EXPECT_EQ(at(folded, 0, true), std::pair(8L, true));
    EXPECT_EQ(at({Bytes("ab"), false}, 1, false), std::pair(0L, true)); // case kept
    EXPECT_EQ(at({Bytes("abc"), true}, 0, false), std::pair(-1L, false));
    EXPECT_EQ(at({Bytes("zAB!"), true}, 0, true), std::pair(-1L, false));
    // Across a line of the dump, and not in its offsets or printable characters.
    const std::vector<unsigned char> pattern = PatternBytes(33);
    const DumpBytes dump = ReadDumpBytes(DumpText(pattern, 33));
    EXPECT_EQ(FindBytes(dump.bytes, HexQuery(L"11 36 5B 80").query.value(), 0, false).value().start,
              14u);
    EXPECT_FALSE(FindBytes(dump.bytes, HexQuery(L"00000010").query.value(), 0, false));
    EXPECT_EQ(FindBytes(dump.bytes, TextQuery(L"0Uz", true).query.value(), 0, false).value().start,
              1u);
    EXPECT_FALSE(FindBytes(dump.bytes, TextQuery(L".0U", true).query.value(), 0, false));
    const std::vector<unsigned char> large = RandomBytes(16 << 20, 7);
    const ByteQuery tail{{large.end() - 9, large.end()}, false};
    EXPECT_EQ(FindBytes(large, tail, 1, true).value().start, large.size() - 9);
}

// Hex by default, 0x or h; decimal by # or the choice; negative or past the end refused.
TEST(GoToOffsets, HexOrDecimalWithinTheDump) {
    const auto offset = [](const wchar_t* text, bool decimal = false, std::size_t count = 4096) {
        const ParsedOffset parsed = ParseOffset(text, decimal, count);
        return parsed.offset ? long(*parsed.offset) : -1L;
    };
    EXPECT_EQ(offset(L"1F0"), 0x1F0);
    EXPECT_EQ(offset(L" 0x1f0 "), 0x1F0);
    EXPECT_EQ(offset(L"1F0h"), 0x1F0);
    EXPECT_EQ(offset(L"#496"), 496);
    EXPECT_EQ(offset(L"496", true), 496);
    EXPECT_EQ(offset(L"0x1F0", true), 0x1F0);
    EXPECT_EQ(offset(L"FFF"), 4095);
    EXPECT_EQ(offset(L"1000"), -1);
    EXPECT_EQ(offset(L"99999999999999999999999"), -1);
    EXPECT_EQ(offset(L"1F0", true), -1);
    EXPECT_EQ(ParseOffset(L"-1", false, 4096).refusal,
              L"\"-1\" is negative. Offsets in this dump run from 0 to 0xFFF (4095).");
    EXPECT_EQ(ParseOffset(L"1000", false, 4096).refusal,
              L"\"1000\" lies beyond the dump. Offsets in this dump run from 0 to 0xFFF (4095).");
    constexpr std::uint64_t k64GiB = 64ULL << 30;
    EXPECT_EQ(ParseOffset(L"FFFFFFFFF", false, k64GiB).offset, 0xFFFFFFFFFULL);
    EXPECT_EQ(ParseOffset(L"#68719476735", false, k64GiB).offset, k64GiB - 1);
    EXPECT_EQ(ParseOffset(L"1000000000", false, k64GiB).refusal,
              L"\"1000000000\" lies beyond the dump. Offsets in this dump run from 0 to "
              L"0xFFFFFFFFF (68719476735).");
    EXPECT_EQ(ParseOffset(L"0", false, 0).refusal, L"\"0\" lies beyond the dump. The dump shows "
                                                   L"no bytes.");
}

// The bytes are read once per dump: a new dump, or a text set from outside, is read again.
TEST(DumpViewBytes, FollowEveryNewText) {
    ViewerWindow window;
    DumpView& view = window.Dump();
    view.ShowText(Wide(kPattern17Dump));
    EXPECT_TRUE(view.Bytes().bytes == PatternBytes(17));
    view.ShowText(Wide(kPattern1Dump));
    EXPECT_TRUE(view.Bytes().bytes == PatternBytes(1));
    SetWindowTextW(view.Handle(), Wide(kPattern16Dump).c_str());
    EXPECT_TRUE(view.Bytes().bytes == PatternBytes(16));
    view.SelectBytes(14, 2);
    DWORD start = 0, end = 0;
    SendMessageW(view.Handle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(std::pair(start, end), std::pair(67ul + 10 + 14 * 3 + 1, 67ul + 10 + 15 * 3 + 1 + 2));
}

} // namespace
} // namespace octolume::test
