// The dump in colour and squeezed, in process: the colour of each class around exactly
// its bytes, and squeezed dumps of every length class back to the same bytes, from
// sources read in pieces and from sources that know of zeros without reading them.

#include "engine/cli/dump_revert.h"
#include "engine/core/dump_colors.h"
#include "engine/core/dump_format.h"
#include "colored_text.h"
#include "expected_dumps.h"
#include "reference_dump.h"

#include <gtest/gtest.h>

#include <cstring>

namespace octolume::test {
namespace {

using namespace dump_tool;
using Bytes = std::vector<unsigned char>;

std::string Colored(const Bytes& bytes, std::uint64_t offset = 0) {
    std::string text(ColoredDumpLinesMostSize(bytes.size()), '\0');
    text.resize(FormatColoredDumpLines(bytes, offset, text.data()) - text.data());
    return text;
}

std::string Plain(const Bytes& bytes, std::uint64_t offset = 0) {
    return ReferenceLines(bytes.data(), bytes.size(), offset);
}

const std::string kDim = "\x1b[2m", kReset = "\x1b[0m", kGrey = "\x1b[90m", kCyan = "\x1b[36m",
                  kGreen = "\x1b[32m", kMagenta = "\x1b[35m", kYellow = "\x1b[33m";

TEST(ColoredDump, EachClassItsColourAroundExactlyItsBytes) {
    // The code before a lone byte's pair and before its character, for every byte value.
    for (unsigned value = 0; value < 256; ++value) {
        const std::string expected = value == 0                                     ? kGrey
                                     : value >= 0x80                                ? kYellow
                                     : value == 0x20 || (value >= 9 && value <= 13) ? kGreen
                                     : value < 0x20 || value == 0x7F                ? kMagenta
                                                                                    : kCyan;
        const std::string line = Colored({static_cast<unsigned char>(value)});
        const char shown = value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.';
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", value);
        EXPECT_EQ(line, kDim + "00000000" + kReset + "  " + expected + pair + kReset +
                            std::string(48, ' ') + "|" + expected + shown + kReset + "|\r\n")
            << value;
    }
    // A class changing at the gap between the groups of eight, one run of a class across
    // it, and a run that goes on into the next line: each line sets its colours anew and
    // resets them before its end.
    Bytes bytes(8, 'A');
    bytes.insert(bytes.end(), 8, 0x80);
    bytes.insert(bytes.end(), {0x80, 0x80, 'x', 0, 0, 0, 0, 0, 0, 0, 0, ' ', '\t', 1, 2, 'y'});
    bytes.push_back(0x80);
    EXPECT_EQ(Colored(bytes, 0x1FFFFFFE0),
              kDim + "1FFFFFFE0" + kReset + "  " + kCyan + "41 41 41 41 41 41 41 41  " + kYellow +
                  "80 80 80 80 80 80 80 80" + kReset + "  |" + kCyan + "AAAAAAAA" + kYellow +
                  "........" + kReset + "|\r\n" +
                  // The next line: 80 80 then x, NULs across the gap, blanks, controls.
                  kDim + "1FFFFFFF0" + kReset + "  " + kYellow + "80 80 " + kCyan + "78 " + kGrey +
                  "00 00 00 00 00  00 00 00 " + kGreen + "20 09 " + kMagenta + "01 02 " + kCyan +
                  "79" + kReset + "  |" + kYellow + ".." + kCyan + "x" + kGrey + "........" +
                  kGreen + " ." + kMagenta + ".." + kCyan + "y" + kReset + "|\r\n" +
                  // A short last line at 8 GiB, its offset a digit wider.
                  kDim + "200000000" + kReset + "  " + kYellow + "80" + kReset +
                  std::string(48, ' ') + "|" + kYellow + "." + kReset + "|\r\n");
}

TEST(ColoredDump, WithoutItsCodesThePlainDumpAndNoColourOpenAtALinesEnd) {
    for (const std::uint64_t offset : {0ull, 0xFFFFFFD0ull, 0x123456789ABCDEF0ull})
        for (std::size_t size = 0; size <= 80; ++size) {
            const Bytes bytes = RandomBytes(size, static_cast<unsigned>(size + offset));
            const std::string text = Colored(bytes, offset);
            ASSERT_EQ(WithoutCodes(text), Plain(bytes, offset)) << size << " at " << offset;
            for (std::size_t end = text.find("\r\n"); end != std::string::npos;
                 end = text.find("\r\n", end + 1)) {
                const std::size_t last = text.rfind('\x1b', end);
                ASSERT_EQ(text.substr(last, kReset.size() + 3), kReset + "|\r\n") << size;
            }
            ASSERT_LE(text.size(), ColoredDumpLinesMostSize(size));
        }
    // The most a line can need: every byte of another class than the one before it.
    Bytes mixed;
    for (int i = 0; i < 8; ++i)
        mixed.insert(mixed.end(), {0, 0x80});
    EXPECT_LE(Colored(mixed, UINT64_MAX - 15).size(), ColoredDumpLinesMostSize(16));
    const std::string_view header = DumpHeader();
    EXPECT_EQ(ColoredDumpHeader(),
              kDim + std::string(header.substr(0, header.size() - 2)) + kReset + "\r\n");
}

// What a source knows of its zeros: nothing (a pipe), all of them (a file of holes), or
// a changing part of them (a file whose map of holes changes while it is read).
enum class Holes { kNone, kAll, kChanging };

// Bytes handed out in pieces, and zeros known as `holes` says.
class BytesSource final : public Source {
public:
    BytesSource(Bytes bytes, std::size_t piece, Holes holes = Holes::kNone)
        : bytes_(std::move(bytes)), piece_(piece), holes_(holes) {}
    bool Read(unsigned char* into, std::size_t size, std::size_t& read, std::string&) override {
        read = std::min({size, bytes_.size() - at_, piece_});
        if (read > 0)
            std::memcpy(into, bytes_.data() + at_, read);
        at_ += read;
        return true;
    }
    std::optional<std::uint64_t> Size() override {
        return holes_ != Holes::kNone ? std::optional<std::uint64_t>(bytes_.size()) : std::nullopt;
    }
    bool Seek(std::uint64_t offset, std::string&) override {
        at_ = static_cast<std::size_t>(offset);
        return holes_ != Holes::kNone;
    }
    bool Skip(std::uint64_t count, std::string&) override {
        at_ += static_cast<std::size_t>(count);
        return holes_ != Holes::kNone;
    }
    std::uint64_t KnownZeros(std::uint64_t most) override {
        if (holes_ == Holes::kNone)
            return 0;
        ++questions;
        std::size_t zeros = 0;
        while (at_ + zeros < bytes_.size() && bytes_[at_ + zeros] == 0)
            ++zeros;
        // All, or any part of the zeros from here, or none.
        const std::size_t known = holes_ == Holes::kAll ? zeros : (questions * 7919) % (zeros + 2);
        return std::min<std::uint64_t>(known > zeros ? 0 : known, most);
    }
    std::size_t questions = 0;

private:
    Bytes bytes_;
    std::size_t piece_;
    Holes holes_;
    std::size_t at_ = 0;
};

std::string Squeezed(Source& source, std::uint64_t offset = 0, bool color = false) {
    TextSink sink;
    EXPECT_EQ(StreamDump(source, sink, offset, kToTheEnd, {color, true}).outcome,
              StreamOutcome::kDone);
    return sink.text;
}

std::string Squeezed(const Bytes& bytes, std::size_t piece = 1000) {
    BytesSource source(bytes, piece);
    return Squeezed(source);
}

std::string Reverted(const std::string& dump) {
    BytesSource text(Bytes(dump.begin(), dump.end()), 333);
    TextSink sink;
    StreamTarget target(sink);
    const RevertResult result = RevertDump(text, target);
    return result.outcome == RevertOutcome::kDone
               ? sink.text
               : "line " + std::to_string(result.lineNumber) + ": " + result.error;
}

// Lines of the given kinds: 'a' and 'b' two different full lines, 'z' a line of zeros.
Bytes Lines(std::string_view kinds, std::size_t tail = 0) {
    Bytes bytes;
    for (const char kind : kinds)
        bytes.insert(bytes.end(), 16, kind == 'z' ? 0 : static_cast<unsigned char>(kind));
    bytes.insert(bytes.end(), tail, 'c');
    return bytes;
}

TEST(SqueezedDump, ARunIsOneStarAndTheNextOrLastLineShowsItsOffset) {
    const std::string header(DumpHeader());
    const auto line = [](char kind, std::uint64_t offset, std::size_t count = 16) {
        const Bytes bytes(count, kind == 'z' ? 0 : static_cast<unsigned char>(kind));
        return ReferenceLines(bytes.data(), count, offset);
    };
    const std::string star = "*\r\n";
    const std::pair<Bytes, std::string> cases[] = {
        {Lines("aa"), line('a', 0) + line('a', 0x10)},
        {Lines("aaa"), line('a', 0) + star + line('a', 0x20)},
        {Lines("aaab"), line('a', 0) + star + line('b', 0x30)},
        {Lines("aab"), line('a', 0) + star + line('b', 0x20)},
        {Lines("aaaa", 5), line('a', 0) + star + line('c', 0x40, 5)},
        {Lines("abbbbba"), line('a', 0) + line('b', 0x10) + star + line('a', 0x60)},
        {Lines("abab"), line('a', 0) + line('b', 0x10) + line('a', 0x20) + line('b', 0x30)},
    };
    for (const auto& [bytes, lines] : cases)
        for (const std::size_t piece : {1, 16, 17, 1000})
            EXPECT_EQ(Squeezed(bytes, piece), header + lines) << piece;
}

// Every length class, runs from the first line, in the middle and up to the last, read in
// pieces that end anywhere: the squeezed dump reverts to the same bytes.
TEST(SqueezedDump, RevertsToTheSameBytesOverEveryLengthClass) {
    unsigned seed = 0;
    for (const std::string_view kinds : {"", "a", "aa", "aaaaa", "ab", "abbb", "abbba", "zzzzzzzzz",
                                         "zazzzb", "aaabbbaaa", "abababbb"})
        for (std::size_t tail = 0; tail < 16; ++tail)
            for (const std::size_t piece : {3, 16, 1000}) {
                Bytes bytes = Lines(kinds, tail);
                // Now and then a run's line differs in one byte: no longer equal.
                if (++seed % 3 == 0 && bytes.size() > 20)
                    bytes[bytes.size() / 2] ^= 1;
                const std::string dump = Squeezed(bytes, piece);
                ASSERT_FALSE(dump.ends_with("*\r\n")) << kinds << " + " << tail;
                ASSERT_EQ(Reverted(dump), std::string(bytes.begin(), bytes.end()))
                    << kinds << " + " << tail << ", pieces of " << piece << ":\n"
                    << dump;
            }
    // In colour the same, the "*" among the coloured lines.
    const Bytes runs = Lines("aaazzzb", 3);
    BytesSource source(runs, 1000);
    const std::string colored = Squeezed(source, 0, true);
    EXPECT_EQ(WithoutCodes(colored), Squeezed(runs));
}

TEST(SqueezedDump, ZerosKnownWithoutReadingGiveTheSameDump) {
    // Zeros at the start, between data and at the end, and a file of zeros alone; whatever
    // a changing map of holes says, as long as what it says is zeros.
    Bytes bytes(100000, 0);
    for (const std::size_t at : {40000, 40001, 40017, 70000, 99000})
        bytes[at] = 0x41;
    for (const Bytes& file : {bytes, Bytes(4096, 0), Bytes(3, 0), Lines("azzzzz", 0)}) {
        const std::string expected = Squeezed(file, 4096);
        for (const Holes holes : {Holes::kAll, Holes::kChanging})
            for (const std::size_t piece : {13, 4096}) {
                BytesSource sparse(file, piece, holes);
                EXPECT_TRUE(Squeezed(sparse) == expected)
                    << file.size() << ", pieces of " << piece << ":\n"
                    << Squeezed(sparse) << "\nnot\n"
                    << expected;
                EXPECT_GT(sparse.questions, 0u);
            }
    }
    // From an offset that is no multiple of 16.
    BytesSource sparse(bytes, 4096, Holes::kChanging), plain(bytes, 4096);
    std::string ignored;
    sparse.Seek(5, ignored);
    plain.Seek(5, ignored);
    EXPECT_TRUE(Squeezed(sparse, 5) == Squeezed(plain, 5));
}

// A sink that writes a text handed over by WriteSoon only at the next WriteSoon or Settle,
// as a writer thread may: a text changed before then would come out changed.
class LateSink final : public Sink {
public:
    bool Write(const char* from, std::size_t size, WriteFailure&) override {
        text.append(from, size);
        return true;
    }
    bool WriteSoon(const char* from, std::size_t size, WriteFailure& failure) override {
        Settle(failure);
        pending_ = {from, size};
        ++handedOver;
        return true;
    }
    bool Settle(WriteFailure&) override {
        text += pending_;
        pending_ = {};
        return true;
    }
    std::string text;
    int handedOver = 0;

private:
    std::string_view pending_;
};

// Texts of many reads, plain, in colour and squeezed, come out whole through a sink that
// writes late.
TEST(DumpWriter, KeepsEachTextUntilTheSinkHasWrittenIt) {
    Bytes bytes = RandomBytes(3 * kReadSize + 100, 11);
    std::fill(bytes.begin() + 1000, bytes.begin() + kReadSize + 5000, 0);
    for (const DumpStyle style : {DumpStyle{false, false}, {true, false}, {true, true}}) {
        BytesSource early(bytes, 100000), late(bytes, 100000);
        TextSink now;
        LateSink later;
        ASSERT_EQ(StreamDump(early, now, 0, kToTheEnd, style).outcome, StreamOutcome::kDone);
        ASSERT_EQ(StreamDump(late, later, 0, kToTheEnd, style).outcome, StreamOutcome::kDone);
        EXPECT_GT(later.handedOver, 3);
        EXPECT_TRUE(later.text == now.text) << style.color << style.squeeze;
    }
}

TEST(SqueezedDump, RevertOfStarsThatRepeatNothingOrEndTheDump) {
    const std::pair<std::string, std::string> cases[] = {
        {"00000000  41 42\n*\n00000008  43\n", "ABABABABC"}, // a short line, repeated
        {"00000000  41\n *\t\n*\n00000003  42\n", "AAAB"},   // blanks around, stars in a row
        {"00000000  41\n*\n00000001  42\n", "AB"},           // a run of nothing
        {"*\n00000000  41\n", "line 1: a '*' with no line of bytes before it to repeat"},
        {"00000000  41\n*\n", "line 2: a '*' with no line after it to say where its run ends"},
        {"00000010  41\n*\n00000000  42\n",
         "line 3: the offset after a '*' does not lie past the line it repeats"},
        {"00000000  41\n**\n", "line 2: no hexadecimal offset at the start"},
    };
    for (const auto& [dump, expected] : cases)
        EXPECT_EQ(Reverted(dump), expected) << dump;
}

} // namespace
} // namespace octolume::test
