#pragma once
// The way back from a dump to bytes: lines in the dump's layout turned into the bytes
// they show, each at its line's offset. The header, the viewer's size line and the
// printable characters are left aside, so an edited hex byte is what changes the bytes.

#include "dump_tool.h"

#include <array>

namespace octolume::dump_tool {

struct DumpLine {
    std::uint64_t offset = 0;
    std::array<unsigned char, dump_layout::kBytesPerLine> bytes{};
    std::size_t count = 0;
};

// kOther: a line of a dump that holds no bytes (the header, the viewer's size line, an
// offset alone). kRepeat: the "*" of a squeezed dump, for the lines equal to the one
// before it up to the next line's offset.
enum class LineKind { kBytes, kOther, kBlank, kRepeat, kMalformed };

// One line without its line end; a malformed line gets `problem` said.
LineKind ParseDumpLine(std::string_view line, DumpLine& parsed, std::string_view& problem);

// kNotADump: the text holds neither a header nor a line with an offset (an empty text
// among them), which must not make an empty output.
enum class RevertOutcome { kDone, kReadFailed, kMalformed, kNotADump, kWriteFailed };
struct RevertResult {
    RevertOutcome outcome = RevertOutcome::kDone;
    std::string error;
    std::uint64_t lineNumber = 0; // of the malformed line
    bool readerGone = false;
};

// Reads the whole dump text from `text` and writes its bytes to `target`. Lines end at
// CR LF, LF or CR alone, as the viewer reads them.
RevertResult RevertDump(Source& text, ByteTarget& target);

// A stream as a ByteTarget: it starts at offset 0, a gap before a line's offset becomes
// zero bytes, and it cannot go back.
class StreamTarget final : public ByteTarget {
public:
    explicit StreamTarget(Sink& sink) : sink_(sink) {}
    bool CanGoBack() const override { return false; }
    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 WriteFailure& failure) override;
    // Zeros as the sink's WriteZeros writes them: a hole where it can.
    bool Fill(std::uint64_t offset, std::span<const unsigned char> pattern, std::uint64_t count,
              WriteFailure& failure) override;

private:
    Sink& sink_;
    std::uint64_t position_ = 0;
};

} // namespace octolume::dump_tool
