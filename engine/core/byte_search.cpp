#include "byte_search.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define OCTOLUME_SSE2_SEARCH 1
// Only the filter's functions use SSE2: the 32-bit build does not assume it.
#define OCTOLUME_SSE2 __attribute__((target("sse2")))
#endif

namespace octolume {

namespace {

using byte_search_detail::Direction;

constexpr std::array<unsigned char, 256> kFolded = [] {
    std::array<unsigned char, 256> folded{};
    for (std::size_t byte = 0; byte < 256; ++byte)
        folded[byte] = static_cast<unsigned char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
    return folded;
}();

template <bool kFold> unsigned char Folded(unsigned char byte) {
    if constexpr (kFold)
        return kFolded[byte];
    else
        return byte;
}

// Horspool's windows cost a couple of dependent loads each, and pay when they move several
// bytes at a time. Where the windows and the comparisons of those that fail come to more
// than one for every two bytes passed (plus twice the needle's length, so that a long needle
// may fail a few times at the start), the skips have stopped paying and the scan, at most
// two comparisons a byte, takes over.
constexpr std::uint64_t kBytesPerStep = 2;

// The text as a search in one direction meets it. Backwards, byte i is the i-th from the
// end, so that the backward search is the forward one over the mirrored text.
struct Forwards {
    const unsigned char* bytes;
    unsigned char operator[](std::size_t i) const { return bytes[i]; }
};
struct Backwards {
    const unsigned char* end;
    unsigned char operator[](std::size_t i) const { return *(end - 1 - i); }
};

// Knuth, Morris and Pratt: the first window start in [first, last) at which `needle` matches,
// reading each byte of the text once.
template <bool kFold, class Text>
std::optional<std::size_t> ScanFirst(const Text& text, const std::vector<unsigned char>& needle,
                                     std::size_t first, std::size_t last) {
    const std::size_t length = needle.size();
    // borders[j]: the length of the longest proper prefix of needle[0, j) that is also its
    // suffix, where a mismatch after j matched bytes goes on.
    std::vector<std::size_t> borders(length + 1, 0);
    for (std::size_t j = 1, border = 0; j < length; ++j) {
        while (border > 0 && needle[j] != needle[border])
            border = borders[border];
        if (needle[j] == needle[border])
            ++border;
        borders[j + 1] = border;
    }
    std::size_t matched = 0;
    for (std::size_t at = first, end = last + length - 1; at < end; ++at) {
        const unsigned char byte = Folded<kFold>(text[at]);
        while (matched > 0 && needle[matched] != byte)
            matched = borders[matched];
        if (needle[matched] == byte && ++matched == length)
            return at + 1 - length;
    }
    return std::nullopt;
}

// Horspool: the first window start in [first, last) at which the needle matches; every
// window in that range lies within the text.
template <bool kFold, class Text>
std::optional<std::size_t> FindFirst(const Text& text, const Direction& direction,
                                     std::size_t first, std::size_t last) {
    const std::vector<unsigned char>& needle = direction.needle;
    const std::size_t tailAt = needle.size() - 1;
    const unsigned char tail = needle[tailAt];
    const std::uint64_t allowance = 2 * std::uint64_t{needle.size()};
    std::uint64_t steps = 0;
    for (std::size_t at = first; at < last;) {
        const unsigned char ending = text[at + tailAt];
        if (Folded<kFold>(ending) == tail) {
            std::size_t same = 0;
            while (same < tailAt && Folded<kFold>(text[at + same]) == needle[same])
                ++same;
            if (same == tailAt)
                return at;
            steps += same;
        }
        if (++steps > (at - first) / kBytesPerStep + allowance)
            return ScanFirst<kFold>(text, needle, at, last);
        at += direction.skip[ending];
    }
    return std::nullopt;
}

// The last window start in [first, last) at which the needle matches, through the forward
// functions over the mirrored text: the window at p starts at `starts` - 1 - p there.
template <class Search>
std::optional<std::size_t> MirroredLast(std::span<const unsigned char> text, std::size_t length,
                                        std::size_t first, std::size_t last, Search&& search) {
    const std::size_t starts = text.size() - length + 1;
    const std::optional<std::size_t> mirrored =
        search(Backwards{text.data() + text.size()}, starts - last, starts - first);
    if (!mirrored)
        return std::nullopt;
    return starts - 1 - *mirrored;
}

template <bool kFold>
std::optional<std::size_t> SkipsLast(std::span<const unsigned char> text, const Direction& backward,
                                     std::size_t first, std::size_t last) {
    return MirroredLast(text, backward.needle.size(), first, last,
                        [&](const Backwards& bytes, std::size_t from, std::size_t to) {
                            return FindFirst<kFold>(bytes, backward, from, to);
                        });
}

template <bool kFold>
std::optional<std::size_t> ScanLast(std::span<const unsigned char> text, const Direction& backward,
                                    std::size_t first, std::size_t last) {
    return MirroredLast(text, backward.needle.size(), first, last,
                        [&](const Backwards& bytes, std::size_t from, std::size_t to) {
                            return ScanFirst<kFold>(bytes, backward.needle, from, to);
                        });
}

#ifdef OCTOLUME_SSE2_SEARCH

bool CpuHasSse2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
}

// Sixteen bytes with the ASCII capitals made small: 'A' to 'Z' are those that lie within 25
// above 'A'.
OCTOLUME_SSE2 inline __m128i FoldedBlock(__m128i bytes) {
    const __m128i fromA = _mm_sub_epi8(bytes, _mm_set1_epi8('A'));
    const __m128i capital = _mm_cmpeq_epi8(_mm_min_epu8(fromA, _mm_set1_epi8(25)), fromA);
    return _mm_or_si128(bytes, _mm_and_si128(capital, _mm_set1_epi8(0x20)));
}

// What the two directions of the filter share: the candidates of sixteen windows, and the
// budget of their comparisons against the bytes passed (the blocks of windows themselves
// cost next to nothing), the same as the skips'.
template <bool kFold> class Filter {
public:
    explicit Filter(const std::vector<unsigned char>& needle)
        : needle_(needle), tailAt_(needle.size() - 1),
          allowance_(2 * std::uint64_t{needle.size()}) {}

    // Bit i: the window at `at` + i starts with the needle's first byte and ends with its last.
    OCTOLUME_SSE2 unsigned Candidates(const unsigned char* at) const {
        __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + tailAt_));
        if constexpr (kFold) {
            starts = FoldedBlock(starts);
            ends = FoldedBlock(ends);
        }
        const __m128i head = _mm_set1_epi8(static_cast<char>(needle_.front()));
        const __m128i tail = _mm_set1_epi8(static_cast<char>(needle_.back()));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(starts, head), _mm_cmpeq_epi8(ends, tail))));
    }

    enum class Verdict { kMatch, kGoOn, kScan };
    // Compares a candidate window, `passed` bytes from where the search began; kScan once the
    // comparisons have outgrown the budget.
    Verdict Check(const unsigned char* window, std::uint64_t passed) {
        std::size_t same = 1;
        while (same < tailAt_ && Folded<kFold>(window[same]) == needle_[same])
            ++same;
        if (same >= tailAt_)
            return Verdict::kMatch;
        steps_ += same;
        return steps_ > passed / kBytesPerStep + allowance_ ? Verdict::kScan : Verdict::kGoOn;
    }

