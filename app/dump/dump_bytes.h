#pragma once
// The file's bytes as a dump in a view shows them, read back from the hex columns of its
// lines with the dump layout's constants (engine/core/dump_layout.h), and the way from a
// byte to its hex pair in the text and back. The header, the offsets, the printable
// characters and a last line that gives the file's size are left aside. No window needed.

#include "view/line_indexed_text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace octolume {

struct DumpBytes {
    std::vector<unsigned char> bytes;
    // The text they were read from, and its line that holds byte 0: byte i is on line
    // firstLine + i / 16.
    std::uint64_t textSerial = 0;
    std::size_t firstLine = 0;
};

// The bytes of the lines that follow the dump layout, from the first such line on, as long
// as each line's offset continues the one before; anything else ends them. A text that
// is no dump ("Loading...") has none.
DumpBytes ReadDumpBytes(const LineIndexedText& text);

// Where the two hex digits of a byte start in the text.
std::size_t HexPairPosition(const LineIndexedText& text, const DumpBytes& dump, std::size_t byte);
// The first byte whose pair starts at or after a position: the byte a search from there
// starts with (bytes.size() past the last).
std::size_t ByteAtOrAfter(const LineIndexedText& text, const DumpBytes& dump, std::size_t position);

} // namespace octolume
