#include "dump/byte_ranges.h"

#include "dump/byte_search.h"
#include "dump/dump_places.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace octolume {

namespace {

struct Covered {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};

// The bytes of a row whose pair or character lies in columns [from, to).
std::optional<Covered> CoveredInRow(std::uint64_t row, std::size_t from, std::size_t to,
                                    std::uint64_t fileSize) noexcept {
    const DumpLine line = DumpLineOfRow(row, fileSize);
    const auto selected = [&](std::size_t column) { return column >= from && column < to; };
    std::optional<Covered> covered;
    for (std::size_t byte = 0; byte < line.byteCount; ++byte) {
        const std::size_t pair = HexColumn(line, byte);
        if (!selected(pair) && !selected(pair + 1) && !selected(CharacterColumn(line, byte)))
            continue;
        const std::uint64_t offset = line.firstByte + byte;
        if (!covered)
            covered = Covered{offset, offset};
        covered->last = offset;
    }
    return covered;
}

// The first byte at or after a place, in the column the place is in: the byte of the pair
// or character it is in front of or inside, else the next one in reading order.
std::uint64_t StartByteAt(const DumpPlace& place, std::uint64_t fileSize) noexcept {
    const DumpLine line = DumpLineOfRow(place.row, fileSize);
    const DumpCell cell = DumpCellAt(line, place.column);
    switch (cell.part) {
    case DumpPart::kOffset:
        return line.firstByte;
    case DumpPart::kHexDigit:
    case DumpPart::kHexBlank:
    case DumpPart::kCharacter:
    case DumpPart::kBar: // the opening one before byte 0, the closing one after the last
        return line.firstByte + cell.byte;
    case DumpPart::kOther: // the header, an empty line, past the closing bar
        break;
    }
    return line.firstByte + line.byteCount;
}

// The byte after the last one that ends before a place: the one whose pair or character
// holds the last character selected, taken in the column that character is in.
std::uint64_t EndByteAt(const DumpPlace& place, std::uint64_t fileSize) noexcept {
    const DumpLine line = DumpLineOfRow(place.row, fileSize);
    if (place.column == 0)
        return line.firstByte;
    const DumpCell cell = DumpCellAt(line, place.column - 1);
    switch (cell.part) {
    case DumpPart::kOffset:
        return line.firstByte;
    case DumpPart::kHexDigit:
    case DumpPart::kCharacter:
        return line.firstByte + cell.byte + 1;
    case DumpPart::kHexBlank:
    case DumpPart::kBar:
        return line.firstByte + cell.byte;
    case DumpPart::kOther:
        break;
    }
    return line.firstByte + line.byteCount;
}

ByteSelection Between(std::uint64_t first, std::uint64_t last) noexcept {
    return {first, last - first + 1};
}

std::wstring Number(std::uint64_t value, bool decimal) {
    wchar_t text[24];
    std::swprintf(text, 24, decimal ? L"%llu" : L"%llX", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

ByteSelection SelectedBytes(DumpPlace from, DumpPlace to, std::uint64_t fileSize) noexcept {
    if (to < from)
        std::swap(from, to);
    if (from.row == to.row) {
        const std::optional<Covered> covered =
            CoveredInRow(from.row, from.column, to.column, fileSize);
        return covered ? Between(covered->first, covered->last) : ByteSelection{};
    }
    // Across lines each end counts in its own column: from the pairs of one line down to the
    // pairs of another means the bytes between them, not also the characters of the first
    // line that the text in between happens to hold.
    const std::uint64_t first = StartByteAt(from, fileSize);
    const std::uint64_t end = EndByteAt(to, fileSize);
    return end > first ? ByteSelection{first, end - first} : ByteSelection{};
}

ParsedBlock ParseBlock(const BlockFields& fields, std::uint64_t fileSize) {
    const ParsedOffset start = ParseOffset(fields.start, fields.decimal, fileSize);
    if (!start.offset)
        return {std::nullopt, start.refusal, BlockField::kStart};
    const std::uint64_t first = *start.offset;
    const std::uint64_t longest = fileSize - first;
    const auto refuse = [](std::wstring why) {
        return ParsedBlock{std::nullopt, std::move(why), BlockField::kSecond};
    };
    const std::wstring quoted = QuotedQuery(fields.second);
    if (fields.endChosen) {
        const std::wstring range = L"A block from " + HexAndDecimal(first) + L" ends at " +
                                   (longest == 1 ? L"" : HexAndDecimal(first) + L" to ") +
                                   HexAndDecimal(fileSize - 1) + L".";
        const TypedNumber end =
            ParseTypedNumber(fields.second, fields.decimal, L"end offset", range);
        if (!end.value)
            return refuse(end.refusal);
        if (*end.value < first)
            return refuse(quoted + L" lies before the start. " + range);
        if (*end.value >= fileSize)
            return refuse(quoted + L" lies beyond the dump. " + range);
        return {Between(first, *end.value), {}, BlockField::kSecond};
    }
    const std::wstring range =
        L"A block from " + HexAndDecimal(first) +
        (longest == 1 ? std::wstring(L" is 1 byte long.")
                      : L" is 1 to " + HexAndDecimal(longest) + L" bytes long.");
    const TypedNumber length = ParseTypedNumber(fields.second, fields.decimal, L"length", range);
    if (!length.value)
        return refuse(length.refusal);
    if (*length.value == 0)
        return refuse(quoted + L" selects no bytes. " + range);
    if (*length.value > longest)
        return refuse(quoted + L" runs past the end of the dump. " + range);
    return {ByteSelection{first, *length.value}, {}, BlockField::kSecond};
}

std::wstring BlockSecondText(const ByteSelection& block, bool endChosen, bool decimal) {
    return Number(endChosen ? block.first + block.count - 1 : block.count, decimal);
}

} // namespace octolume