private:
    const std::vector<unsigned char>& needle_;
    std::size_t tailAt_;
    std::uint64_t allowance_;
    std::uint64_t steps_ = 0;
};

template <bool kFold>
OCTOLUME_SSE2 std::optional<std::size_t> FilterFirst(std::span<const unsigned char> text,
                                                     const Direction& forward, std::size_t first,
                                                     std::size_t last) {
    Filter<kFold> filter(forward.needle);
    std::size_t at = first;
    for (; last - at >= 16; at += 16)
        for (unsigned mask = filter.Candidates(text.data() + at); mask != 0; mask &= mask - 1) {
            const std::size_t window = at + static_cast<unsigned>(__builtin_ctz(mask));
            const auto verdict = filter.Check(text.data() + window, at - first);
            if (verdict == Filter<kFold>::Verdict::kMatch)
                return window;
            if (verdict == Filter<kFold>::Verdict::kScan)
                return ScanFirst<kFold>(Forwards{text.data()}, forward.needle, at, last);
        }
    if (at == last)
        return std::nullopt;
    return FindFirst<kFold>(Forwards{text.data()}, forward, at, last);
}

template <bool kFold>
OCTOLUME_SSE2 std::optional<std::size_t>
FilterLast(std::span<const unsigned char> text, const Direction& forward, const Direction& backward,
           std::size_t first, std::size_t last) {
    Filter<kFold> filter(forward.needle);
    std::size_t end = last;
    for (; end - first >= 16; end -= 16)
        for (unsigned mask = filter.Candidates(text.data() + end - 16); mask != 0;) {
            const unsigned bit = 31 - static_cast<unsigned>(__builtin_clz(mask));
            mask &= ~(1u << bit);
            const std::size_t window = end - 16 + bit;
            const auto verdict = filter.Check(text.data() + window, last - end);
            if (verdict == Filter<kFold>::Verdict::kMatch)
                return window;
            if (verdict == Filter<kFold>::Verdict::kScan)
                return ScanLast<kFold>(text, backward, first, end);
        }
    if (end == first)
        return std::nullopt;
    return SkipsLast<kFold>(text, backward, first, end);
}

