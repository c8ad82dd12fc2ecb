#include "view/line_indexed_text.h"

#include <algorithm>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace octolume {

namespace {

// A dump line is 80 characters: a guess that spares the index most of its regrowth.
constexpr std::size_t kTypicalLineLength = 80;

bool IsBreak(wchar_t character) {
    // Most characters are no break: one comparison sends them on.
    return character <= L'\r' && (character == L'\r' || character == L'\n');
}

// The first CR or LF from `at` on, or `length`.
std::size_t PlainNextBreak(const wchar_t* characters, std::size_t at, std::size_t length) {
    while (at < length && !IsBreak(characters[at]))
        ++at;
    return at;
}

#if defined(__i386__) || defined(__x86_64__)
// Eight characters at a time: most runs of eight hold no break. Even SSE2 is not a given
// on the 32-bit build, so the processor is asked first.
__attribute__((target("sse2"))) std::size_t Sse2NextBreak(const wchar_t* characters, std::size_t at,
                                                          std::size_t length) {
    static_assert(sizeof(wchar_t) == 2, "UTF-16 code units");
    const __m128i cr = _mm_set1_epi16(L'\r'), lf = _mm_set1_epi16(L'\n');
    for (; at + 8 <= length; at += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(characters + at));
        const int breaks =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(eight, cr), _mm_cmpeq_epi16(eight, lf)));
        if (breaks != 0)
            return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(breaks))) / 2;
    }
    return PlainNextBreak(characters, at, length);
}

using NextBreakFunction = std::size_t (*)(const wchar_t*, std::size_t, std::size_t);

NextBreakFunction FastestNextBreak() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2") ? &Sse2NextBreak : &PlainNextBreak;
}
#else
using NextBreakFunction = std::size_t (*)(const wchar_t*, std::size_t, std::size_t);

NextBreakFunction FastestNextBreak() {
    return &PlainNextBreak;
}
#endif

} // namespace

void LineIndexedText::Assign(std::wstring text) {
    std::vector<std::size_t> starts;
    starts.reserve(text.size() / kTypicalLineLength);
    std::size_t longest = 0, lineStart = 0;
    const wchar_t* const characters = text.data();
    const std::size_t length = text.size();
    static const NextBreakFunction nextBreak = FastestNextBreak();
    for (std::size_t at = nextBreak(characters, 0, length); at < length;
         at = nextBreak(characters, at + 1, length)) {
        longest = std::max(longest, at - lineStart);
        if (characters[at] == L'\r' && at + 1 < length && characters[at + 1] == L'\n')
            ++at;
        lineStart = at + 1;
        starts.push_back(lineStart);
    }
    longest = std::max(longest, length - lineStart);

    text_ = std::move(text);
    laterLineStarts_ = std::move(starts);
    longestLine_ = longest;
}

std::uint64_t LineIndexedText::LineStart(std::uint64_t line) const {
    if (line == 0)
        return 0;
    return line <= laterLineStarts_.size() ? laterLineStarts_[line - 1] : text_.size();
}

std::size_t LineIndexedText::LineLength(std::uint64_t line) const {
    if (line >= LineCount())
        return 0;
    const auto start = static_cast<std::size_t>(LineStart(line));
    if (line + 1 == LineCount())
        return text_.size() - start;
    std::size_t end = laterLineStarts_[line];
    // Every line but the last ends in its break: CR LF, or one of the two alone.
    --end;
    if (text_[end] == L'\n' && end > start && text_[end - 1] == L'\r')
        --end;
    return end - start;
}

std::wstring_view LineIndexedText::Line(std::uint64_t line) const {
    return std::wstring_view(text_).substr(static_cast<std::size_t>(LineStart(line)),
                                           LineLength(line));
}

std::uint64_t LineIndexedText::LineOf(std::uint64_t position) const {
    // Lines before the position's: those starting at or before it.
    const auto clamped = static_cast<std::size_t>(std::min<std::uint64_t>(position, text_.size()));
    return static_cast<std::uint64_t>(
        std::upper_bound(laterLineStarts_.begin(), laterLineStarts_.end(), clamped) -
        laterLineStarts_.begin());
}

void LineIndexedText::AppendText(std::uint64_t first, std::uint64_t last, std::wstring& out) const {
    const auto from = static_cast<std::size_t>(std::min<std::uint64_t>(first, text_.size()));
    const auto to = static_cast<std::size_t>(std::min<std::uint64_t>(last, text_.size()));
    if (from < to)
        out.append(text_, from, to - from);
}

} // namespace octolume
