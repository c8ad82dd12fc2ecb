#include "dump_colors.h"

#include "dump_format.h"
#include "dump_layout.h"

#include <algorithm>
#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <utility>

namespace octolume {

namespace {

using namespace dump_layout;

// Every class's code has five characters, which the lines copy as a block.
constexpr std::size_t kCodeSize = 5;
constexpr std::array<char[kCodeSize + 1], 5> kCodes = {{
    "\x1b[90m", // NUL: dark grey
    "\x1b[36m", // printable: cyan
    "\x1b[32m", // white space: green
    "\x1b[35m", // other controls: magenta
    "\x1b[33m", // above 7F: yellow
}};

constexpr std::array<ByteClass, 256> kClasses = [] {
    std::array<ByteClass, 256> classes{};
    for (std::size_t byte = 0; byte < 256; ++byte)
        classes[byte] = ClassOf(static_cast<unsigned char>(byte));
    return classes;
}();

constexpr std::string_view kHeader =
    "\x1b[2mOffset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\x1b[0m\r\n";

// The offset at its widest (16 digits), its dim and reset, two runs of 16 colours, the
// resets before the bars, and the plain line's blanks, bars and line end.
constexpr std::size_t kMostLine = kLineSize + 8 + kDimCode.size() + 2 * kResetCode.size() +
                                  2 * kBytesPerLine * kCodeSize + kResetCode.size();

// A byte's piece of a line as an eight-byte word for one store, of which only the first
// `length` characters count: its hex pair and a blank, or its character, each with its
// class's code before it where the class differs from the byte's before it.
struct Piece {
    std::uint64_t text = 0;
    std::uint64_t length = 0;
};

constexpr std::uint64_t Word(std::string_view text) {
    std::uint64_t word = 0;
    // Little-endian, as x86 and ARM store it: the first character in the lowest byte.
    for (std::size_t i = text.size(); i-- > 0;)
        word = word << 8 | static_cast<unsigned char>(text[i]);
    return word;
}

// By the byte times two, plus one where its class changes.
struct Pieces {
    std::array<Piece, 512> pair;
    std::array<Piece, 512> shown;
};

constexpr Pieces kPieces = [] {
    Pieces pieces{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        const std::string_view code(kCodes[static_cast<std::size_t>(kClasses[byte])], kCodeSize);
        const char pair[] = {kHexDigits[byte >> 4], kHexDigits[byte & 0xF], ' ', ' '};
        const char shown =
            IsShown(static_cast<unsigned char>(byte)) ? static_cast<char>(byte) : '.';
        pieces.pair[2 * byte] = {Word({pair, 4}), 3};
        pieces.pair[2 * byte + 1] = {Word(code) | Word({pair, 3}) << (8 * kCodeSize),
                                     kCodeSize + 3};
        pieces.shown[2 * byte] = {Word({&shown, 1}), 1};
        pieces.shown[2 * byte + 1] = {Word(code) | Word({&shown, 1}) << (8 * kCodeSize),
                                      kCodeSize + 1};
    }
    return pieces;
}();

// The words above are laid out for stores in this byte order.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(Piece) == 16);

constexpr std::array<char, 64> kBlanks = [] {
    std::array<char, 64> blanks{};
    blanks.fill(' ');
    return blanks;
}();

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// The eight hex digits of 32 bits at once: each nibble spread into a byte of its own,
// then '0' added, and 7 more for A to F.
std::uint64_t HexDigitsOf(std::uint32_t value) {
    std::uint64_t v = value;
    v = (v | v << 16) & 0x0000FFFF0000FFFFull;
    v = (v | v << 8) & 0x00FF00FF00FF00FFull;
    v = (v | v << 4) & 0x0F0F0F0F0F0F0F0Full; // nibbles, the lowest first
    const std::uint64_t letters = ((v + 0x0606060606060606ull) >> 4) & 0x0101010101010101ull;
    const std::uint64_t digits = v + 0x3030303030303030ull + letters * 7;
    return __builtin_bswap64(digits); // the highest digit first in memory
}

// Eight digits below 4 GiB, the digits needed above, as the plain lines have them.
char* PutOffset(char* out, std::uint64_t offset) {
    std::size_t high = 0;
    for (std::uint64_t rest = offset >> 32; rest != 0; rest >>= 4)
        ++high;
    for (std::size_t i = high; i-- > 0;)
        out[high - 1 - i] = kHexDigits[(offset >> (32 + 4 * i)) & 0xF];
    const std::uint64_t low = HexDigitsOf(static_cast<std::uint32_t>(offset));
    std::memcpy(out + high, &low, 8);
    return out + high + kOffsetDigits;
}

// Each byte's place in a table of pieces, in bytes: of its entry at twice the byte, plus
// one where its class differs from the byte's before it (always for the first).
void PieceIndexes(const unsigned char* bytes, std::size_t count, std::uint16_t* indexes) {
    unsigned current = 0xFF;
    for (std::size_t i = 0; i < count; ++i) {
        const auto byteClass = static_cast<unsigned>(kClasses[bytes[i]]);
        indexes[i] =
            static_cast<std::uint16_t>((2 * bytes[i] + (byteClass != current)) * sizeof(Piece));
        current = byteClass;
    }
}

#if defined(__SSE2__)
// The same for a full line, sixteen bytes at once: the classes by comparisons (signed:
// bytes from 80 on count as negative), each against its neighbour's.
void PieceIndexes(const unsigned char* bytes, std::uint16_t* indexes) {
    const __m128i data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i zero = _mm_setzero_si128();
    const __m128i nul = _mm_cmpeq_epi8(data, zero);
    const __m128i high = _mm_cmplt_epi8(data, zero);
    const __m128i fromTab = _mm_sub_epi8(data, _mm_set1_epi8(9));
    const __m128i white =
        _mm_or_si128(_mm_cmpeq_epi8(data, _mm_set1_epi8(' ')),
                     _mm_cmpeq_epi8(_mm_min_epu8(fromTab, _mm_set1_epi8(4)), fromTab));
    const __m128i below =
        _mm_andnot_si128(high, _mm_cmplt_epi8(data, _mm_set1_epi8(0x20))); // 00 to 1F
    const __m128i control = _mm_andnot_si128(
        _mm_or_si128(nul, white), _mm_or_si128(below, _mm_cmpeq_epi8(data, _mm_set1_epi8(0x7F))));
    const __m128i printable = _mm_andnot_si128(
        _mm_or_si128(_mm_or_si128(nul, high), _mm_or_si128(white, control)), _mm_set1_epi8(-1));
    // The numbers of ByteClass: NUL 0, printable 1, white space 2, control 3, high 4.
    const __m128i classes = _mm_or_si128(_mm_or_si128(_mm_and_si128(printable, _mm_set1_epi8(1)),
                                                      _mm_and_si128(white, _mm_set1_epi8(2))),
                                         _mm_or_si128(_mm_and_si128(control, _mm_set1_epi8(3)),
                                                      _mm_and_si128(high, _mm_set1_epi8(4))));
    const __m128i before =
        _mm_or_si128(_mm_slli_si128(classes, 1), _mm_cvtsi32_si128(0xFF)); // none before the first
    const __m128i changed = _mm_andnot_si128(_mm_cmpeq_epi8(classes, before),
                                             _mm_set1_epi8(static_cast<char>(sizeof(Piece))));
    const __m128i low = _mm_unpacklo_epi8(data, zero), highHalf = _mm_unpackhi_epi8(data, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(indexes),
                     _mm_add_epi16(_mm_slli_epi16(low, 5), _mm_unpacklo_epi8(changed, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(indexes + 8),
                     _mm_add_epi16(_mm_slli_epi16(highHalf, 5), _mm_unpackhi_epi8(changed, zero)));
}
#else
void PieceIndexes(const unsigned char* bytes, std::uint16_t* indexes) {
    PieceIndexes(bytes, kBytesPerLine, indexes);
}
#endif

// One store a byte, without a branch on the bytes, whose classes follow no pattern a
// processor could guess. Each store reaches up to 8 characters ahead.
inline char* PutPiece(const std::array<Piece, 512>& pieces, std::uint16_t at, char* out) {
    const Piece& piece =
        *reinterpret_cast<const Piece*>(reinterpret_cast<const unsigned char*>(pieces.data()) + at);
    std::memcpy(out, &piece.text, 8);
    return out + piece.length;
}

// The hex pairs with the blanks after them (two after the eighth), the characters.
template <std::size_t... index>
char* PutFullLineBytes(const unsigned char* bytes, char* out, std::index_sequence<index...>) {
    std::uint16_t indexes[kBytesPerLine];
    PieceIndexes(bytes, indexes);
    ((out = PutPiece(kPieces.pair, indexes[index], out), index == 7 ? void(*out++ = ' ') : void()),
     ...);
    // The last pair's blank and the blanks up to the bar.
    out = Put(out - 1, kResetCode);
    out = Put(out, "  |");
    ((out = PutPiece(kPieces.shown, indexes[index], out)), ...);
    return out;
}

char* PutShortLineBytes(const unsigned char* bytes, std::size_t count, char* out) {
    std::uint16_t indexes[kBytesPerLine];
    PieceIndexes(bytes, count, indexes);
    for (std::size_t i = 0; i < count; ++i) {
        out = PutPiece(kPieces.pair, indexes[i], out);
        if (i == kBytesPerLine / 2 - 1)
            *out++ = ' ';
    }
    out -= count == kBytesPerLine / 2 ? 2 : 1; // the last pair's blanks
    out = Put(out, kResetCode);
    // The blanks of the missing bytes, then the plain line's "  |".
    const std::size_t blanks = kCharacterColumn - 1 - (HexDigitsColumn(count - 1) + 2);
    std::memcpy(out, kBlanks.data(), kBlanks.size());
    out += blanks;
    *out++ = '|';
    for (std::size_t i = 0; i < count; ++i)
        out = PutPiece(kPieces.shown, indexes[i], out);
    return out;
}

// Writes up to kBlanks.size() characters past what it returns.
char* PutLine(const unsigned char* bytes, std::size_t count, std::uint64_t offset, char* out) {
    out = Put(out, kDimCode);
    out = PutOffset(out, offset);
    out = Put(out, kResetCode);
    *out++ = ' ';
    *out++ = ' ';
    out = count == kBytesPerLine
              ? PutFullLineBytes(bytes, out, std::make_index_sequence<kBytesPerLine>())
              : PutShortLineBytes(bytes, count, out);
    out = Put(out, kResetCode);
    return Put(out, "|\r\n");
}

} // namespace

std::string_view ColorCode(ByteClass byteClass) {
    return {kCodes[static_cast<std::size_t>(byteClass)], kCodeSize};
}

std::string_view ColoredDumpHeader() {
    return kHeader;
}

std::size_t ColoredDumpLinesMostSize(std::size_t byteCount) {
    // A line's stores reach past its end, at most as far as its longest one.
    return (byteCount + kBytesPerLine - 1) / kBytesPerLine * kMostLine + kBlanks.size();
}

char* FormatColoredDumpLines(std::span<const unsigned char> bytes, std::uint64_t firstOffset,
                             char* out) {
    for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine)
        out = PutLine(bytes.data() + at, std::min(kBytesPerLine, bytes.size() - at),
                      firstOffset + at, out);
    return out;
}

} // namespace octolume
