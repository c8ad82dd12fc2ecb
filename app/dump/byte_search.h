#pragma once
// What Find looks for and where it finds it, and the offsets Go To takes: a query
// typed as text or as hex bytes turned into bytes, searched for in the file's bytes
// forwards or backwards, wrapping round once. No window needed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace octolume {

struct ByteQuery {
    std::vector<unsigned char> bytes;
    bool foldCase = false; // ASCII letters match in either case
};

// A query is refused with a message for the user; otherwise it holds the bytes to find.
struct ParsedQuery {
    std::optional<ByteQuery> query;
    std::wstring refusal;
};

// A query as a message quotes it: in double quotes, cut after 60 characters with "…", so
// that a query of thousands of bytes still gives a box that fits the screen.
std::wstring QuotedQuery(std::wstring_view text);

// Text is matched as the bytes of its characters in the system's ANSI code page.
ParsedQuery TextQuery(std::wstring_view text, bool matchCase);
// Pairs of hex digits, with or without blanks between the pairs: "4D 5A 90", "4d5a90".
ParsedQuery HexQuery(std::wstring_view text);

struct FoundBytes {
    std::size_t start = 0;
    bool wrapped = false; // found only after going round the end (or the start)
};

// Forwards: the first match that starts at `from` or later, else (wrapped) the first
// before it. Backwards: the last match that starts before `from`, else (wrapped) the last
// at or after it. Matches may overlap.
std::optional<FoundBytes> FindBytes(std::span<const unsigned char> bytes, const ByteQuery& query,
                                    std::size_t from, bool backwards);

// Go To's offset: hex, with or without 0x or a trailing h; decimal after a # or when
// `decimal` is chosen. Refused with a message that gives the valid range when it is not
// a number or lies outside 0 to byteCount - 1.
struct ParsedOffset {
    std::optional<std::uint64_t> offset;
    std::wstring refusal;
};
ParsedOffset ParseOffset(std::wstring_view text, bool decimal, std::uint64_t byteCount);

// A number typed as Go To takes offsets, for the other fields that take numbers that way (a
// block's length). Refused when it is empty, negative or not a number; `what` names the field
// in the refusal ("offset", "length") and `range` is the sentence that ends every refusal.
// Larger numbers than any file's size read as kLargestTypedNumber.
inline constexpr std::uint64_t kLargestTypedNumber = 1ULL << 60;
struct TypedNumber {
    std::optional<std::uint64_t> value;
    std::wstring refusal;
};
TypedNumber ParseTypedNumber(std::wstring_view text, bool decimal, std::wstring_view what,
                              std::wstring_view range);
// "0x1F0 (496)", as the refusals give offsets and lengths.
std::wstring HexAndDecimal(std::uint64_t value);

} // namespace octolume
