// The dump's lines: the plain path, the short last line, and the choice of path.

#include "dump_format.h"
#include "dump_layout.h"
#include "dump_paths.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>

namespace octolume {

namespace {

using namespace dump_layout;

constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    std::array<std::array<char, 2>, 256> pairs{};
    for (std::size_t byte = 0; byte < 256; ++byte)
        pairs[byte] = {kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
    return pairs;
}();

constexpr std::array<char, 256> kShownAs = [] {
    std::array<char, 256> shown{};
    for (std::size_t byte = 0; byte < 256; ++byte)
        shown[byte] = IsShown(static_cast<unsigned char>(byte)) ? static_cast<char>(byte) : '.';
    return shown;
}();

char* PutHighDigits(char* out, std::string_view high) {
    if (!high.empty())
        std::memcpy(out, high.data(), high.size());
    return out + high.size();
}

void PutLowDigits(char* out, std::uint32_t low) {
    for (std::size_t pair = 0; pair < 4; ++pair)
        std::memcpy(out + 2 * pair, kHexPairs[(low >> (24 - 8 * pair)) & 0xFF].data(), 2);
}

// A line's offset on the blank line's first `length` characters; returns the line's start.
char* StartLine(std::string_view high, std::uint32_t low, std::size_t length, char* out) {
    out = PutHighDigits(out, high);
    std::memcpy(out, kLineTemplate.data(), length);
    PutLowDigits(out, low);
    return out;
}

// The hex pairs and characters of a line's `count` bytes.
void PutBytes(const unsigned char* bytes, std::size_t count, char* line) {
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(line + HexDigitsColumn(i), kHexPairs[bytes[i]].data(), 2);
        line[kCharacterColumn + i] = kShownAs[bytes[i]];
    }
}

// The last line, of 1 to 15 bytes: hex columns padded with blanks, characters not.
char* PutShortLine(const unsigned char* bytes, std::size_t count, std::uint32_t low,
                   std::string_view high, char* out) {
    out = StartLine(high, low, kCharacterColumn, out);
    PutBytes(bytes, count, out);
    out += kCharacterColumn + count;
    std::memcpy(out, kLineTemplate.data() + kLineSize - 3, 3);
    return out + 3;
}

// The digits of a 4 GiB count, without leading zeros; none for zero.
std::string_view HighDigits(std::uint64_t high, std::array<char, 8>& digits) {
    std::size_t count = 0;
    for (std::uint64_t rest = high; rest != 0; rest >>= 4)
        ++count;
    for (std::size_t i = count; i-- > 0; high >>= 4)
        digits[i] = kHexDigits[high & 0xF];
    return {digits.data(), count};
}

// Cuts the bytes into runs that share the digits above the low 32 bits of their lines'
// offsets, so each run of full lines goes to a path in one call, and calls
// `fullLines(bytes, lines, low, high)` for each run and `shortLine(bytes, count, low,
// high)` for a short last line.
template <class FullLines, class ShortLine>
void ForEachRun(std::size_t byteCount, std::uint64_t offset, FullLines&& fullLines,
                ShortLine&& shortLine) {
    std::size_t done = 0;
    std::array<char, 8> digits{};
    while (done < byteCount) {
        const auto low = static_cast<std::uint32_t>(offset);
        const std::string_view high = HighDigits(offset >> 32, digits);
        const std::uint64_t linesBeforeWrap = ((std::uint64_t{1} << 32) - low + 15) / 16;
        const std::size_t lines = static_cast<std::size_t>(
            std::min<std::uint64_t>((byteCount - done) / kBytesPerLine, linesBeforeWrap));
        if (lines > 0)
            fullLines(done, lines, low, high);
        done += lines * kBytesPerLine;
        offset += lines * kBytesPerLine;
        if (lines == linesBeforeWrap)
            continue;
        if (done < byteCount)
            shortLine(done, byteCount - done, low + static_cast<std::uint32_t>(lines * 16), high);
        break;
    }
}

char* FormatLinesThrough(dump_paths::FullLinesFunction full, std::span<const unsigned char> bytes,
                         std::uint64_t firstOffset, char* out) {
    const unsigned char* const data = bytes.data();
    ForEachRun(
        bytes.size(), firstOffset,
        [&](std::size_t at, std::size_t lines, std::uint32_t low, std::string_view high) {
            out = full(data + at, lines, low, high, out);
        },
        [&](std::size_t at, std::size_t count, std::uint32_t low, std::string_view high) {
            out = PutShortLine(data + at, count, low, high, out);
        });
    return out;
}

dump_paths::FullLinesFunction FullLinesOf(dump_paths::Path path) {
#if defined(__i386__) || defined(__x86_64__)
    switch (path) {
    case dump_paths::Path::kPlain:
        break;
    case dump_paths::Path::kSse2:
        return &dump_paths::Sse2FullLines;
    case dump_paths::Path::kSsse3:
        return &dump_paths::Ssse3FullLines;
    case dump_paths::Path::kAvx2:
        return &dump_paths::Avx2FullLines;
    }
#endif
    (void)path;
    return &dump_paths::PlainFullLines;
}

// Of the paths, the one that takes least time over 4 KiB of varied bytes (20 KB of text,
// within the caches), the best of three rounds after one to warm up; tens of microseconds
// in all, once per process. The plain path wins ties.
dump_paths::Path TimedFastest(std::span<const dump_paths::Path> paths) {
    constexpr std::size_t kLines = 256;
    std::array<unsigned char, kLines * kBytesPerLine> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 167 + (i >> 7) * 13);
    const auto text = std::make_unique_for_overwrite<char[]>(kLines * kLineSize);
    std::array<double, 4> best{};
    best.fill(1e30);
    for (int round = 0; round < 4; ++round)
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const dump_paths::FullLinesFunction full = FullLinesOf(paths[i]);
            const auto start = std::chrono::steady_clock::now();
            full(bytes.data(), kLines, 0, {}, text.get());
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (round > 0)
                best[i] = std::min(best[i], took.count());
        }
    std::size_t chosen = 0;
    for (std::size_t i = 1; i < paths.size(); ++i)
        if (best[i] < best[chosen])
            chosen = i;
    return paths[chosen];
}

