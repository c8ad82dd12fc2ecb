#pragma once
// A deliberately plain dump written with printf, apart from the core, that every path of
// the core must match character for character.

#include <cstdint>
#include <cstdio>
#include <string>

namespace octolume::test {

inline std::string ReferenceLines(const unsigned char* bytes, std::size_t count,
                                  std::uint64_t offset) {
    std::string text;
    char piece[32];
    for (std::size_t at = 0; at < count; at += 16, offset += 16) {
        std::snprintf(piece, sizeof piece, "%08llX  ", static_cast<unsigned long long>(offset));
        std::string line = piece, ascii;
        for (std::size_t i = at; i < at + 16; ++i) {
            std::snprintf(piece, sizeof piece, "%02X ", i < count ? bytes[i] : 0);
            line += (i < count ? piece : "   ") + std::string(i == at + 7, ' ');
            if (i < count)
                ascii += bytes[i] >= 32 && bytes[i] < 127 ? static_cast<char>(bytes[i]) : '.';
        }
        text += line + " |" + ascii + "|\r\n";
    }
    return text;
}

} // namespace octolume::test
