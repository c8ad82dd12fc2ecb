// The byte search against a plain reference that tries every window: random texts over
// small alphabets (many partial matches), texts of long runs that make the skips fail,
// every range boundary, both directions, with and without folding, through every path the
// CPU runs.

#include "engine/core/byte_search.h"
#include "naive_search.h"

#include <gtest/gtest.h>

#include <random>

namespace octolume::test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes RandomOver(std::string_view alphabet, std::size_t count, std::mt19937& generator) {
    Bytes bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(alphabet[generator() % alphabet.size()]);
    return bytes;
}

std::string PathName(SearchPath path) {
    return path == SearchPath::kSse2 ? " (SSE2)" : " (skips)";
}

// Every range of starts a text of `text` bytes has, and ranges that end past it.
void ExpectSameAsNaiveForEveryRange(const Bytes& text, const Bytes& needle, bool foldCase,
                                    SearchPath path) {
    const ByteSearcher searcher(needle, foldCase, path);
    for (std::size_t first = 0; first <= text.size() + 1; ++first)
        for (std::size_t last = first; last <= text.size() + 2; ++last) {
            ASSERT_EQ(searcher.First(text, first, last),
                      NaiveFirst(text, needle, foldCase, first, last))
                << "forwards in [" << first << ", " << last << ")";
            ASSERT_EQ(searcher.Last(text, first, last),
                      NaiveLast(text, needle, foldCase, first, last))
                << "backwards in [" << first << ", " << last << ")";
        }
}

TEST(ByteSearch, RandomTextsOverSmallAlphabetsInEveryRange) {
    std::mt19937 generator(26);
    // Letters of both cases beside the bytes next to them, which do not fold: @ [ ` { and
    // bytes above 127 whose low seven bits are letters.
    for (const std::string_view alphabet : {"ab", "abc", "aAbB", "aA@`[{zZ\xC1\xE1"})
        for (int round = 0; round < 40; ++round) {
            const Bytes text = RandomOver(alphabet, generator() % 72, generator);
            const std::size_t length = 1 + generator() % 6;
            // Half the needles from the text itself, so that most of them occur.
            Bytes needle = RandomOver(alphabet, length, generator);
            if (round % 2 == 0 && text.size() >= length) {
                const std::size_t at = generator() % (text.size() - length + 1);
                needle.assign(text.begin() + at, text.begin() + at + length);
            }
            for (const SearchPath path : AvailableSearchPaths())
                for (const bool foldCase : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << "alphabet " << alphabet << " round " << round
                                 << (foldCase ? " folded" : " exact") << PathName(path));
                    ExpectSameAsNaiveForEveryRange(text, needle, foldCase, path);
                }
        }
}

std::vector<std::pair<SearchPath, bool>> PathsAndFolding() {
    std::vector<std::pair<SearchPath, bool>> cases;
    for (const SearchPath path : AvailableSearchPaths())
        for (const bool foldCase : {false, true})
            cases.emplace_back(path, foldCase);
    return cases;
}

// Long runs of one byte with the needle's odd byte at its start, middle or end: the skips
// and the filter fail at nearly every byte here and the linear scan takes over, which must then
// find the same match the reference does, near either end and at range boundaries.
TEST(ByteSearch, LongRunsWhereTheSkipsFail) {
    constexpr std::size_t kRun = 300;
    for (const std::size_t odd : {std::size_t{0}, kRun / 2, kRun - 1}) {
        Bytes needle(kRun, 0);
        needle[odd] = 1;
        Bytes text(20 * kRun, 0);
        for (const std::size_t plant : {std::size_t{7}, text.size() / 2, text.size() - kRun}) {
            Bytes planted = text;
            planted[plant + odd] = 1;
            for (const auto& [path, foldCase] : PathsAndFolding()) {
                const ByteSearcher searcher(needle, foldCase, path);
                SCOPED_TRACE(testing::Message()
                             << "odd byte at " << odd << ", planted at " << plant
                             << (foldCase ? " folded" : " exact") << PathName(path));
                for (const std::size_t first : {std::size_t{0}, plant, plant + 1})
                    for (const std::size_t last : {plant, plant + 1, planted.size()}) {
                        EXPECT_EQ(searcher.First(planted, first, last),
                                  NaiveFirst(planted, needle, foldCase, first, last))
                            << first << ", " << last;
                        EXPECT_EQ(searcher.Last(planted, first, last),
                                  NaiveLast(planted, needle, foldCase, first, last))
                            << first << ", " << last;
                    }
            }
        }
    }
    // Periodic needles over periodic texts: the scan's borders, at every start.
    std::mt19937 generator(27);
    for (int round = 0; round < 30; ++round) {
        const Bytes period = RandomOver("ab", 1 + generator() % 5, generator);
        Bytes text, needle;
        while (text.size() < 600)
            text.insert(text.end(), period.begin(), period.end());
        for (std::size_t i = 0; i < 3 * period.size() + 40; ++i)
            needle.push_back(period[i % period.size()]);
        text[generator() % text.size()] ^= 3; // one flaw, so that not every start matches
        needle.back() ^= generator() % 2 ? 3 : 0;
        for (const SearchPath path : AvailableSearchPaths()) {
            const ByteSearcher searcher(needle, false, path);
            for (std::size_t first = 0; first < text.size(); first += 1 + generator() % 7) {
                ASSERT_EQ(searcher.First(text, first, text.size()),
                          NaiveFirst(text, needle, false, first, text.size()))
                    << round << " from " << first << PathName(path);
                ASSERT_EQ(searcher.Last(text, 0, first), NaiveLast(text, needle, false, 0, first))
                    << round << " before " << first << PathName(path);
            }
        }
    }
}

TEST(ByteSearch, EmptyNeedleAndNeedleLongerThanTheTextMatchNothing) {
    ASSERT_EQ(AvailableSearchPaths().front(), SearchPath::kSkips);
#if defined(__x86_64__)
    EXPECT_EQ(AvailableSearchPaths().back(), SearchPath::kSse2);
#endif
    const Bytes text = {'a', 'b'};
    EXPECT_FALSE(ByteSearcher({}, false).First(text, 0, 2));
    EXPECT_FALSE(ByteSearcher({}, true).Last(text, 0, 2));
    EXPECT_FALSE(ByteSearcher(Bytes{'a', 'b', 'c'}, false).First(text, 0, 9));
    EXPECT_EQ(ByteSearcher(Bytes{'A', 'B'}, true).Last(text, 0, 9), 0u);
}

} // namespace
} // namespace octolume::test
