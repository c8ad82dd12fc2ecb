#pragma once
// A deliberately simple dump, written apart from the core with printf, that the core's
// every path must match character for character.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace octolume::test {

inline std::string ReferenceLines(const unsigned char* bytes, std::size_t count,
                                  std::uint64_t offset) {
    std::string text;
    char piece[32];
    for (std::size_t at = 0; at < count; at += 16, offset += 16) {
        const std::size_t inLine = std::min<std::size_t>(16, count - at);
        std::snprintf(piece, sizeof piece, "%08llX  ", static_cast<unsigned long long>(offset));
        text += piece;
        for (std::size_t i = 0; i < 16; ++i) {
            if (i < inLine) {
                std::snprintf(piece, sizeof piece, "%02X ", bytes[at + i]);
                text += piece;
            } else {
                text += "   ";
            }
            if (i == 7)
                text += ' ';
        }
        text += " |";
        for (std::size_t i = 0; i < inLine; ++i) {
            const unsigned char byte = bytes[at + i];
            text += byte >= 32 && byte < 127 ? static_cast<char>(byte) : '.';
        }
        text += "|\r\n";
    }
    return text;
}

} // namespace octolume::test
