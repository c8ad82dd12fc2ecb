#include "dump_revert.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace octolume::dump_tool {

namespace {

using namespace dump_layout;

constexpr std::size_t kOffsetDigitsAtMost = 16;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::uint8_t HexValue(char c) {
    return dump_layout::kHexDigitValues[static_cast<unsigned char>(c)];
}

// A full line without its line end: 0xFF under the columns that hold blanks and bars.
constexpr std::size_t kFullLineText = kLineSize - 2;
constexpr std::array<unsigned char, kFullLineText> kFixedMask = [] {
    std::array<unsigned char, kFullLineText> mask{};
    for (std::size_t column = 0; column < kFullLineText; ++column)
        mask[column] = kColumns[column].source == dump_layout::Source::kFixed ? 0xFF : 0;
    return mask;
}();

std::uint64_t Word(const void* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Whether the blanks and bars stand where a full line has them, eight columns at a time.
bool FixedColumnsInPlace(const char* line) {
    std::uint64_t differ = 0;
    const auto compare = [&](std::size_t at) {
        differ |=
            (Word(line + at) ^ Word(kLineTemplate.data() + at)) & Word(kFixedMask.data() + at);
    };
    for (std::size_t at = 0; at + 8 <= kFullLineText; at += 8)
        compare(at);
    compare(kFullLineText - 8);
    return differ == 0;
}

// The line exactly as the dump writes a full line below 4 GiB, which is nearly every
// line: its digits read from their columns without a search.
bool ParseFullLine(std::string_view line, DumpLine& parsed) {
    if (line.size() != kFullLineText || !FixedColumnsInPlace(line.data()))
        return false;
    std::uint8_t invalid = 0;
    std::uint64_t offset = 0;
    for (std::size_t digit = 0; digit < kOffsetDigits; ++digit) {
        const std::uint8_t value = HexValue(line[digit]);
        invalid |= value;
        offset = offset << 4 | (value & 0xF);
    }
    for (std::size_t byte = 0; byte < kBytesPerLine; ++byte) {
        const std::size_t column = HexDigitsColumn(byte);
        const std::uint8_t high = HexValue(line[column]), low = HexValue(line[column + 1]);
        invalid |= high | low;
        parsed.bytes[byte] = static_cast<unsigned char>(high << 4 | (low & 0xF));
    }
    if (invalid & 0xF0)
        return false;
    parsed.offset = offset;
    parsed.count = kBytesPerLine;
    return true;
}

} // namespace

LineKind ParseDumpLine(std::string_view line, DumpLine& parsed, std::string_view& problem) {
    if (ParseFullLine(line, parsed))
        return LineKind::kBytes;
    // The header and the viewer's size line start with what no offset starts with.
    if (line.starts_with("Offset") || line.starts_with("---"))
        return LineKind::kOther;
    if (std::all_of(line.begin(), line.end(), IsBlank))
        return LineKind::kBlank;
    if (const std::size_t star = line.find_first_not_of(" \t");
        line[star] == '*' && line.find_first_not_of(" \t", star + 1) == std::string_view::npos)
        return LineKind::kRepeat;

    std::size_t at = 0;
    std::uint64_t offset = 0;
    for (; at < line.size() && HexValue(line[at]) < 16; ++at) {
        if (at == kOffsetDigitsAtMost) {
            problem = "the offset has more than 16 digits";
            return LineKind::kMalformed;
        }
        offset = offset << 4 | HexValue(line[at]);
    }
    if (at == 0 || (at < line.size() && !IsBlank(line[at]))) {
        problem = "no hexadecimal offset at the start";
        return LineKind::kMalformed;
    }
    std::size_t count = 0;
    for (;;) {
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        // The printable characters after the bar are left aside.
        if (at == line.size() || line[at] == '|')
            break;
        const bool pair = at + 1 < line.size() && HexValue(line[at]) < 16 &&
                          HexValue(line[at + 1]) < 16 &&
                          (at + 2 == line.size() || IsBlank(line[at + 2]));
        if (!pair) {
            problem = "a byte is not two hexadecimal digits";
            return LineKind::kMalformed;
        }
        if (count == kBytesPerLine) {
            problem = "more than 16 bytes";
            return LineKind::kMalformed;
        }
        parsed.bytes[count++] =
            static_cast<unsigned char>(HexValue(line[at]) << 4 | HexValue(line[at + 1]));
        at += 2;
    }
    if (count > UINT64_MAX - offset) {
        problem = "the bytes go past the largest offset";
        return LineKind::kMalformed;
    }
    parsed.offset = offset;
    parsed.count = count;
    return count > 0 ? LineKind::kBytes : LineKind::kOther;
}

namespace {

// Bytes of consecutive lines gathered into one write.
class Gatherer {
public:
    explicit Gatherer(ByteTarget& target) : target_(target) {}

