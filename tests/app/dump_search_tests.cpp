// Find and Go To without a window: the queries, the searches over bytes and Go To's offsets.
#include "dump/byte_search.h"
#include "expected_dumps.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

std::vector<unsigned char> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
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

} // namespace
} // namespace octolume::test
