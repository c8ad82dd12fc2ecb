#pragma once
// Counts and offsets as people type them, read one way wherever they are typed: the
// command line's counts (char, or wchar_t on Windows) and the viewer's Go To (wchar_t).
// Digits in the caller's base, or hexadecimal after 0x; where the caller takes them,
// decimal after #, hexadecimal before a trailing h, and K, M or G after the digits for
// 1024, 1024^2 or 1024^3. Blanks and signs are the caller's to handle.

#include "dump_layout.h"

#include <cstdint>
#include <string_view>
#include <type_traits>

namespace octolume {

struct NumberRules {
    unsigned base = 10;       // of digits without a mark: 10 or 16
    bool hashDecimal = false; // "#496"
    bool hexSuffix = false;   // "1F0h"
    bool sizeSuffix = false;  // "4K", "0x10M"
};

enum class NumberProblem {
    kNone,
    kNoDigits,  // nothing but marks
    kNotADigit, // a character that is no digit of the base the marks chose
    kTooLarge,  // digits all right, value beyond 64 bits
};

struct ParsedNumber {
    std::uint64_t value = 0;
    NumberProblem problem = NumberProblem::kNone;
    unsigned base = 10; // that the digits were read in
};

template <class Char>
constexpr ParsedNumber ParseNumber(std::basic_string_view<Char> text, NumberRules rules) {
    ParsedNumber parsed{0, NumberProblem::kNone, rules.base};
    const auto is = [](Char c, char ascii) { return c == static_cast<Char>(ascii); };
    // One base mark at most: a second one is a character that is not a digit.
    if (rules.hashDecimal && !text.empty() && is(text.front(), '#')) {
        parsed.base = 10;
        text.remove_prefix(1);
    } else if (text.size() > 2 && is(text[0], '0') && (is(text[1], 'x') || is(text[1], 'X'))) {
        parsed.base = 16;
        text.remove_prefix(2);
    } else if (rules.hexSuffix && text.size() > 1 &&
               (is(text.back(), 'h') || is(text.back(), 'H'))) {
        parsed.base = 16;
        text.remove_suffix(1);
    }
    unsigned shift = 0;
    if (rules.sizeSuffix && !text.empty()) {
        const Char last = text.back();
        shift = is(last, 'K') || is(last, 'k')   ? 10
                : is(last, 'M') || is(last, 'm') ? 20
                : is(last, 'G') || is(last, 'g') ? 30
                                                 : 0;
        if (shift > 0)
            text.remove_suffix(1);
    }
    if (text.empty()) {
        parsed.problem = NumberProblem::kNoDigits;
        return parsed;
    }
    // Every character is looked at, so a wrong one is named as such however long the
    // digits before it run.
    bool tooLarge = false;
    for (const Char c : text) {
        const unsigned digit =
            dump_layout::HexDigitValue(static_cast<std::make_unsigned_t<Char>>(c));
        if (digit >= parsed.base) {
            parsed.problem = NumberProblem::kNotADigit;
            return parsed;
        }
        tooLarge = tooLarge || parsed.value > (UINT64_MAX - digit) / parsed.base;
        parsed.value = parsed.value * parsed.base + digit;
    }
    if (tooLarge || parsed.value > UINT64_MAX >> shift) {
        parsed.problem = NumberProblem::kTooLarge;
        parsed.value = 0;
        return parsed;
    }
    parsed.value <<= shift;
    return parsed;
}

template <class Char> constexpr ParsedNumber ParseNumber(const Char* text, NumberRules rules) {
    return ParseNumber(std::basic_string_view<Char>(text), rules);
}

} // namespace octolume
