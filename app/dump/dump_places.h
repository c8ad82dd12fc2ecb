#pragma once
// Where things are in the lines of a dump, as the view shows them: which byte a column
// holds, which bytes a selection covers, what a double-click takes as a word, what the
// selection offers Find as its query and where the next search starts. No window needed.
//
//   Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII
//   00000010  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0D 0A 00  |Hello, world!...|
//
// Offsets of 4 GiB and more have more than eight digits, and every later column moves
// right by as many.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace octolume {

// One line of a dump: the header, a line of 1 to 16 bytes, or the empty line after the
// last line's break (no bytes, its first byte the file's size).
struct DumpLine {
    bool header = false;
    std::uint64_t firstByte = 0;
    std::size_t byteCount = 0;
    std::size_t extraDigits = 0;
};

// Line `row` of a dump of `fileSize` bytes: row 0 is the header, row r >= 1 shows the bytes
// from 16 (r - 1) on; rows past the last byte are empty.
DumpLine DumpLineOfRow(std::uint64_t row, std::uint64_t fileSize) noexcept;
// The digits an offset has above the usual eight.
std::size_t ExtraOffsetDigits(std::uint64_t offset) noexcept;

// Columns of a line's parts.
std::size_t OffsetWidth(const DumpLine& line) noexcept;
std::size_t HexColumn(const DumpLine& line, std::size_t byteInLine) noexcept;
std::size_t CharacterColumn(const DumpLine& line, std::size_t byteInLine) noexcept;
// The bars around the characters: the first and the one after the last character.
std::size_t OpeningBarColumn(const DumpLine& line) noexcept;
std::size_t ClosingBarColumn(const DumpLine& line) noexcept;

// What the character at a column of a line shows.
enum class DumpPart {
    kOther,     // the header, an empty line, or past the closing bar
    kOffset,    // a digit of the offset
    kHexDigit,  // one of the two digits of byte `byte`'s pair
    kHexBlank,  // a blank before byte `byte`'s pair (`byte` is the count after the last pair)
    kBar,       // one of the two bars
    kCharacter, // byte `byte`'s character
};
struct DumpCell {
    DumpPart part = DumpPart::kOther;
    std::size_t byte = 0; // within the line
};
DumpCell DumpCellAt(const DumpLine& line, std::size_t column) noexcept;

// The byte the caret stands on, for the inspector: the caret sits in front of the character
// at `column`. The byte whose hex pair or character is on either side of it (the one after
// it first: a caret at a pair's start or between its digits is on that pair, one right after
// its last digit too); on a blank between pairs, the next pair's; on the offset, the header
// or the opening bar, the line's first byte; past the last pair or the closing bar, the
// line's last. On the empty line after the last, the file's size: no byte.
std::uint64_t CaretByte(const DumpLine& line, std::size_t column) noexcept;

// The byte a search from a place in the selection starts with: a caret, or the start of a
// selection, sits in front of the character at `column`. Forwards from a selection that
// starts on a byte's pair or character, the search starts after that byte, so that a match
// is not found again; otherwise at the first byte at or after the place (the line's first on
// the offset, the next line's past the closing bar). Backwards, it looks before that byte.
std::uint64_t SearchStartByte(const DumpLine& line, std::size_t column, bool selectionEmpty,
                              bool backwards) noexcept;

// The word a double-click in front of a column takes, as columns [first, last) of the line
// whose text is `lineText`: one hex pair, the offset, or the run of characters between the
// bars that are all blank or all not (never a bar). Nothing for the header, an empty line
// or the blanks between pairs: those take the view's own words.
std::optional<std::pair<std::size_t, std::size_t>>
DumpWordAt(const DumpLine& line, std::wstring_view lineText, std::size_t column) noexcept;

// What a selection offers Find as its query.
struct SelectionQuery {
    std::wstring text;
    bool hex = false;
};
// A selection on one line of hex pairs, whole pairs only, becomes those pairs as Hex bytes;
// one of characters of the ASCII column (the bars left out) becomes those characters as
// Text; anything else (the offset, both columns, a part of a pair, several lines) nothing.
// `lineText` is the line's text, `first` and `last` the selected columns [first, last).
std::optional<SelectionQuery> QueryFromSelection(const DumpLine& line, std::wstring_view lineText,
                                                 std::size_t first, std::size_t last);

} // namespace octolume
