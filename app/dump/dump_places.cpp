#include "dump/dump_places.h"

#include "engine/core/dump_layout.h"

#include <algorithm>

namespace octolume {

namespace layout = dump_layout;

namespace {

bool HoldsBytes(const DumpLine& line) noexcept {
    return !line.header && line.byteCount > 0;
}

// The part a double-click means: a blank of the hex columns, or past the last bar, takes the
// character before it (the pointer was nearer its right edge); a bar takes the character
// beside it.
DumpCell MeantCell(const DumpLine& line, std::size_t column) noexcept {
    DumpCell cell = DumpCellAt(line, column);
    if ((cell.part == DumpPart::kHexBlank || cell.part == DumpPart::kOther) && column > 0)
        cell = DumpCellAt(line, column - 1);
    if (cell.part == DumpPart::kBar)
        cell = {DumpPart::kCharacter, column <= OpeningBarColumn(line) ? 0 : line.byteCount - 1};
    return cell;
}

bool IsBlankAt(std::wstring_view text, std::size_t column) noexcept {
    return column < text.size() && text[column] == L' ';
}

} // namespace

std::size_t ExtraOffsetDigits(std::uint64_t offset) noexcept {
    std::size_t digits = 0;
    for (std::uint64_t high = offset >> 32; high != 0; high >>= 4)
        ++digits;
    return digits;
}

DumpLine DumpLineOfRow(std::uint64_t row, std::uint64_t fileSize) noexcept {
    if (row == 0)
        return {true, 0, 0, 0};
    // Past the last line, the first byte stays the size: rows far out must not overflow.
    const std::uint64_t first = std::min((row - 1) * layout::kBytesPerLine, fileSize);
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize - first, layout::kBytesPerLine));
    return {false, first, count, ExtraOffsetDigits(first)};
}

std::size_t OffsetWidth(const DumpLine& line) noexcept {
    return layout::kOffsetDigits + line.extraDigits;
}
std::size_t HexColumn(const DumpLine& line, std::size_t byteInLine) noexcept {
    return line.extraDigits + layout::HexDigitsColumn(byteInLine);
}
std::size_t CharacterColumn(const DumpLine& line, std::size_t byteInLine) noexcept {
    return line.extraDigits + layout::kCharacterColumn + byteInLine;
}
std::size_t OpeningBarColumn(const DumpLine& line) noexcept {
    return CharacterColumn(line, 0) - 1;
}
std::size_t ClosingBarColumn(const DumpLine& line) noexcept {
    return CharacterColumn(line, line.byteCount);
}

DumpCell DumpCellAt(const DumpLine& line, std::size_t column) noexcept {
    if (!HoldsBytes(line))
        return {};
    if (column < OffsetWidth(line))
        return {DumpPart::kOffset, 0};
    if (column < OpeningBarColumn(line)) {
        for (std::size_t byte = 0; byte < line.byteCount; ++byte) {
            const std::size_t pair = HexColumn(line, byte);
            if (column < pair)
                return {DumpPart::kHexBlank, byte};
            if (column < pair + 2)
                return {DumpPart::kHexDigit, byte};
        }
        return {DumpPart::kHexBlank, line.byteCount};
    }
    if (column == OpeningBarColumn(line) || column == ClosingBarColumn(line))
        return {DumpPart::kBar, column == OpeningBarColumn(line) ? 0 : line.byteCount};
    if (column < ClosingBarColumn(line))
        return {DumpPart::kCharacter, column - CharacterColumn(line, 0)};
    return {};
}

std::uint64_t CaretByte(const DumpLine& line, std::size_t column) noexcept {
    if (!HoldsBytes(line))
        return line.firstByte;
    const auto onByte = [&](const DumpCell& cell) {
        return cell.part == DumpPart::kHexDigit || cell.part == DumpPart::kCharacter;
    };
    if (const DumpCell after = DumpCellAt(line, column); onByte(after))
        return line.firstByte + after.byte;
    if (column > 0)
        if (const DumpCell before = DumpCellAt(line, column - 1); onByte(before))
            return line.firstByte + before.byte;
    const DumpCell cell = DumpCellAt(line, column);
    const std::size_t last = line.byteCount - 1;
    switch (cell.part) {
    case DumpPart::kHexBlank:
        return line.firstByte + std::min(cell.byte, last);
    case DumpPart::kOther: // past the closing bar
        return line.firstByte + last;
    default: // the offset, the opening bar
        return line.firstByte;
    }
}

