#include "dump/dump_bytes.h"

#include "engine/core/dump_layout.h"

#include <algorithm>
#include <array>

namespace octolume {

namespace layout = dump_layout;

namespace {

// A line's offset, when it starts with the offset column and the blanks after it.
bool ReadOffset(std::wstring_view line, std::size_t& offset) {
    if (line.size() < layout::kHexColumn || line[layout::kOffsetDigits] != L' ' ||
        line[layout::kOffsetDigits + 1] != L' ')
        return false;
    offset = 0;
    for (std::size_t at = 0; at < layout::kOffsetDigits; ++at) {
        const std::uint8_t value = layout::HexDigitValue(line[at]);
        if (value == layout::kNotAHexDigit)
            return false;
        offset = offset * 16 + static_cast<std::size_t>(value);
    }
    return true;
}

// The line's hex pairs into `out`, up to the first column without one; their number.
std::size_t ReadPairs(std::wstring_view line, unsigned char* out) {
    std::size_t count = 0;
    for (; count < layout::kBytesPerLine; ++count) {
        const std::size_t column = layout::HexDigitsColumn(count);
        if (column + 1 >= line.size())
            break;
        const std::uint8_t high = layout::HexDigitValue(line[column]),
                           low = layout::HexDigitValue(line[column + 1]);
        if (high == layout::kNotAHexDigit || low == layout::kNotAHexDigit)
            break;
        out[count] = static_cast<unsigned char>(high * 16 + low);
    }
    return count;
}

} // namespace

DumpBytes ReadDumpBytes(const LineIndexedText& text) {
    DumpBytes dump;
    dump.textSerial = text.Serial();
    std::size_t line = 0, offset = 0;
    const std::size_t lines = text.LineCount();
    while (line < lines && !ReadOffset(text.Line(line), offset))
        ++line;
    dump.firstLine = line;
    if (line == lines || offset != 0)
        return dump;
    // Every line but the last holds 16 bytes: the text's own size bounds them.
    dump.bytes.resize(std::min(lines - line, text.Length() / layout::kLineSize + 1) *
                      layout::kBytesPerLine);
    std::size_t filled = 0;
    for (; line < lines; ++line) {
        const std::wstring_view characters = text.Line(line);
        if (filled + layout::kBytesPerLine > dump.bytes.size() || !ReadOffset(characters, offset) ||
            offset != filled)
            break;
        const std::size_t count = ReadPairs(characters, dump.bytes.data() + filled);
        filled += count;
        if (count < layout::kBytesPerLine)
            break; // a short line is the last
    }
    dump.bytes.resize(filled);
    return dump;
}

std::size_t HexPairPosition(const LineIndexedText& text, const DumpBytes& dump, std::size_t byte) {
    return text.LineStart(dump.firstLine + byte / layout::kBytesPerLine) +
           layout::HexDigitsColumn(byte % layout::kBytesPerLine);
}

std::size_t ByteAtOrAfter(const LineIndexedText& text, const DumpBytes& dump,
                          std::size_t position) {
    const std::size_t line = text.LineOf(position);
    if (line < dump.firstLine)
        return 0;
    const std::size_t row = line - dump.firstLine;
    const std::size_t rowStart = row * layout::kBytesPerLine;
    if (rowStart >= dump.bytes.size())
        return dump.bytes.size();
    const std::size_t column = position - text.LineStart(line);
    std::size_t index = 0;
    while (index < layout::kBytesPerLine && layout::HexDigitsColumn(index) < column)
        ++index;
    return std::min(rowStart + index, dump.bytes.size());
}

} // namespace octolume
