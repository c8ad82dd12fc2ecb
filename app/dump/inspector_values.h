#pragma once
// The texts of the inspector: what the bytes from the caret on mean as numbers, characters,
// times and a GUID; where the caret and the selection are; and what Copy as hex and Copy as
// C array put on the clipboard. No window needed.
//
// Each text depends on its inputs alone (the ANSI row also on the system's code page), so a
// window that keeps the BytesAtCaret and the positions it showed last can skip the work when
// they are unchanged, and the rows' operator== tells it which controls need a new text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace octolume {

// Shown for a value that needs more bytes than the file has after the caret, a date out of
// range, and the selection's rows when nothing is selected.
inline constexpr std::wstring_view kNoValue = L"\u2014";
// A character row's text when the bytes encode no character.
inline constexpr std::wstring_view kNoCharacter = L"invalid";

// The longest value, the GUID, takes the caret's byte and the 15 after it.
inline constexpr std::size_t kInspectedByteCount = 16;

// The bytes the values are read from: the first kInspectedByteCount of the file's bytes
// from the caret on, fewer near its end. Cheap to keep and compare.
class BytesAtCaret {
public:
    BytesAtCaret() = default;
    // Bytes beyond the first kInspectedByteCount are not looked at.
    explicit BytesAtCaret(std::span<const unsigned char> fromCaret);

    std::span<const unsigned char> Bytes() const { return {bytes_.data(), count_}; }
    bool operator==(const BytesAtCaret&) const = default;

private:
    std::array<unsigned char, kInspectedByteCount> bytes_{};
    std::size_t count_ = 0;
};

// The value rows, always all of them and in this order.
enum class ValueRow : unsigned char {
    Binary, // the caret's byte as 8 bits, the highest first
    Int8,
    UInt8,
    Int16,
    UInt16,
    Int32,
    UInt32,
    Int64,
    UInt64,
    Float,  // 32-bit IEEE
    Double, // 64-bit IEEE
    Ansi,   // the caret's byte in the system's ANSI code page
    Utf8,   // 1 to 4 bytes
    Utf16,  // little-endian, a surrogate pair taken as one character
    UnixTime32,
    UnixTime64,
    FileTime,
    DosDateTime,
    Guid,
};
inline constexpr std::size_t kValueRowCount = std::size_t(ValueRow::Guid) + 1;

struct ValueRowKind {
    std::wstring_view label;
    bool bothByteOrders; // a little-endian and a big-endian text side by side
};
inline constexpr std::array<ValueRowKind, kValueRowCount> kValueRows{{
    {L"Binary", false},
    {L"Int8", false},
    {L"UInt8", false},
    {L"Int16", true},
    {L"UInt16", true},
    {L"Int32", true},
    {L"UInt32", true},
    {L"Int64", true},
    {L"UInt64", true},
    {L"Float", true},
    {L"Double", true},
    {L"ANSI", false},
    {L"UTF-8", false},
    {L"UTF-16", false},
    {L"Unix time (32-bit)", false},
    {L"Unix time (64-bit)", false},
    {L"FILETIME", false},
    {L"DOS date-time", false},
    {L"GUID", false},
}};

struct ValueTexts {
    std::wstring text;          // the value; the little-endian one in rows of both orders
    std::wstring bigEndianText; // empty in rows of one text
    bool operator==(const ValueTexts&) const = default;
};

struct InspectorValues {
    std::array<ValueTexts, kValueRowCount> rows;

    const ValueTexts& operator[](ValueRow row) const { return rows[std::size_t(row)]; }
    bool operator==(const InspectorValues&) const = default;
};

// The value rows for the bytes from the caret on.
// - Integers in decimal without grouping.
// - Floating point: the shortest text that reads back as the same value ("0.1", "1e+20",
//   "5e-324", "-0"); "NaN", "Infinity", "-Infinity".
// - Characters: the character, two spaces and its code point ("A  U+0041", at least four
//   uppercase hex digits); the code point alone for a character that draws nothing by
//   itself (controls, spaces, format characters, combining marks, noncharacters). The ANSI
//   row is "invalid" for a byte the code page does not map alone (the lead byte of a
//   double-byte code page). UTF-8 is "invalid" for an overlong form, a surrogate, a value
//   above U+10FFFF, a stray continuation byte or a sequence cut short by a byte that does
//   not continue it; UTF-16 for a lone surrogate. A sequence that is right as far as the
//   file goes but ends with it needs more bytes: kNoValue.
// - Times in UTC, "YYYY-MM-DD HH:MM:SS", years 1 to 9999 (kNoValue outside): Unix times in
//   signed seconds since 1970 (32 and 64 bits), FILETIME in 100 ns since 1601 with the
//   seven digits of its fraction of a second after a full stop when they are not all 0, the
//   32-bit DOS date-time (time in the low word, date in the high word; kNoValue for a field
//   out of range or a day the month lacks). All little-endian.
// - GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", as Windows stores one (the first three
//   fields little-endian).
InspectorValues InspectValues(const BytesAtCaret& bytes);

// Whole bytes selected: `count` from `first` on. A count of 0 is nothing selected.
struct ByteSelection {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    bool operator==(const ByteSelection&) const = default;
};

enum class PositionRow : unsigned char {
    Caret,
    SelectionStart,
    SelectionEnd, // the selection's last byte
    SelectionLength,
};
inline constexpr std::size_t kPositionRowCount = std::size_t(PositionRow::SelectionLength) + 1;
inline constexpr std::array<std::wstring_view, kPositionRowCount> kPositionRowLabels{
    L"Offset", L"Selection start", L"Selection end", L"Selection length"};

struct PositionTexts {
    std::wstring hex;     // "0x1F0": uppercase, no padding
    std::wstring decimal; // "496"
    bool operator==(const PositionTexts&) const = default;
};

struct InspectorPositions {
    std::array<PositionTexts, kPositionRowCount> rows;

    const PositionTexts& operator[](PositionRow row) const { return rows[std::size_t(row)]; }
    bool operator==(const InspectorPositions&) const = default;
};

// kNoValue in both texts of the selection's rows when nothing is selected. A selection that
// would run past the largest offset ends there.
InspectorPositions InspectPositions(std::uint64_t caret, std::optional<ByteSelection> selection);

// Copy as hex: "48 65 6C 6C 6F", one line; empty for no bytes.
std::wstring HexPairsText(std::span<const unsigned char> bytes);

// Copy as C array. Up to 12 bytes on one line:
//   const unsigned char data[5] = { 0x48, 0x65, 0x6C, 0x6C, 0x6F };
// more as the opening line, lines of 12 values indented by four spaces, and the closing
// line, with CR LF between lines and none after the last:
//   const unsigned char data[13] = {
//       0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
//       0x0C
//   };
// No bytes give "/* 0 bytes */": C and C++ have no array of none.
std::wstring CArrayText(std::span<const unsigned char> bytes);

} // namespace octolume
