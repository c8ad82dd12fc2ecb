#pragma once
// Dumps of known content, written out in full, that the formatting core and the engine
// DLL must both produce byte for byte.

#include "engine/core/dump_format.h"

#include <cstddef>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace octolume::test {

// Bytes that step through printable and unprintable values alike.
inline std::vector<unsigned char> PatternBytes(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>((i * 37 + 11) & 0xFF);
    return bytes;
}

// The same bytes for the same seed, every byte value likely.
inline std::vector<unsigned char> RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<unsigned char> bytes(count);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    return bytes;
}

// Every byte value once, 0x00 to 0xFF in order.
inline std::vector<unsigned char> AllByteValues() {
    std::vector<unsigned char> bytes(256);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

inline const std::string kEmptyDump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n";

inline const std::string kPattern1Dump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
    "00000000  0B                                                |.|\r\n";

inline const std::string kPattern15Dump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
    "00000000  0B 30 55 7A 9F C4 E9 0E  33 58 7D A2 C7 EC 11     |.0Uz....3X}....|\r\n";

inline const std::string kPattern16Dump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
    "00000000  0B 30 55 7A 9F C4 E9 0E  33 58 7D A2 C7 EC 11 36  |.0Uz....3X}....6|\r\n";

inline const std::string kPattern17Dump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
    "00000000  0B 30 55 7A 9F C4 E9 0E  33 58 7D A2 C7 EC 11 36  |.0Uz....3X}....6|\r\n"
    "00000010  5B                                                |[|\r\n";

inline const std::string kPattern33Dump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
    "00000000  0B 30 55 7A 9F C4 E9 0E  33 58 7D A2 C7 EC 11 36  |.0Uz....3X}....6|\r\n"
    "00000010  5B 80 A5 CA EF 14 39 5E  83 A8 CD F2 17 3C 61 86  |[.....9^.....<a.|\r\n"
    "00000020  AB                                                |.|\r\n";

inline const std::string kAllByteValuesDump =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
    "00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  |................|\r\n"
    "00000010  10 11 12 13 14 15 16 17  18 19 1A 1B 1C 1D 1E 1F  |................|\r\n"
    "00000020  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F  | !\"#$%&'()*+,-./|\r\n"
    "00000030  30 31 32 33 34 35 36 37  38 39 3A 3B 3C 3D 3E 3F  |0123456789:;<=>?|\r\n"
    "00000040  40 41 42 43 44 45 46 47  48 49 4A 4B 4C 4D 4E 4F  |@ABCDEFGHIJKLMNO|\r\n"
    "00000050  50 51 52 53 54 55 56 57  58 59 5A 5B 5C 5D 5E 5F  |PQRSTUVWXYZ[\\]^_|\r\n"
    "00000060  60 61 62 63 64 65 66 67  68 69 6A 6B 6C 6D 6E 6F  |`abcdefghijklmno|\r\n"
    "00000070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  |pqrstuvwxyz{|}~.|\r\n"
    "00000080  80 81 82 83 84 85 86 87  88 89 8A 8B 8C 8D 8E 8F  |................|\r\n"
    "00000090  90 91 92 93 94 95 96 97  98 99 9A 9B 9C 9D 9E 9F  |................|\r\n"
    "000000A0  A0 A1 A2 A3 A4 A5 A6 A7  A8 A9 AA AB AC AD AE AF  |................|\r\n"
    "000000B0  B0 B1 B2 B3 B4 B5 B6 B7  B8 B9 BA BB BC BD BE BF  |................|\r\n"
    "000000C0  C0 C1 C2 C3 C4 C5 C6 C7  C8 C9 CA CB CC CD CE CF  |................|\r\n"
    "000000D0  D0 D1 D2 D3 D4 D5 D6 D7  D8 D9 DA DB DC DD DE DF  |................|\r\n"
    "000000E0  E0 E1 E2 E3 E4 E5 E6 E7  E8 E9 EA EB EC ED EE EF  |................|\r\n"
    "000000F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF  |................|\r\n";

// The view's text for a file of these bytes, for contents too large to write out: the
// core's dump (checked above against the written-out ones), widened from ASCII.
inline std::wstring ExpectedViewText(std::string_view bytes) {
    const std::string dump =
        FormatDump(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
                   bytes.size());
    return std::wstring(dump.begin(), dump.end());
}

inline std::wstring ExpectedViewText(const std::vector<unsigned char>& bytes) {
    return ExpectedViewText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace octolume::test
