#pragma once
// The layout of one dump line, described once as a table of columns, from which every
// formatting path (plain and vector) takes its constants:
//
//   00000000  4D 5A 90 00 03 00 00 00  04 00 00 00 FF FF 00 00  |MZ..............|CR LF
//
// A full line of an offset below 4 GiB is 80 characters, CR LF included. Offsets of
// 4 GiB and more put their higher digits in front of the low eight.

#include <array>
#include <cstddef>
#include <cstdint>

namespace octolume::dump_layout {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kOffsetDigits = 8;
constexpr std::size_t kHexColumn = kOffsetDigits + 2;
constexpr std::size_t kHexWidth = 48;
constexpr std::size_t kCharacterColumn = kHexColumn + kHexWidth + 3;    // after "  |"
constexpr std::size_t kLineSize = kCharacterColumn + kBytesPerLine + 3; // "|" CR LF

// Where the two hex digits of the line's byte `index` start: three columns a byte, with
// one more blank between the two groups of eight.
constexpr std::size_t HexDigitsColumn(std::size_t index) {
    return kHexColumn + 3 * index + (index >= 8 ? 1 : 0);
}

// The size of a line holding `count` bytes (1 to 16) at an offset below 4 GiB.
constexpr std::size_t LineSize(std::size_t count) {
    return kLineSize - (kBytesPerLine - count);
}

// What each column of a full line shows.
enum class Source : std::uint8_t {
    kFixed,       // `fixed` itself: blank, bar, CR or LF
    kOffsetDigit, // digit `index` (0 = most significant) of the offset's low 32 bits
    kHexDigit,    // digit `index` of the line's bytes in hex: byte index/2, high digit first
    kCharacter,   // byte `index` as a character, or a dot
};

struct Column {
    Source source = Source::kFixed;
    std::uint8_t index = 0;
    char fixed = ' ';
};

constexpr std::array<Column, kLineSize> kColumns = [] {
    std::array<Column, kLineSize> columns{};
    for (std::size_t digit = 0; digit < kOffsetDigits; ++digit)
        columns[digit] = {Source::kOffsetDigit, static_cast<std::uint8_t>(digit), 0};
    for (std::size_t byte = 0; byte < kBytesPerLine; ++byte) {
        const std::size_t column = HexDigitsColumn(byte);
        columns[column] = {Source::kHexDigit, static_cast<std::uint8_t>(2 * byte), 0};
        columns[column + 1] = {Source::kHexDigit, static_cast<std::uint8_t>(2 * byte + 1), 0};
        columns[kCharacterColumn + byte] = {Source::kCharacter, static_cast<std::uint8_t>(byte), 0};
    }
    columns[kCharacterColumn - 1].fixed = '|';
    columns[kLineSize - 3].fixed = '|';
    columns[kLineSize - 2].fixed = '\r';
    columns[kLineSize - 1].fixed = '\n';
    return columns;
}();

// A full line's fixed characters, with blanks where the offset, digits and characters go.
constexpr std::array<char, kLineSize> kLineTemplate = [] {
    std::array<char, kLineSize> line{};
    for (std::size_t i = 0; i < kLineSize; ++i)
        line[i] = kColumns[i].source == Source::kFixed ? kColumns[i].fixed : ' ';
    return line;
}();

constexpr char kHexDigits[] = "0123456789ABCDEF";

// What a hex digit of either case stands for, as an edited dump or a typed query may have
// it; kNotAHexDigit for every other character.
constexpr std::uint8_t kNotAHexDigit = 0xFF;
constexpr std::array<std::uint8_t, 256> kHexDigitValues = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(kNotAHexDigit);
    for (std::uint8_t digit = 0; digit < 16; ++digit) {
        values[static_cast<unsigned char>(kHexDigits[digit])] = digit;
        values[static_cast<unsigned char>(kHexDigits[digit] | 0x20)] = digit; // a-f; 0-9 stay
    }
    return values;
}();
constexpr std::uint8_t HexDigitValue(char32_t character) {
    return character < kHexDigitValues.size() ? kHexDigitValues[character] : kNotAHexDigit;
}

constexpr bool IsShown(unsigned char byte) {
    return byte >= 0x20 && byte <= 0x7E;
}

} // namespace octolume::dump_layout
