// Counts and offsets as typed, read the same from narrow and wide text.

#include "engine/core/number_text.h"

#include <gtest/gtest.h>

#include <string>

namespace octolume::test {
namespace {

constexpr NumberRules kCount{.base = 10, .sizeSuffix = true};
constexpr NumberRules kOffset{.base = 16, .hashDecimal = true, .hexSuffix = true};

// "value" or "problem in base" of the text read both as char and as wchar_t, which must agree.
std::string Read(std::string_view text, NumberRules rules) {
    const ParsedNumber narrow = ParseNumber(text, rules);
    const std::wstring wide(text.begin(), text.end());
    const ParsedNumber other = ParseNumber(std::wstring_view(wide), rules);
    if (other.value != narrow.value || other.problem != narrow.problem || other.base != narrow.base)
        return "narrow and wide differ";
    switch (narrow.problem) {
    case NumberProblem::kNone:
        return std::to_string(narrow.value);
    case NumberProblem::kNoDigits:
        return "no digits";
    case NumberProblem::kNotADigit:
        return "not a digit in " + std::to_string(narrow.base);
    case NumberProblem::kTooLarge:
        return "too large";
    }
    return "?";
}

TEST(ParseNumber, MarksSuffixesAndProblemsAlikeInNarrowAndWideText) {
    const std::tuple<std::string_view, NumberRules, std::string> cases[] = {
        {"496", kCount, "496"},
        {"0x1f0", kCount, "496"},
        {"0X1F0", kCount, "496"},
        {"1K", kCount, "1024"},
        {"0x10m", kCount, "16777216"},
        {"3G", kCount, "3221225472"},
        {"18446744073709551615", kCount, "18446744073709551615"},
        {"18446744073709551616", kCount, "too large"},
        {"17179869184G", kCount, "too large"},
        {"17179869183G", kCount, "18446744072635809792"},
        {"", kCount, "no digits"},
        {"K", kCount, "no digits"},
        {"0xK", kCount, "no digits"},
        {"0x", kCount, "not a digit in 10"}, // a mark needs digits after it
        {"1F", kCount, "not a digit in 10"},
        {"-5", kCount, "not a digit in 10"},
        {"1h", kCount, "not a digit in 10"},  // no h unless asked for
        {"#12", kCount, "not a digit in 10"}, // nor #
        {"1F0", kOffset, "496"},
        {"1F0h", kOffset, "496"},
        {"#496", kOffset, "496"},
        {"0x1F0", kOffset, "496"},
        {"0x1F0h", kOffset, "not a digit in 16"}, // one mark at most
        {"#0x10", kOffset, "not a digit in 10"},
        {"#", kOffset, "no digits"},
        {"h", kOffset, "not a digit in 16"},
        {"1K", kOffset, "not a digit in 16"}, // no size unless asked for
        {"99999999999999999999999", kOffset, "too large"},
        // A wrong character is named as such, however large the digits before it.
        {"99999999999999999999999Z", kOffset, "not a digit in 16"},
        {"496", {.base = 10, .hashDecimal = true, .hexSuffix = true}, "496"},
    };
    for (const auto& [text, rules, expected] : cases)
        EXPECT_EQ(Read(text, rules), expected) << text;
    // Wide characters whose low byte is a digit are no digits.
    EXPECT_EQ(ParseNumber(L"1\u0131", kOffset).problem, NumberProblem::kNotADigit);
    EXPECT_EQ(ParseNumber(L"\uFF11", kCount).problem, NumberProblem::kNotADigit);
}

} // namespace
} // namespace octolume::test
