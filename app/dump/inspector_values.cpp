#include "dump/inspector_values.h"

#include "support/external_call.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <concepts>
#include <utility>

namespace octolume {

namespace {

constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

void AppendHex(std::wstring& text, std::uint64_t value, int minimumDigits) {
    wchar_t digits[16];
    int count = 0;
    do {
        digits[count++] = kHexDigits[value & 15];
        value >>= 4;
    } while (value != 0 || count < minimumDigits);
    while (count > 0)
        text += digits[--count];
}

template <class Number> std::wstring DecimalText(Number value) {
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    return std::wstring(digits, end);
}

// Zero-padded to `width` digits.
void AppendPadded(std::wstring& text, unsigned value, int width) {
    wchar_t digits[10];
    for (int at = width; at-- > 0; value /= 10)
        digits[at] = wchar_t(L'0' + value % 10);
    text.append(digits, std::size_t(width));
}

// The bytes' value as an unsigned integer of N bytes in the given order, if there are N.
template <std::unsigned_integral Unsigned>
std::optional<Unsigned> Read(std::span<const unsigned char> bytes, bool bigEndian,
                             std::size_t at = 0) {
    constexpr std::size_t size = sizeof(Unsigned);
    if (bytes.size() < at + size)
        return std::nullopt;
    Unsigned value = 0;
    for (std::size_t k = 0; k < size; ++k) {
        const std::size_t byte = bigEndian ? at + k : at + size - 1 - k;
        value = Unsigned(value << 8 | bytes[byte]);
    }
    return value;
}

template <std::unsigned_integral Unsigned, class Interpret>
std::wstring ReadText(std::span<const unsigned char> bytes, bool bigEndian, Interpret interpret) {
    const std::optional<Unsigned> value = Read<Unsigned>(bytes, bigEndian);
    return value ? interpret(*value) : std::wstring(kNoValue);
}

template <std::floating_point Float> std::wstring FloatText(Float value) {
    if (std::isnan(value))
        return L"NaN";
    if (std::isinf(value))
        return value < 0 ? L"-Infinity" : L"Infinity";
    char digits[32];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    return std::wstring(digits, end);
}

// Integer rows, and the two floating-point ones read from the same bits.
template <std::unsigned_integral Unsigned>
ValueTexts UnsignedTexts(std::span<const unsigned char> bytes) {
    const auto text = [](Unsigned value) { return DecimalText(value); };
    return {ReadText<Unsigned>(bytes, false, text), ReadText<Unsigned>(bytes, true, text)};
}
template <std::unsigned_integral Unsigned>
ValueTexts SignedTexts(std::span<const unsigned char> bytes) {
    const auto text = [](Unsigned value) {
        return DecimalText(std::make_signed_t<Unsigned>(value));
    };
    return {ReadText<Unsigned>(bytes, false, text), ReadText<Unsigned>(bytes, true, text)};
}
template <std::floating_point Float> ValueTexts FloatTexts(std::span<const unsigned char> bytes) {
    using Bits = std::conditional_t<sizeof(Float) == 4, std::uint32_t, std::uint64_t>;
    const auto text = [](Bits bits) { return FloatText(std::bit_cast<Float>(bits)); };
    return {ReadText<Bits>(bytes, false, text), ReadText<Bits>(bytes, true, text)};
}

std::wstring BinaryText(std::span<const unsigned char> bytes) {
    if (bytes.empty())
        return std::wstring(kNoValue);
    std::wstring text(8, L'0');
    for (int bit = 0; bit < 8; ++bit)
        if (bytes[0] >> bit & 1)
            text[std::size_t(7 - bit)] = L'1';
    return text;
}

// Characters that leave nothing to see on their own, as [first, last] ranges.
constexpr std::pair<char32_t, char32_t> kInvisibleCharacters[] = {
    {0x0000, 0x0020},   {0x007F, 0x00A0},   {0x00AD, 0x00AD},   {0x0300, 0x036F},
    {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
    {0x1680, 0x1680},   {0x180E, 0x180E},   {0x1AB0, 0x1AFF},   {0x1DC0, 0x1DFF},
    {0x2000, 0x200F},   {0x2028, 0x202F},   {0x205F, 0x206F},   {0x20D0, 0x20FF},
    {0x3000, 0x3000},   {0xFDD0, 0xFDEF},   {0xFE00, 0xFE0F},   {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE007F}, {0xE0100, 0xE01EF},
};

bool DrawsNothing(char32_t character) {
    if ((character & 0xFFFE) == 0xFFFE) // the noncharacters at the end of every plane
        return true;
    return std::any_of(std::begin(kInvisibleCharacters), std::end(kInvisibleCharacters),
                       [character](const auto& range) {
                           return character >= range.first && character <= range.second;
                       });
}

std::wstring CharacterText(char32_t character) {
    std::wstring text;
    if (!DrawsNothing(character)) {
        if (character > 0xFFFF) {
            text += wchar_t(0xD800 + ((character - 0x10000) >> 10));
            text += wchar_t(0xDC00 + ((character - 0x10000) & 0x3FF));
        } else {
            text += wchar_t(character);
        }
        text += L"  ";
    }
    text += L"U+";
    AppendHex(text, character, 4);
    return text;
}

std::wstring AnsiText(std::span<const unsigned char> bytes) {
    if (bytes.empty())
        return std::wstring(kNoValue);
    const char byte = char(bytes[0]);
    wchar_t characters[2];
    const int count =
        External(::MultiByteToWideChar, CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, characters, 2);
    return count == 1 ? CharacterText(characters[0]) : std::wstring(kNoCharacter);
}

// Well-formed sequences as Unicode lists them: the second byte's range rules out overlong
// forms, surrogates and values above U+10FFFF.
std::wstring Utf8Text(std::span<const unsigned char> bytes) {
    if (bytes.empty())
        return std::wstring(kNoValue);
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
        return CharacterText(lead);
    std::size_t length = 0;
    char32_t character = 0;
    unsigned char secondLow = 0x80, secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        character = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        character = lead & 0x0F;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;
        secondHigh = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        character = lead & 0x07;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return std::wstring(kNoCharacter);
    }
    for (std::size_t at = 1; at < length; ++at) {
        if (at == bytes.size())
            return std::wstring(kNoValue);
        const unsigned char byte = bytes[at];
        if (byte < (at == 1 ? secondLow : 0x80) || byte > (at == 1 ? secondHigh : 0xBF))
            return std::wstring(kNoCharacter);
        character = character << 6 | (byte & 0x3F);
    }
    return CharacterText(character);
}

std::wstring Utf16Text(std::span<const unsigned char> bytes) {
    const std::optional<std::uint16_t> first = Read<std::uint16_t>(bytes, false);
    if (!first)
        return std::wstring(kNoValue);
    if (*first < 0xD800 || *first > 0xDFFF)
        return CharacterText(*first);
    if (*first >= 0xDC00)
        return std::wstring(kNoCharacter);
    const std::optional<std::uint16_t> second = Read<std::uint16_t>(bytes, false, 2);
    if (!second)
        return std::wstring(kNoValue);
    if (*second < 0xDC00 || *second > 0xDFFF)
        return std::wstring(kNoCharacter);
    return CharacterText(0x10000 + ((char32_t(*first) - 0xD800) << 10) + (*second - 0xDC00));
}

struct DateTime {
    std::chrono::year_month_day date;
    unsigned hour, minute, second;
};

std::wstring DateTimeText(const DateTime& time) {
    std::wstring text;
    text.reserve(27);
    AppendPadded(text, unsigned(int(time.date.year())), 4);
    text += L'-';
    AppendPadded(text, unsigned(time.date.month()), 2);
    text += L'-';
    AppendPadded(text, unsigned(time.date.day()), 2);
    text += L' ';
    AppendPadded(text, time.hour, 2);
    text += L':';
    AppendPadded(text, time.minute, 2);
    text += L':';
    AppendPadded(text, time.second, 2);
    return text;
}

constexpr std::int64_t kSecondsPerDay = 86'400;
// 0001-01-01 00:00:00 and 9999-12-31 23:59:59 in seconds since 1970.
constexpr std::int64_t kFirstUnixSecond = -62'135'596'800;
constexpr std::int64_t kLastUnixSecond = 253'402'300'799;

std::optional<DateTime> UnixDateTime(std::int64_t seconds) {
    if (seconds < kFirstUnixSecond || seconds > kLastUnixSecond)
        return std::nullopt;
    const std::int64_t days =
        (seconds >= 0 ? seconds : seconds - (kSecondsPerDay - 1)) / kSecondsPerDay;
    const auto inDay = unsigned(seconds - days * kSecondsPerDay);
    const std::chrono::sys_days date{std::chrono::days{days}};
    return DateTime{date, inDay / 3600, inDay / 60 % 60, inDay % 60};
}

template <std::unsigned_integral Unsigned>
std::wstring UnixTimeText(std::span<const unsigned char> bytes) {
    return ReadText<Unsigned>(bytes, false, [](Unsigned value) {
        const std::optional<DateTime> time = UnixDateTime(std::make_signed_t<Unsigned>(value));
        return time ? DateTimeText(*time) : std::wstring(kNoValue);
    });
}

constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixSecondsAt1601 = -11'644'473'600;

std::wstring FileTimeText(std::span<const unsigned char> bytes) {
    return ReadText<std::uint64_t>(bytes, false, [](std::uint64_t ticks) {
        const auto seconds = std::int64_t(ticks / kFileTimeTicksPerSecond);
        const std::optional<DateTime> time = UnixDateTime(kUnixSecondsAt1601 + seconds);
        if (!time)
            return std::wstring(kNoValue);
        std::wstring text = DateTimeText(*time);
        if (const auto fraction = unsigned(ticks % kFileTimeTicksPerSecond); fraction != 0) {
            text += L'.';
            AppendPadded(text, fraction, 7);
        }
        return text;
    });
}

std::wstring DosDateTimeText(std::span<const unsigned char> bytes) {
    return ReadText<std::uint32_t>(bytes, false, [](std::uint32_t value) {
        const unsigned time = value & 0xFFFF, date = value >> 16;
        const std::chrono::year_month_day day{std::chrono::year(int(1980 + (date >> 9))),
                                              std::chrono::month(date >> 5 & 15),
                                              std::chrono::day(date & 31)};
        const DateTime dateTime{day, time >> 11, time >> 5 & 63, (time & 31) * 2};
        if (!day.ok() || dateTime.hour > 23 || dateTime.minute > 59 || dateTime.second > 59)
            return std::wstring(kNoValue);
        return DateTimeText(dateTime);
    });
}

std::wstring GuidText(std::span<const unsigned char> bytes) {
    if (bytes.size() < 16)
        return std::wstring(kNoValue);
    std::wstring text = L"{";
    AppendHex(text, *Read<std::uint32_t>(bytes, false), 8);
    text += L'-';
    AppendHex(text, *Read<std::uint16_t>(bytes, false, 4), 4);
    text += L'-';
    AppendHex(text, *Read<std::uint16_t>(bytes, false, 6), 4);
    for (std::size_t at = 8; at < 16; ++at) {
        if (at == 8 || at == 10)
            text += L'-';
        AppendHex(text, bytes[at], 2);
    }
    text += L'}';
    return text;
}

PositionTexts OffsetTexts(std::uint64_t offset) {
    std::wstring hex = L"0x";
    AppendHex(hex, offset, 1);
    return {std::move(hex), DecimalText(offset)};
}

} // namespace

BytesAtCaret::BytesAtCaret(std::span<const unsigned char> fromCaret)
    : count_(std::min(fromCaret.size(), kInspectedByteCount)) {
    std::copy_n(fromCaret.begin(), count_, bytes_.begin());
}

InspectorValues InspectValues(const BytesAtCaret& caret) {
    const std::span<const unsigned char> bytes = caret.Bytes();
    const auto one = [](std::wstring text) { return ValueTexts{std::move(text), {}}; };
    const auto byte = [&](auto interpret) {
        return one(bytes.empty() ? std::wstring(kNoValue) : interpret(bytes[0]));
    };
    return {{
        one(BinaryText(bytes)),
        byte([](unsigned char value) { return DecimalText(static_cast<signed char>(value)); }),
        byte([](unsigned char value) { return DecimalText(unsigned(value)); }),
        SignedTexts<std::uint16_t>(bytes),
        UnsignedTexts<std::uint16_t>(bytes),
        SignedTexts<std::uint32_t>(bytes),
        UnsignedTexts<std::uint32_t>(bytes),
        SignedTexts<std::uint64_t>(bytes),
        UnsignedTexts<std::uint64_t>(bytes),
        FloatTexts<float>(bytes),
        FloatTexts<double>(bytes),
        one(AnsiText(bytes)),
        one(Utf8Text(bytes)),
        one(Utf16Text(bytes)),
        one(UnixTimeText<std::uint32_t>(bytes)),
        one(UnixTimeText<std::uint64_t>(bytes)),
        one(FileTimeText(bytes)),
        one(DosDateTimeText(bytes)),
        one(GuidText(bytes)),
    }};
}

InspectorPositions InspectPositions(std::uint64_t caret, std::optional<ByteSelection> selection) {
    InspectorPositions positions;
    positions.rows[std::size_t(PositionRow::Caret)] = OffsetTexts(caret);
    if (!selection || selection->count == 0) {
        for (const PositionRow row :
             {PositionRow::SelectionStart, PositionRow::SelectionEnd, PositionRow::SelectionLength})
            positions.rows[std::size_t(row)] = {std::wstring(kNoValue), std::wstring(kNoValue)};
        return positions;
    }
    const std::uint64_t room = UINT64_MAX - selection->first;
    const std::uint64_t last = selection->first + std::min(selection->count - 1, room);
    positions.rows[std::size_t(PositionRow::SelectionStart)] = OffsetTexts(selection->first);
    positions.rows[std::size_t(PositionRow::SelectionEnd)] = OffsetTexts(last);
    positions.rows[std::size_t(PositionRow::SelectionLength)] = OffsetTexts(selection->count);
    return positions;
}

std::wstring HexPairsText(std::span<const unsigned char> bytes) {
    std::wstring text;
    if (bytes.empty())
        return text;
    text.resize(bytes.size() * 3 - 1, L' ');
    wchar_t* pair = text.data();
    for (const unsigned char byte : bytes) {
        pair[0] = kHexDigits[byte >> 4];
        pair[1] = kHexDigits[byte & 15];
        pair += 3;
    }
    return text;
}

std::wstring CArrayText(std::span<const unsigned char> bytes) {
    if (bytes.empty())
        return L"/* 0 bytes */";
    constexpr std::size_t kValuesPerLine = 12;
    const bool oneLine = bytes.size() <= kValuesPerLine;
    std::wstring text = L"const unsigned char data[" + DecimalText(bytes.size()) + L"] = {";
    // Written in place: appending piece by piece took most of a second for 16 MiB. At most
    // " 0x48," a value, a line break and an indent a line, and the closing line.
    const std::size_t opening = text.size();
    text.resize(opening + bytes.size() * 6 + (bytes.size() / kValuesPerLine + 1) * 6 + 4);
    wchar_t* next = text.data() + opening;
    const auto put = [&next](std::wstring_view piece) {
        next = std::copy(piece.begin(), piece.end(), next);
    };
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        put(!oneLine && at % kValuesPerLine == 0 ? L"\r\n    " : L" ");
        const wchar_t value[] = {L'0', L'x', kHexDigits[bytes[at] >> 4], kHexDigits[bytes[at] & 15],
                                 L','};
        put({value, at + 1 < bytes.size() ? 5u : 4u});
    }
    put(oneLine ? L" };" : L"\r\n};");
    text.resize(std::size_t(next - text.data()));
    return text;
}

} // namespace octolume
