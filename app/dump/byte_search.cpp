#include "dump/byte_search.h"

#include "engine/core/byte_search.h"
#include "engine/core/dump_layout.h"
#include "engine/core/number_text.h"
#include "support/text.h"

#include <algorithm>
#include <cwchar>

namespace octolume {

namespace {

constexpr wchar_t kBlanks[] = L" \t";

std::wstring_view Trimmed(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

constexpr std::size_t kMostQuotedCharacters = 60;

std::wstring Quoted(std::wstring_view text) {
    return QuotedQuery(text);
}

} // namespace

std::wstring QuotedQuery(std::wstring_view text) {
    if (text.size() <= kMostQuotedCharacters)
        return L"\"" + std::wstring(text) + L"\"";
    std::size_t cut = kMostQuotedCharacters;
    // Never half of a surrogate pair.
    if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF)
        --cut;
    return L"\"" + std::wstring(text.substr(0, cut)) + L"\u2026\"";
}

ParsedQuery TextQuery(std::wstring_view text, bool matchCase) {
    if (text.empty())
        return {std::nullopt, L"Type the text to find."};
    const std::optional<std::string> ansi = ToAnsiExactly(text);
    if (!ansi)
        return {std::nullopt, Quoted(text) + L" cannot be found as text: some of its characters "
                                             L"are not in the system's ANSI code page."};
    return {ByteQuery{{ansi->begin(), ansi->end()}, !matchCase}, {}};
}

ParsedQuery HexQuery(std::wstring_view text) {
    ByteQuery query;
    int high = -1; // the first digit of a pair, while its second is awaited
    for (const wchar_t character : text) {
        if (character == L' ' || character == L'\t') {
            if (high >= 0)
                return {std::nullopt,
                        L"Hex bytes are pairs of digits: " + Quoted(text) + L" has a digit alone."};
            continue;
        }
        const int value = dump_layout::HexDigitValue(character);
        if (value == dump_layout::kNotAHexDigit)
            return {std::nullopt, Quoted(std::wstring(1, character)) +
                                      L" is not a hex digit. Hex bytes are pairs of the digits "
                                      L"0-9 and A-F, such as 4D 5A 90."};
        if (high < 0) {
            high = value;
        } else {
            query.bytes.push_back(static_cast<unsigned char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0)
        return {std::nullopt,
                L"Hex bytes are pairs of digits: " + Quoted(text) + L" has an odd number of them."};
    if (query.bytes.empty())
        return {std::nullopt, L"Type the hex bytes to find, such as 4D 5A 90."};
    return {std::move(query), {}};
}

std::optional<FoundBytes> FindBytes(std::span<const unsigned char> bytes, const ByteQuery& query,
                                    std::size_t from, bool backwards) {
    from = std::min(from, bytes.size());
    const ByteSearcher searcher(query.bytes, query.foldCase);
    std::optional<std::size_t> found =
        backwards ? searcher.Last(bytes, 0, from) : searcher.First(bytes, from, bytes.size());
    if (found)
        return FoundBytes{*found, false};
    found = backwards ? searcher.Last(bytes, from, bytes.size()) : searcher.First(bytes, 0, from);
    if (found)
        return FoundBytes{*found, true};
    return std::nullopt;
}

std::wstring HexAndDecimal(std::uint64_t value) {
    wchar_t text[48];
    std::swprintf(text, 48, L"0x%llX (%llu)", static_cast<unsigned long long>(value),
                  static_cast<unsigned long long>(value));
    return text;
}

TypedNumber ParseTypedNumber(std::wstring_view typed, bool decimal, std::wstring_view what,
                             std::wstring_view range) {
    const std::wstring_view text = Trimmed(typed);
    const auto refuse = [&](std::wstring why) {
        return TypedNumber{std::nullopt, std::move(why) + L" " + std::wstring(range)};
    };
    const std::wstring noun(what);
    const bool vowel = !noun.empty() && std::wcschr(L"aeiouAEIOU", noun.front()) != nullptr;
    if (text.empty())
        return refuse((vowel ? L"Type an " : L"Type a ") + noun + L".");
    if (text.front() == L'-')
        return refuse(Quoted(typed) + L" is negative.");
    const ParsedNumber number =
        ParseNumber(text, {.base = decimal ? 10u : 16u, .hashDecimal = true, .hexSuffix = true});
    switch (number.problem) {
    case NumberProblem::kNone:
        break;
    case NumberProblem::kNoDigits:
        return refuse(Quoted(typed) + (vowel ? L" is not an " : L" is not a ") + noun + L".");
    case NumberProblem::kNotADigit:
        return refuse(Quoted(typed) +
                      (number.base == 16 ? L" is not a hex " : L" is not a decimal ") + noun +
                      L".");
    case NumberProblem::kTooLarge:
        return {kLargestTypedNumber, {}};
    }
    return {std::min(number.value, kLargestTypedNumber), {}};
}

ParsedOffset ParseOffset(std::wstring_view typed, bool decimal, std::uint64_t byteCount) {
    const std::wstring range = byteCount == 0 ? L"The dump shows no bytes."
                                              : L"Offsets in this dump run from 0 to " +
                                                    HexAndDecimal(byteCount - 1) + L".";
    const TypedNumber number = ParseTypedNumber(typed, decimal, L"offset", range);
    if (!number.value)
        return {std::nullopt, number.refusal};
    if (*number.value >= byteCount)
        return {std::nullopt, Quoted(typed) + L" lies beyond the dump. " + range};
    return {number.value, {}};
}

} // namespace octolume