    bool Add(const DumpLine& line, WriteFailure& failure) {
        if (line.offset != offset_ + bytes_.size() || bytes_.size() + line.count > kReadSize) {
            if (!Flush(failure))
                return false;
            offset_ = line.offset;
        }
        bytes_.insert(bytes_.end(), line.bytes.begin(), line.bytes.begin() + line.count);
        return true;
    }

    // `count` bytes from `offset` that repeat `pattern`, after the bytes gathered so far.
    bool Fill(std::uint64_t offset, std::span<const unsigned char> pattern, std::uint64_t count,
              WriteFailure& failure) {
        return Flush(failure) && target_.Fill(offset, pattern, count, failure);
    }

    bool Flush(WriteFailure& failure) {
        const bool written =
            bytes_.empty() || target_.WriteAt(offset_, bytes_.data(), bytes_.size(), failure);
        bytes_.clear();
        return written;
    }

private:
    ByteTarget& target_;
    std::uint64_t offset_ = 0;
    std::vector<unsigned char> bytes_;
};

// The next line end in a piece of text: the first CR or LF. Each of the two is looked for
// once per piece, so a text with only one kind of line end costs no second search per line.
class LineEnds {
public:
    // A new piece: what was found in the last one no longer stands where it was.
    void Restart() { lineFeed_ = carriageReturn_ = nullptr; }

    // The first CR or LF in [from, stop), or stop.
    const char* Next(const char* from, const char* stop) {
        return std::min(Find(lineFeed_, '\n', from, stop), Find(carriageReturn_, '\r', from, stop));
    }

private:
    static const char* Find(const char*& found, char c, const char* from, const char* stop) {
        if (!found || found < from) {
            found = static_cast<const char*>(std::memchr(from, c, stop - from));
            if (!found)
                found = stop;
        }
        return found;
    }

