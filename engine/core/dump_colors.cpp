#include "dump_colors.h"

#include "dump_format.h"
#include "dump_layout.h"

#include <array>
#include <cstring>

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

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* PutCode(char* out, ByteClass byteClass) {
    std::memcpy(out, kCodes[static_cast<std::size_t>(byteClass)], kCodeSize);
    return out + kCodeSize;
}

// Eight digits below 4 GiB, the digits needed above, as the plain lines have them.
char* PutOffset(char* out, std::uint64_t offset) {
    std::size_t digits = kOffsetDigits;
    for (std::uint64_t high = offset >> 32; high != 0; high >>= 4)
        ++digits;
    for (std::size_t i = digits; i-- > 0; offset >>= 4)
        out[i] = kHexDigits[offset & 0xF];
    return out + digits;
}

char* PutLine(const unsigned char* bytes, std::size_t count, std::uint64_t offset, char* out) {
    out = Put(out, kDimCode);
    out = PutOffset(out, offset);
    out = Put(out, kResetCode);
    *out++ = ' ';
    *out++ = ' ';
    ByteClass current = kClasses[bytes[0]];
    out = PutCode(out, current);
    for (std::size_t i = 0; i < count; ++i) {
        const ByteClass byteClass = kClasses[bytes[i]];
        if (byteClass != current) {
            out = PutCode(out, byteClass);
            current = byteClass;
        }
        *out++ = kHexDigits[bytes[i] >> 4];
        *out++ = kHexDigits[bytes[i] & 0xF];
        if (i + 1 < count) {
            *out++ = ' ';
            if (i + 1 == kBytesPerLine / 2)
                *out++ = ' ';
        }
    }
    out = Put(out, kResetCode);
    // The blanks of the missing bytes of a short line, then the plain line's "  |".
    const std::size_t blanks = kCharacterColumn - 1 - (HexDigitsColumn(count - 1) + 2);
    std::memset(out, ' ', blanks);
    out += blanks;
    *out++ = '|';
    current = kClasses[bytes[0]];
    out = PutCode(out, current);
    for (std::size_t i = 0; i < count; ++i) {
        const ByteClass byteClass = kClasses[bytes[i]];
        if (byteClass != current) {
            out = PutCode(out, byteClass);
            current = byteClass;
        }
        *out++ = IsShown(bytes[i]) ? static_cast<char>(bytes[i]) : '.';
    }
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
    return (byteCount + kBytesPerLine - 1) / kBytesPerLine * kMostLine;
}

char* FormatColoredDumpLines(std::span<const unsigned char> bytes, std::uint64_t firstOffset,
                             char* out) {
    for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine)
        out = PutLine(bytes.data() + at, std::min(kBytesPerLine, bytes.size() - at),
                      firstOffset + at, out);
    return out;
}

} // namespace octolume
