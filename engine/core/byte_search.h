#pragma once
// Finds a run of bytes in a span of bytes, forwards or backwards, in time linear in the span
// whatever the bytes. Ordinary queries go at the pace of a quick filter: sixteen windows at
// a time where the CPU has SSE2 (those whose first and last bytes match are compared
// whole), Horspool's skips elsewhere. Where the filter stops paying (a query of 01 and
// thousands of 00 over zeros compares nearly the whole query at every byte), a
// Knuth-Morris-Pratt scan takes over for the rest of the span.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace octolume {

namespace byte_search_detail {
// The needle as a search in one direction reads it: its folded bytes in the order the search
// meets them, and how far the window may move when it ends on each byte value.
struct Direction {
    std::vector<unsigned char> needle;
    std::array<std::size_t, 256> skip{};
};
} // namespace byte_search_detail

// The filters a searcher can use. Every one finds the same matches; the tests hold each to
// the reference, the benchmark times each.
enum class SearchPath { kSkips, kSse2 };
// The paths this CPU runs, the plain one first and the fastest last.
std::span<const SearchPath> AvailableSearchPaths();

class ByteSearcher {
public:
    // `needle` is copied; an empty one matches nothing. With `foldCase`, the ASCII letters
    // A-Z and a-z match in either case; no other byte is folded. The path must be available.
    ByteSearcher(std::span<const unsigned char> needle, bool foldCase);
    ByteSearcher(std::span<const unsigned char> needle, bool foldCase, SearchPath path);

    std::size_t Length() const noexcept { return forward_.needle.size(); }

    // The first match that starts in [first, last) of `text`. The match may run past `last`
    // up to the text's end; `last` beyond the text counts as its end. Matches may overlap.
    std::optional<std::size_t> First(std::span<const unsigned char> text, std::size_t first,
                                     std::size_t last) const;
    // The last match that starts in [first, last) of `text`, on the same terms.
    std::optional<std::size_t> Last(std::span<const unsigned char> text, std::size_t first,
                                    std::size_t last) const;

private:
    // How many windows of the needle's length the text has: none for an empty needle.
    std::size_t WindowsIn(std::span<const unsigned char> text) const noexcept;

    bool foldCase_;
    SearchPath path_;
    byte_search_detail::Direction forward_;
    byte_search_detail::Direction backward_; // the needle reversed
};

} // namespace octolume
