#pragma once
// Turns a file's bytes into the dump text the viewer shows: a header line, then one
// line per 16 bytes (offset, hex pairs, printable characters), CR LF after every line.
// Pure ASCII, so the text survives any ANSI code page unchanged.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace octolume {

// The most bytes of one file that are dumped. Past this a rich-edit view takes many
// seconds to fill and, from about twice this, can crash.
inline constexpr std::size_t kDumpByteLimit = 2097152;

// Dumps at most the first kDumpByteLimit of `bytes`. When `fileSize` exceeds the number
// of bytes dumped, a last line tells how much of how much the text shows.
std::string FormatDump(std::span<const unsigned char> bytes, std::uint64_t fileSize);

} // namespace octolume