std::uint64_t SearchStartByte(const DumpLine& line, std::size_t column, bool selectionEmpty,
                              bool backwards) noexcept {
    const DumpCell cell = DumpCellAt(line, column);
    std::size_t atOrAfter = line.byteCount; // past the closing bar: the next line's first
    bool onByte = false;
    switch (cell.part) {
    case DumpPart::kOffset:
        atOrAfter = 0;
        break;
    case DumpPart::kHexDigit:
        // Between the two digits, the byte's pair has begun: the next byte is the first after.
        atOrAfter = column == HexColumn(line, cell.byte) ? cell.byte : cell.byte + 1;
        onByte = true;
        break;
    case DumpPart::kCharacter:
        atOrAfter = cell.byte;
        onByte = true;
        break;
    case DumpPart::kHexBlank:
    case DumpPart::kBar:
        atOrAfter = cell.byte;
        break;
    case DumpPart::kOther:
        if (line.header)
            atOrAfter = 0;
        break;
    }
    const bool pastSelectedByte = !backwards && !selectionEmpty && onByte;
    return line.firstByte + (pastSelectedByte ? cell.byte + 1 : atOrAfter);
}

std::optional<std::pair<std::size_t, std::size_t>>
DumpWordAt(const DumpLine& line, std::wstring_view lineText, std::size_t column) noexcept {
    const DumpCell cell = MeantCell(line, column);
    switch (cell.part) {
    case DumpPart::kOffset:
        return std::pair(std::size_t{0}, OffsetWidth(line));
    case DumpPart::kHexDigit:
        return std::pair(HexColumn(line, cell.byte), HexColumn(line, cell.byte) + 2);
    case DumpPart::kCharacter: {
        // The characters are bytes: a blank is the byte 20, but words still end at it.
        const std::size_t at = CharacterColumn(line, cell.byte);
        const bool blank = IsBlankAt(lineText, at);
        std::size_t first = at, last = at + 1;
        while (first > CharacterColumn(line, 0) && IsBlankAt(lineText, first - 1) == blank)
            --first;
        while (last < ClosingBarColumn(line) && IsBlankAt(lineText, last) == blank)
            ++last;
        return std::pair(first, last);
    }
    default:
        return std::nullopt;
    }
}

std::optional<SelectionQuery> QueryFromSelection(const DumpLine& line, std::wstring_view lineText,
                                                 std::size_t first, std::size_t last) {
    if (!HoldsBytes(line) || first >= last || last > lineText.size())
        return std::nullopt;
    const auto part = [&](std::size_t column) { return DumpCellAt(line, column).part; };
    // Characters of the ASCII column, the bars left out.
    std::size_t from = first, to = last;
    if (part(from) == DumpPart::kBar && from == OpeningBarColumn(line))
        ++from;
    if (to > from && part(to - 1) == DumpPart::kBar && to - 1 == ClosingBarColumn(line))
        --to;
    if (from < to && part(from) == DumpPart::kCharacter && part(to - 1) == DumpPart::kCharacter)
        return SelectionQuery{std::wstring(lineText.substr(from, to - from)), false};
    // Whole hex pairs, blanks around them left out.
    from = first, to = last;
    while (from < to && part(from) == DumpPart::kHexBlank)
        ++from;
    while (to > from && part(to - 1) == DumpPart::kHexBlank)
        --to;
    if (from == to || part(from) != DumpPart::kHexDigit || part(to - 1) != DumpPart::kHexDigit)
        return std::nullopt;
    const std::size_t firstByte = DumpCellAt(line, from).byte;
    const std::size_t lastByte = DumpCellAt(line, to - 1).byte;
    if (from != HexColumn(line, firstByte) || to != HexColumn(line, lastByte) + 2)
        return std::nullopt;
    SelectionQuery query{{}, true};
    for (std::size_t byte = firstByte; byte <= lastByte; ++byte) {
        if (!query.text.empty())
            query.text += L' ';
        query.text += lineText.substr(HexColumn(line, byte), 2);
    }
    return query;
}

} // namespace octolume