    const char* lineFeed_ = nullptr;
    const char* carriageReturn_ = nullptr;
};

} // namespace

RevertResult RevertDump(Source& text, ByteTarget& target) {
    RevertResult result;
    Gatherer gatherer(target);
    WriteFailure failure;
    const auto writeFailed = [&] {
        result.outcome = RevertOutcome::kWriteFailed;
        result.error = failure.error;
        result.readerGone = failure.readerGone;
        return result;
    };
    const auto malformed = [&](std::string_view problem) {
        result.outcome = RevertOutcome::kMalformed;
        result.error = problem;
        return result;
    };

    const auto input = std::make_unique_for_overwrite<char[]>(kReadSize);
    std::size_t held = 0;         // the start of a line read before, not yet parsed
    std::uint64_t streamEnd = 0;  // where the bytes so far end, for a target that cannot go back
    bool seenDump = false;        // a header or a line with an offset
    DumpLine previous;            // the last line of bytes, which a "*" repeats
    std::uint64_t repeatLine = 0; // the number of a "*" not yet followed by a line of bytes
    LineEnds lineEnds;
    for (bool end = false; !end;) {
        std::size_t read = 0;
        if (!text.Read(reinterpret_cast<unsigned char*>(input.get()) + held, kReadSize - held, read,
                       result.error)) {
            // The lines before the error still reach the output.
            if (!gatherer.Flush(failure))
                return writeFailed();
            result.outcome = RevertOutcome::kReadFailed;
            return result;
        }
        held += read;
        end = read == 0;
        lineEnds.Restart();
        const char* next = input.get();
        const char* const stop = next + held;
        while (next < stop) {
            const char* const lineEnd = lineEnds.Next(next, stop);
            // A line without its end yet, or a CR whose LF may open the next piece.
            if (!end && (lineEnd == stop || (lineEnd + 1 == stop && *lineEnd == '\r')))
                break;
            ++result.lineNumber;
            DumpLine line;
            std::string_view problem;
            const LineKind kind =
                ParseDumpLine({next, static_cast<std::size_t>(lineEnd - next)}, line, problem);
            next = lineEnd == stop                                                ? stop
                   : *lineEnd == '\r' && lineEnd + 1 < stop && lineEnd[1] == '\n' ? lineEnd + 2
                                                                                  : lineEnd + 1;
            if (kind == LineKind::kMalformed)
                return malformed(problem);
            if (kind == LineKind::kRepeat) {
                if (previous.count == 0)
                    return malformed("a '*' with no line of bytes before it to repeat");
                repeatLine = result.lineNumber;
                continue;
            }
            seenDump = seenDump || kind != LineKind::kBlank;
            if (kind != LineKind::kBytes)
                continue;
            if (repeatLine != 0) {
                // The run of the line before the "*", from its end up to this line.
                const std::uint64_t runStart = previous.offset + previous.count;
                if (line.offset < runStart)
                    return malformed("the offset after a '*' does not lie past the line it "
                                     "repeats");
                if (!gatherer.Fill(runStart, {previous.bytes.data(), previous.count},
                                   line.offset - runStart, failure))
                    return writeFailed();
                repeatLine = 0;
            }
            if (!target.CanGoBack() && line.offset < streamEnd)
                return malformed("the offset goes back: standard output only goes on");
            streamEnd = line.offset + line.count;
            previous = line;
            if (!gatherer.Add(line, failure))
                return writeFailed();
        }
        held = static_cast<std::size_t>(stop - next);
        if (held == kReadSize) {
            ++result.lineNumber;
            return malformed("longer than any dump line");
        }
        std::memmove(input.get(), next, held);
    }
    if (repeatLine != 0) {
        result.lineNumber = repeatLine;
        return malformed("a '*' with no line after it to say where its run ends");
    }
    result.lineNumber = 0;
    if (!seenDump) {
        result.outcome = RevertOutcome::kNotADump;
        return result;
    }
    if (!gatherer.Flush(failure))
        return writeFailed();
    return result;
}

bool Sink::WriteZeros(std::uint64_t count, WriteFailure& failure) {
    static constexpr std::array<char, 65536> kZeros{};
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, kZeros.size()));
        if (!Write(kZeros.data(), piece, failure))
            return false;
        count -= piece;
    }
    return true;
}

bool ByteTarget::Fill(std::uint64_t offset, std::span<const unsigned char> pattern,
                      std::uint64_t count, WriteFailure& failure) {
    // The pattern over and over in a buffer of whole patterns, written piece by piece.
    std::vector<unsigned char> pieces;
    const std::size_t repeats = std::max<std::size_t>(1, 65536 / pattern.size());
    for (std::size_t i = 0; i < repeats; ++i)
        pieces.insert(pieces.end(), pattern.begin(), pattern.end());
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, pieces.size()));
        if (!WriteAt(offset, pieces.data(), piece, failure))
            return false;
        offset += piece;
        count -= piece;
    }
    return true;
}

bool StreamTarget::Fill(std::uint64_t offset, std::span<const unsigned char> pattern,
                        std::uint64_t count, WriteFailure& failure) {
    if (std::any_of(pattern.begin(), pattern.end(), [](unsigned char byte) { return byte != 0; }))
        return ByteTarget::Fill(offset, pattern, count, failure);
    if (!sink_.WriteZeros(offset + count - position_, failure))
        return false;
    position_ = offset + count;
    return true;
}

bool StreamTarget::WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                           WriteFailure& failure) {
    if (position_ < offset && !sink_.WriteZeros(offset - position_, failure))
        return false;
    if (!sink_.Write(reinterpret_cast<const char*>(from), size, failure))
        return false;
    position_ = offset + size;
    return true;
}

} // namespace octolume::dump_tool
