#pragma once
// The plainest byte search there is, for the tests and the fuzzer to hold the real one to:
// every window start in turn, every byte compared.

#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>

namespace octolume::test {

inline bool NaiveMatchesAt(std::span<const unsigned char> text,
                           std::span<const unsigned char> needle, bool foldCase, std::size_t at) {
    const auto folded = [&](unsigned char byte) {
        return foldCase && byte >= 'A' && byte <= 'Z' ? byte | 0x20 : byte;
    };
    if (needle.empty() || at + needle.size() > text.size())
        return false;
    for (std::size_t i = 0; i < needle.size(); ++i)
        if (folded(text[at + i]) != folded(needle[i]))
            return false;
    return true;
}

inline std::optional<std::size_t> NaiveFirst(std::span<const unsigned char> text,
                                             std::span<const unsigned char> needle, bool foldCase,
                                             std::size_t first, std::size_t last) {
    for (std::size_t at = first; at < std::min(last, text.size()); ++at)
        if (NaiveMatchesAt(text, needle, foldCase, at))
            return at;
    return std::nullopt;
}

inline std::optional<std::size_t> NaiveLast(std::span<const unsigned char> text,
                                            std::span<const unsigned char> needle, bool foldCase,
                                            std::size_t first, std::size_t last) {
    for (std::size_t at = std::min(last, text.size()); at-- > first;)
        if (NaiveMatchesAt(text, needle, foldCase, at))
            return at;
    return std::nullopt;
}

} // namespace octolume::test