#endif

// Calls search(fold, last) with `last` cut to the text's `windows`, unless that leaves the
// range empty: `fold` is std::true_type when folding, std::false_type when not, so that
// each way gets code of its own.
template <class Search>
std::optional<std::size_t> InRange(bool foldCase, std::size_t windows, std::size_t first,
                                   std::size_t last, Search&& search) {
    last = std::min(last, windows);
    if (first >= last)
        return std::nullopt;
    return foldCase ? search(std::true_type{}, last) : search(std::false_type{}, last);
}

Direction ReadAs(std::vector<unsigned char> folded, bool foldCase) {
    Direction direction{std::move(folded), {}};
    const std::size_t length = direction.needle.size();
    direction.skip.fill(length);
    for (std::size_t at = 0; at + 1 < length; ++at) {
        const unsigned char byte = direction.needle[at];
        direction.skip[byte] = length - 1 - at;
        if (foldCase && byte >= 'a' && byte <= 'z')
            direction.skip[byte - 32] = length - 1 - at;
    }
    return direction;
}

std::vector<unsigned char> FoldedBytes(std::span<const unsigned char> bytes, bool foldCase) {
    std::vector<unsigned char> folded(bytes.begin(), bytes.end());
    if (foldCase)
        for (unsigned char& byte : folded)
            byte = kFolded[byte];
    return folded;
}

} // namespace

std::span<const SearchPath> AvailableSearchPaths() {
    static const std::vector<SearchPath> paths = [] {
        std::vector<SearchPath> available{SearchPath::kSkips};
#ifdef OCTOLUME_SSE2_SEARCH
        if (CpuHasSse2())
            available.push_back(SearchPath::kSse2);
#endif
        return available;
    }();
    return paths;
}

ByteSearcher::ByteSearcher(std::span<const unsigned char> needle, bool foldCase)
    : ByteSearcher(needle, foldCase, AvailableSearchPaths().back()) {}

ByteSearcher::ByteSearcher(std::span<const unsigned char> needle, bool foldCase, SearchPath path)
    : foldCase_(foldCase), path_(path), forward_(ReadAs(FoldedBytes(needle, foldCase), foldCase)) {
    std::vector<unsigned char> reversed = forward_.needle;
    std::reverse(reversed.begin(), reversed.end());
    backward_ = ReadAs(std::move(reversed), foldCase);
}

std::size_t ByteSearcher::WindowsIn(std::span<const unsigned char> text) const noexcept {
    return Length() == 0 || text.size() < Length() ? 0 : text.size() - Length() + 1;
}

std::optional<std::size_t> ByteSearcher::First(std::span<const unsigned char> text,
                                               std::size_t first, std::size_t last) const {
    return InRange(foldCase_, WindowsIn(text), first, last, [&](auto fold, std::size_t end) {
        constexpr bool kFold = decltype(fold)::value;
#ifdef OCTOLUME_SSE2_SEARCH
        if (path_ == SearchPath::kSse2)
            return FilterFirst<kFold>(text, forward_, first, end);
#endif
        return FindFirst<kFold>(Forwards{text.data()}, forward_, first, end);
    });
}

std::optional<std::size_t> ByteSearcher::Last(std::span<const unsigned char> text,
                                              std::size_t first, std::size_t last) const {
    return InRange(foldCase_, WindowsIn(text), first, last, [&](auto fold, std::size_t end) {
        constexpr bool kFold = decltype(fold)::value;
#ifdef OCTOLUME_SSE2_SEARCH
        if (path_ == SearchPath::kSse2)
            return FilterLast<kFold>(text, forward_, backward_, first, end);
#endif
        return SkipsLast<kFold>(text, backward_, first, end);
    });
}

} // namespace octolume
