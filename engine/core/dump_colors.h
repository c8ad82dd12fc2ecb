#pragma once
// The dump's lines in colour, for terminals: each byte's hex pair and its character share
// the colour of the byte's class, the offsets and the header are dim. A colour is set where
// a run of bytes of one class starts and reset before each line's end, so every line stands
// alone (a cut-off dump or a pager shows no colour running on). Without its escape codes the
// text is exactly FormatDumpLines'.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace octolume {

enum class ByteClass : std::uint8_t {
    kNul,        // 00
    kPrintable,  // 21 to 7E
    kWhiteSpace, // tab, LF, VT, FF, CR (09 to 0D) and space (20)
    kControl,    // the other ASCII controls: 01 to 08, 0E to 1F, 7F
    kHigh,       // 80 to FF
};

constexpr ByteClass ClassOf(unsigned char byte) {
    if (byte == 0)
        return ByteClass::kNul;
    if (byte > 0x7F)
        return ByteClass::kHigh;
    if (byte == ' ' || (byte >= 0x09 && byte <= 0x0D))
        return ByteClass::kWhiteSpace;
    if (byte < 0x20 || byte == 0x7F)
        return ByteClass::kControl;
    return ByteClass::kPrintable;
}

// The escape codes (Select Graphic Rendition) of each class, of the dim offsets and of the
// reset.
std::string_view ColorCode(ByteClass byteClass);
inline constexpr std::string_view kDimCode = "\x1b[2m";
inline constexpr std::string_view kResetCode = "\x1b[0m";

// The header line in colour, CR LF included.
std::string_view ColoredDumpHeader();
// The most characters FormatColoredDumpLines writes for `byteCount` bytes.
std::size_t ColoredDumpLinesMostSize(std::size_t byteCount);
// FormatDumpLines in colour; returns the end of what it wrote.
char* FormatColoredDumpLines(std::span<const unsigned char> bytes, std::uint64_t firstOffset,
                             char* out);

} // namespace octolume
