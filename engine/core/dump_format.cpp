#include "dump_format.h"

#include <algorithm>
#include <string_view>

namespace octolume {

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kHeader =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII";
// "00000000  " + 48 hex columns + "  |" + 16 characters + "|"
constexpr std::size_t kOffsetWidth = 8;
constexpr std::size_t kHexWidth = 48;
constexpr std::size_t kFullLineWidth = kOffsetWidth + 2 + kHexWidth + 3 + kBytesPerLine + 1;

constexpr char kHexDigits[] = "0123456789ABCDEF";

char* PutOffset(char* out, std::size_t offset) {
    for (std::size_t digit = kOffsetWidth; digit-- > 0;) {
        out[digit] = kHexDigits[offset & 0xF];
        offset >>= 4;
    }
    return out + kOffsetWidth;
}

char* PutLine(char* out, std::size_t offset, const unsigned char* bytes, std::size_t count) {
    out = PutOffset(out, offset);
    *out++ = ' ';
    *out++ = ' ';

    char* hex = out;
    std::fill_n(hex, kHexWidth, ' ');
    for (std::size_t i = 0; i < count; ++i) {
        // Pairs are 3 columns apart, with one extra blank between the two groups of 8.
        char* pair = hex + i * 3 + (i >= 8 ? 1 : 0);
        pair[0] = kHexDigits[bytes[i] >> 4];
        pair[1] = kHexDigits[bytes[i] & 0xF];
    }
    out += kHexWidth;

    *out++ = ' ';
    *out++ = ' ';
    *out++ = '|';
    for (std::size_t i = 0; i < count; ++i)
        *out++ = (bytes[i] >= 0x20 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : '.';
    *out++ = '|';
    *out++ = kLineEnd[0];
    *out++ = kLineEnd[1];
    return out;
}

} // namespace

std::string FormatDump(std::span<const unsigned char> bytes, std::uint64_t fileSize) {
    const std::size_t shown = std::min(bytes.size(), kDumpByteLimit);
    const std::size_t fullLines = shown / kBytesPerLine;
    const std::size_t tail = shown % kBytesPerLine;

    std::string note;
    if (fileSize > shown) {
        note = "--- Dump truncated: showing the first " + std::to_string(shown) + " of " +
               std::to_string(fileSize) + " bytes ---";
        note += kLineEnd;
    }

    // Every byte of the text is written once into a buffer sized up front: a 2 MiB file
    // makes about 10 MB of text.
    std::size_t size = kHeader.size() + kLineEnd.size();
    size += fullLines * (kFullLineWidth + kLineEnd.size());
    if (tail != 0)
        size += kFullLineWidth - (kBytesPerLine - tail) + kLineEnd.size();
    size += note.size();

    std::string text(size, '\0');
    char* out = text.data();
    out = std::copy(kHeader.begin(), kHeader.end(), out);
    out = std::copy(kLineEnd.begin(), kLineEnd.end(), out);
    for (std::size_t offset = 0; offset < shown; offset += kBytesPerLine)
        out = PutLine(out, offset, bytes.data() + offset, std::min(kBytesPerLine, shown - offset));
    std::copy(note.begin(), note.end(), out);
    return text;
}

} // namespace octolume