struct Dispatch {
    std::array<dump_paths::Path, 4> available{dump_paths::Path::kPlain};
    std::size_t count = 1;
    dump_paths::Path chosen = dump_paths::Path::kPlain;
    dump_paths::FullLinesFunction fastest = &dump_paths::PlainFullLines;
};

const Dispatch& TheDispatch() {
    static const Dispatch dispatch = [] {
        Dispatch made;
#if defined(__i386__) || defined(__x86_64__)
        // Even SSE2 is not a given on the 32-bit build: each set is asked for first.
        const bool sse2 = dump_paths::CpuHasSse2();
        const bool ssse3 = sse2 && dump_paths::CpuHasSsse3();
        if (sse2)
            made.available[made.count++] = dump_paths::Path::kSse2;
        if (ssse3)
            made.available[made.count++] = dump_paths::Path::kSsse3;
        if (ssse3 && dump_paths::CpuHasAvx2())
            made.available[made.count++] = dump_paths::Path::kAvx2;
#endif
        made.chosen = TimedFastest({made.available.data(), made.count});
        made.fastest = FullLinesOf(made.chosen);
        return made;
    }();
    return dispatch;
}

} // namespace

namespace dump_paths {

char* PlainFullLines(const unsigned char* bytes, std::size_t lines, std::uint32_t low,
                     std::string_view high, char* out) {
    for (; lines > 0; --lines, bytes += kBytesPerLine, low += kBytesPerLine) {
        out = StartLine(high, low, kLineSize, out);
        PutBytes(bytes, kBytesPerLine, out);
        out += kLineSize;
    }
    return out;
}

std::span<const Path> AvailablePaths() {
    const Dispatch& dispatch = TheDispatch();
    return {dispatch.available.data(), dispatch.count};
}

std::string_view PathName(Path path) {
    switch (path) {
    case Path::kPlain:
        return "plain";
    case Path::kSse2:
        return "SSE2";
    case Path::kSsse3:
        return "SSSE3";
    case Path::kAvx2:
        return "AVX2";
    }
    return "?";
}

Path ChosenPath() {
    return TheDispatch().chosen;
}

char* FormatDumpLinesWith(Path path, std::span<const unsigned char> bytes,
                          std::uint64_t firstOffset, char* out) {
    return FormatLinesThrough(FullLinesOf(path), bytes, firstOffset, out);
}

} // namespace dump_paths

std::size_t DumpLinesSize(std::size_t byteCount, std::uint64_t firstOffset) {
    std::size_t size = 0;
    ForEachRun(
        byteCount, firstOffset,
        [&](std::size_t, std::size_t lines, std::uint32_t, std::string_view high) {
            size += lines * (high.size() + kLineSize);
        },
        [&](std::size_t, std::size_t count, std::uint32_t, std::string_view high) {
            size += high.size() + LineSize(count);
        });
    return size;
}

char* FormatDumpLines(std::span<const unsigned char> bytes, std::uint64_t firstOffset, char* out) {
    return FormatLinesThrough(TheDispatch().fastest, bytes, firstOffset, out);
}

} // namespace octolume
