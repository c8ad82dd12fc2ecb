#pragma once
// Turns a file's bytes into the dump text the viewer shows: a header line, then one
// line per 16 bytes (offset, hex pairs, printable characters), CR LF after every line.
// Pure ASCII, so the text survives any ANSI code page unchanged.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace octolume {

// Dumps `bytes`, the start of a file of `fileSize` bytes. When the file is longer than
// what is dumped, a last line tells how much of how much the text shows.
std::string FormatDump(std::span<const unsigned char> bytes, std::uint64_t fileSize);

// FormatDump into a buffer of the caller's: FormatDumpSize characters from `out` on.
std::size_t FormatDumpSize(std::size_t byteCount, std::uint64_t fileSize);
char* FormatDumpTo(std::span<const unsigned char> bytes, std::uint64_t fileSize, char* out);

// The pieces, for dumps of any length written as they are read.
// The header line, CR LF included.
std::string_view DumpHeader();
// The number of characters FormatDumpLines writes for `byteCount` bytes from `firstOffset`.
std::size_t DumpLinesSize(std::size_t byteCount, std::uint64_t firstOffset);
// Writes the lines of `bytes`, the first of which sits at `firstOffset` in the file, and
// returns the end of what it wrote. Offsets keep eight digits below 4 GiB and get the
// digits they need above. The last line may be short. Needs firstOffset + bytes.size()
// to stay within 2^64.
char* FormatDumpLines(std::span<const unsigned char> bytes, std::uint64_t firstOffset, char* out);

} // namespace octolume
