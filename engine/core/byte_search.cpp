#include "byte_search.h"

#include <algorithm>
#include <cstdint>

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

ByteSearcher::ByteSearcher(std::span<const unsigned char> needle, bool foldCase)
    : foldCase_(foldCase), forward_(ReadAs(FoldedBytes(needle, foldCase), foldCase)) {
    std::vector<unsigned char> reversed = forward_.needle;
    std::reverse(reversed.begin(), reversed.end());
    backward_ = ReadAs(std::move(reversed), foldCase);
}

std::optional<std::size_t> ByteSearcher::First(std::span<const unsigned char> text,
                                               std::size_t first, std::size_t last) const {
    const std::size_t length = Length();
    if (length == 0 || text.size() < length)
        return std::nullopt;
    last = std::min(last, text.size() - length + 1);
    if (first >= last)
        return std::nullopt;
    const Forwards bytes{text.data()};
    return foldCase_ ? FindFirst<true>(bytes, forward_, first, last)
                     : FindFirst<false>(bytes, forward_, first, last);
}

std::optional<std::size_t> ByteSearcher::Last(std::span<const unsigned char> text,
                                              std::size_t first, std::size_t last) const {
    const std::size_t length = Length();
    if (length == 0 || text.size() < length)
        return std::nullopt;
    // Windows start at 0 to `starts` - 1; the window at p starts at `starts` - 1 - p in the
    // mirrored text.
    const std::size_t starts = text.size() - length + 1;
    last = std::min(last, starts);
    if (first >= last)
        return std::nullopt;
    const Backwards bytes{text.data() + text.size()};
    const std::optional<std::size_t> mirrored =
        foldCase_ ? FindFirst<true>(bytes, backward_, starts - last, starts - first)
                  : FindFirst<false>(bytes, backward_, starts - last, starts - first);
    if (!mirrored)
        return std::nullopt;
    return starts - 1 - *mirrored;
}

} // namespace octolume
