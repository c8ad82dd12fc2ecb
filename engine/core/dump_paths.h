#pragma once
// The core's formatting paths. Every path writes the same text; the vector paths exist
// for speed and are candidates at run time when the CPU has the instructions they use.
// Exposed for the tests, which hold every path to the plain one, and the benchmark.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace octolume::dump_paths {

enum class Path { kPlain, kSse2, kSsse3, kAvx2 };

// Writes `lines` full lines of the 16-byte rows at `bytes`. The first line's offset is
// `high` (the digits above the low 32 bits, none below 4 GiB) followed by the eight
// digits of `low`; each further line adds 16 to `low`, which never wraps within a call.
using FullLinesFunction = char* (*)(const unsigned char* bytes, std::size_t lines,
                                    std::uint32_t low, std::string_view high, char* out);

char* PlainFullLines(const unsigned char* bytes, std::size_t lines, std::uint32_t low,
                     std::string_view high, char* out);
#if defined(__i386__) || defined(__x86_64__)
char* Sse2FullLines(const unsigned char* bytes, std::size_t lines, std::uint32_t low,
                    std::string_view high, char* out);
char* Ssse3FullLines(const unsigned char* bytes, std::size_t lines, std::uint32_t low,
                     std::string_view high, char* out);
char* Avx2FullLines(const unsigned char* bytes, std::size_t lines, std::uint32_t low,
                    std::string_view high, char* out);
bool CpuHasSse2();
bool CpuHasSsse3();
bool CpuHasAvx2();
#endif

// The paths this CPU runs, the plain one first.
std::span<const Path> AvailablePaths();
// The one FormatDumpLines takes: of the available paths, the fastest on this processor,
// timed once per process over a few kilobytes. Having the instructions does not make a
// path fast: an emulator or a processor may run them slower than the plain code.
Path ChosenPath();
std::string_view PathName(Path path);

// FormatDumpLines through the given path, which must be available.
char* FormatDumpLinesWith(Path path, std::span<const unsigned char> bytes,
                          std::uint64_t firstOffset, char* out);

} // namespace octolume::dump_paths
