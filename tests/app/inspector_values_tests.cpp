// The inspector's texts without a window: each value against known bytes in both byte
// orders, values cut short by the end of the file, the positions, and the Copy as texts.
#include "dump/inspector_values.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace octolume::test {
namespace {

using Bytes = std::vector<unsigned char>;

InspectorValues Inspect(const Bytes& bytes) {
    return InspectValues(BytesAtCaret(bytes));
}

struct Expected {
    ValueRow row;
    Bytes bytes;
    std::wstring text;
    std::wstring bigEndianText = {};
};

void ExpectValues(const std::vector<Expected>& table) {
    for (const Expected& expected : table) {
        SCOPED_TRACE(testing::Message() << "row " << int(expected.row) << ", bytes "
                                        << testing::PrintToString(expected.bytes));
        const ValueTexts texts = Inspect(expected.bytes)[expected.row];
        EXPECT_EQ(texts.text, expected.text);
        EXPECT_EQ(texts.bigEndianText, expected.bigEndianText);
    }
}

// The high byte set in one order and not the other, a byte of each value its own: a swapped
// order, a lost sign or a read one byte off each change a text.
TEST(InspectorValues, IntegersInBothByteOrders) {
    const Bytes sequence = {1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes highFirst = {0x80, 0, 0, 0, 0, 0, 0, 0};
    const Bytes highLast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    const Bytes ones(8, 0xFF), zeros(8, 0);
    using enum ValueRow;
    ExpectValues({
        {Binary, {0x48}, L"01001000"},
        {Binary, {0x81, 0}, L"10000001"},
        {Int8, {0x80}, L"-128"},
        {Int8, {0x7F}, L"127"},
        {Int8, {0xFF}, L"-1"},
        {UInt8, {0xFF}, L"255"},
        {UInt8, zeros, L"0"},
        {Int16, sequence, L"513", L"258"},
        {Int16, highFirst, L"128", L"-32768"},
        {Int16, highLast, L"-1", L"-1"},
        {Int16, {0xFF, 0x7F}, L"32767", L"-129"},
        {UInt16, highFirst, L"128", L"32768"},
        {UInt16, ones, L"65535", L"65535"},
        {Int32, sequence, L"67305985", L"16909060"},
        {Int32, highFirst, L"128", L"-2147483648"},
        {Int32, {0xFF, 0xFF, 0xFF, 0x7F}, L"2147483647", L"-129"},
        {UInt32, highFirst, L"128", L"2147483648"},
        {UInt32, ones, L"4294967295", L"4294967295"},
        {UInt32, {1, 0, 0, 0}, L"1", L"16777216"},
        {Int64, sequence, L"578437695752307201", L"72623859790382856"},
        {Int64, highFirst, L"128", L"-9223372036854775808"},
        {Int64, highLast, L"9223372036854775807", L"-129"},
        {Int64, ones, L"-1", L"-1"},
        {Int64, zeros, L"0", L"0"},
        {UInt64, highFirst, L"128", L"9223372036854775808"},
        {UInt64, ones, L"18446744073709551615", L"18446744073709551615"},
    });
}

// The shortest texts that read back, both orders of each case mattering.
TEST(InspectorValues, FloatingPointInBothByteOrders) {
    using enum ValueRow;
    ExpectValues({
        {Float, {0, 0, 0, 0}, L"0", L"0"},
        {Float, {0, 0, 0x80, 0x3F}, L"1", L"4.6006e-41"},
        {Float, {0xBF, 0x80, 0, 0}, L"4.6185e-41", L"-1"},
        {Float, {0x80, 0, 0, 0}, L"1.8e-43", L"-0"},
        {Float, {0, 0, 0, 1}, L"2.3509887e-38", L"1e-45"},
        {Float, {0xFF, 0xFF, 0x7F, 0x7F}, L"3.4028235e+38", L"NaN"},
        {Float, {0x7F, 0xC0, 0, 0}, L"6.9055e-41", L"NaN"},
        {Float, {0, 0, 0x80, 0x7F}, L"Infinity", L"4.6096e-41"},
        {Float, {0xFF, 0x80, 0, 0}, L"4.6275e-41", L"-Infinity"},
        {Double, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}, L"3.03865e-319", L"1"},
        {Double,
         {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F},
         L"0.1",
         L"-1.5423487136675799e-180"},
        {Double, {0, 0, 0, 0, 0, 0, 0, 1}, L"7.291122019556398e-304", L"5e-324"},
        {Double,
         {0x7F, 0xEF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         L"NaN",
         L"1.7976931348623157e+308"},
        {Double, {0x80, 0, 0, 0, 0, 0, 0, 0}, L"6.3e-322", L"-0"},
        {Double, {0x7F, 0xF8, 0, 0, 0, 0, 0, 0}, L"3.143e-319", L"NaN"},
        {Double, {0, 0, 0, 0, 0, 0, 0xF0, 0xFF}, L"-Infinity", L"3.04814e-319"},
    });
}

TEST(InspectorValues, CharactersWithTheirCodePoints) {
    using enum ValueRow;
    const std::wstring invalid(kNoCharacter), none(kNoValue);
    ExpectValues({
        {Ansi, {0x41}, L"A  U+0041"},
        {Ansi, {0x09}, L"U+0009"},
        {Utf8, {0x41, 0x80}, L"A  U+0041"},
        {Utf8, {0xC3, 0xA9}, L"\u00E9  U+00E9"},
        {Utf8, {0xE2, 0x82, 0xAC}, L"\u20AC  U+20AC"},
        {Utf8, {0xF0, 0x9F, 0x98, 0x80}, L"\U0001F600  U+1F600"},
        {Utf8, {0xF4, 0x8F, 0xBF, 0xBD}, L"\U0010FFFD  U+10FFFD"},
        {Utf8, {0x20}, L"U+0020"},
        {Utf8, {0xC2, 0xA0}, L"U+00A0"},
        {Utf8, {0x80, 0x41}, invalid},             // a continuation byte first
        {Utf8, {0xC0, 0x80}, invalid},             // overlong
        {Utf8, {0xE0, 0x80, 0x80}, invalid},       // overlong
        {Utf8, {0xF0, 0x80, 0x80, 0x80}, invalid}, // overlong
        {Utf8, {0xED, 0xA0, 0x80}, invalid},       // a surrogate
        {Utf8, {0xF4, 0x90, 0x80, 0x80}, invalid}, // above U+10FFFF
        {Utf8, {0xF5, 0x80, 0x80, 0x80}, invalid},
        {Utf8, {0xE2, 0x82, 0x41}, invalid}, // cut short inside the file
        {Utf8, {0xE2, 0x82}, none},          // cut short by its end
        {Utf16, {0x41, 0x00}, L"A  U+0041"},
        {Utf16, {0x00, 0x41}, L"\u4100  U+4100"},
        {Utf16, {0x01, 0x03}, L"U+0301"},
        {Utf16, {0x3D, 0xD8, 0x00, 0xDE}, L"\U0001F600  U+1F600"},
        {Utf16, {0x3D, 0xD8, 0x41, 0x00}, invalid},
        {Utf16, {0x00, 0xDE, 0x00, 0xDE}, invalid},
        {Utf16, {0x3D, 0xD8}, none},
    });
    if (GetACP() == 1252)
        ExpectValues({{Ansi, {0x80}, L"\u20AC  U+20AC"}, {Ansi, {0xE9}, L"\u00E9  U+00E9"}});
}

TEST(InspectorValues, TimesInUtc) {
    using enum ValueRow;
    const std::wstring none(kNoValue);
    ExpectValues({
        {UnixTime32, {0, 0, 0, 0}, L"1970-01-01 00:00:00"},
        {UnixTime32, {0xFF, 0xFF, 0xFF, 0xFF}, L"1969-12-31 23:59:59"},
        {UnixTime32, {0, 0, 0, 0x80}, L"1901-12-13 20:45:52"},
        {UnixTime32, {0xFF, 0xFF, 0xFF, 0x7F}, L"2038-01-19 03:14:07"},
        {UnixTime64, {0, 0, 0, 0, 1, 0, 0, 0}, L"2106-02-07 06:28:16"},
        {UnixTime64, {0x7F, 0x41, 0xF4, 0xFF, 0x3A, 0, 0, 0}, L"9999-12-31 23:59:59"},
        {UnixTime64, {0x80, 0x41, 0xF4, 0xFF, 0x3A, 0, 0, 0}, none},
        {UnixTime64, {0x00, 0x09, 0x6E, 0x88, 0xF1, 0xFF, 0xFF, 0xFF}, L"0001-01-01 00:00:00"},
        {UnixTime64, {0xFF, 0x08, 0x6E, 0x88, 0xF1, 0xFF, 0xFF, 0xFF}, none},
        {UnixTime64, {0, 0, 0, 0, 0, 0, 0, 0x80}, none},
        {UnixTime64, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, L"1969-12-31 23:59:59"},
        {FileTime, {0, 0, 0, 0, 0, 0, 0, 0}, L"1601-01-01 00:00:00"},
        {FileTime, {0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01}, L"1970-01-01 00:00:00"},
        {FileTime,
         {0x87, 0x56, 0x51, 0xD5, 0xDE, 0xB1, 0x9D, 0x01},
         L"1970-01-01 00:00:00.1234567"},
        {FileTime, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, none},
        {DosDateTime, {0x00, 0x00, 0x21, 0x00}, L"1980-01-01 00:00:00"},
        {DosDateTime, {0x7D, 0xBF, 0x5D, 0x58}, L"2024-02-29 23:59:58"},
        {DosDateTime, {0x00, 0x00, 0x5D, 0x56}, none}, // 2023-02-29
        {DosDateTime, {0x00, 0x00, 0x01, 0x00}, none}, // month 0
        {DosDateTime, {0x00, 0x00, 0xA1, 0x01}, none}, // month 13
        {DosDateTime, {0x00, 0x00, 0x20, 0x00}, none}, // day 0
        {DosDateTime, {0x00, 0xC0, 0x21, 0x00}, none}, // hour 24
        {DosDateTime, {0x80, 0x07, 0x21, 0x00}, none}, // minute 60
        {DosDateTime, {0x1E, 0x00, 0x21, 0x00}, none}, // 60 seconds
    });
}

TEST(InspectorValues, GuidAsWindowsStoresIt) {
    ExpectValues({{ValueRow::Guid,
                   {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC,
                    0xDD, 0xEE, 0xFF},
                   L"{00112233-4455-6677-8899-AABBCCDDEEFF}"}});
}

// Every row is there whatever the count; a row is kNoValue exactly when it needs more bytes
// than the file has from the caret on.
TEST(InspectorValues, ValuesThatRunPastTheEndOfTheFile) {
    // Valid in every row: 'A', a DOS date-time of 1980, small times.
    Bytes bytes = {0x41, 0x00, 0x21, 0x00, 0, 0, 0, 0};
    bytes.resize(20, 0x5A);
    constexpr std::array<std::size_t, kValueRowCount> kNeeded = {1, 1, 1, 2, 2, 4, 4, 8, 8, 4,
                                                                 8, 1, 1, 2, 4, 8, 8, 4, 16};
    for (std::size_t count = 0; count <= kInspectedByteCount; ++count) {
        const InspectorValues values = InspectValues(BytesAtCaret(std::span(bytes).first(count)));
        for (std::size_t row = 0; row < kValueRowCount; ++row) {
            SCOPED_TRACE(testing::Message() << count << " bytes, row " << row);
            const ValueTexts& texts = values.rows[row];
            EXPECT_EQ(texts.text == kNoValue, count < kNeeded[row]) << texts.text;
            const bool bothOrders = kValueRows[row].bothByteOrders;
            EXPECT_EQ(texts.bigEndianText.empty(), !bothOrders);
            EXPECT_EQ(texts.bigEndianText == kNoValue, bothOrders && count < kNeeded[row]);
        }
    }
    EXPECT_TRUE(BytesAtCaret(bytes) == BytesAtCaret(std::span(bytes).first(16)));
}

TEST(InspectorPositions, HexAndDecimal) {
    const auto expect = [](const InspectorPositions& positions, PositionRow row,
                           std::wstring_view hex, std::wstring_view decimal) {
        EXPECT_EQ(positions[row].hex, hex) << int(row);
        EXPECT_EQ(positions[row].decimal, decimal) << int(row);
    };
    using enum PositionRow;
    const InspectorPositions caretOnly = InspectPositions(0x1F0, std::nullopt);
    expect(caretOnly, Caret, L"0x1F0", L"496");
    for (const PositionRow row : {SelectionStart, SelectionEnd, SelectionLength})
        expect(caretOnly, row, kNoValue, kNoValue);
    EXPECT_EQ(InspectPositions(0x1F0, ByteSelection{5, 0}), caretOnly);

    const InspectorPositions selected = InspectPositions(0, ByteSelection{0x1F0, 16});
    expect(selected, Caret, L"0x0", L"0");
    expect(selected, SelectionStart, L"0x1F0", L"496");
    expect(selected, SelectionEnd, L"0x1FF", L"511");
    expect(selected, SelectionLength, L"0x10", L"16");

    const std::uint64_t top = UINT64_MAX;
    const InspectorPositions atTheTop = InspectPositions(top, ByteSelection{top - 1, 5});
    expect(atTheTop, Caret, L"0xFFFFFFFFFFFFFFFF", L"18446744073709551615");
    expect(atTheTop, SelectionEnd, L"0xFFFFFFFFFFFFFFFF", L"18446744073709551615");
    expect(atTheTop, SelectionLength, L"0x5", L"5");
}

TEST(CopyAs, HexPairsAndCArrayOf0To13Bytes) {
    Bytes bytes(13);
    for (std::size_t at = 0; at < bytes.size(); ++at)
        bytes[at] = static_cast<unsigned char>(at * 0x15);
    const auto first = [&](std::size_t count) { return std::span(bytes).first(count); };

    EXPECT_EQ(HexPairsText({}), L"");
    EXPECT_EQ(HexPairsText(first(1)), L"00");
    EXPECT_EQ(HexPairsText(Bytes{'H', 'e', 'l', 'l', 'o'}), L"48 65 6C 6C 6F");
    EXPECT_EQ(HexPairsText(first(13)), L"00 15 2A 3F 54 69 7E 93 A8 BD D2 E7 FC");

    EXPECT_EQ(CArrayText({}), L"/* 0 bytes */");
    EXPECT_EQ(CArrayText(first(1)), L"const unsigned char data[1] = { 0x00 };");
    EXPECT_EQ(CArrayText(Bytes{'H', 'e', 'l', 'l', 'o'}),
              L"const unsigned char data[5] = { 0x48, 0x65, 0x6C, 0x6C, 0x6F };");
    EXPECT_EQ(CArrayText(first(12)), L"const unsigned char data[12] = { 0x00, 0x15, 0x2A, 0x3F, "
                                     L"0x54, 0x69, 0x7E, 0x93, 0xA8, 0xBD, 0xD2, 0xE7 };");
    EXPECT_EQ(CArrayText(first(13)),
              L"const unsigned char data[13] = {\r\n"
              L"    0x00, 0x15, 0x2A, 0x3F, 0x54, 0x69, 0x7E, 0x93, 0xA8, 0xBD, 0xD2, 0xE7,\r\n"
              L"    0xFC\r\n"
              L"};");
}

} // namespace
} // namespace octolume::test
