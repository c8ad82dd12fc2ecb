// libFuzzer target: every formatting path this CPU runs, on any bytes at any offset,
// against the printf reference, and octolume-dump's revert of that text back to the same
// bytes at the same offset, with CR LF, LF or CR line ends or all three mixed, read in
// pieces of any length. The first eight bytes of an input pick the offset. The whole input
// as dump text must revert without a fault, whatever it holds. The bytes with their lines
// repeated, dumped squeezed (in colour or not) and reverted, give the same bytes; the
// coloured lines without their codes are the plain ones.

#include "engine/cli/dump_revert.h"
#include "engine/core/dump_colors.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"
#include "colored_text.h"
#include "reference_dump.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

using octolume::test::TextSink;
using octolume::test::WithoutCodes;

class Text final : public octolume::dump_tool::Source {
public:
    explicit Text(std::string_view text, std::size_t piece = SIZE_MAX)
        : text_(text), piece_(piece) {}
    bool Read(unsigned char* into, std::size_t size, std::size_t& read, std::string&) override {
        read = std::min({size, text_.size(), piece_});
        std::memcpy(into, text_.data(), read);
        text_.remove_prefix(read);
        return true;
    }

private:
    std::string_view text_;
    std::size_t piece_;
};

// The dump's CR LF line ends as `style` says: kept, LF or CR alone, or each line's own
// choice among the three, taken from `bytes`.
std::string WithLineEnds(const std::string& dump, std::size_t style,
                         std::span<const std::uint8_t> bytes) {
    std::string text;
    std::size_t line = 0;
    for (std::size_t at = 0; at < dump.size(); ++at) {
        if (dump[at] != '\r') {
            text += dump[at];
            continue;
        }
        const std::size_t end = style < 3 ? style : bytes[line++ % bytes.size()] % 3;
        text += end == 0 ? "\r\n" : end == 1 ? "\n" : "\r";
        ++at; // the LF
    }
    return text;
}

// The bytes a revert writes, and whether each piece followed the one before.
class Collected final : public octolume::dump_tool::ByteTarget {
public:
    bool CanGoBack() const override { return true; }
    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 octolume::dump_tool::WriteFailure&) override {
        // A text of any bytes may repeat a line up to any offset: the fuzzer's memory is not.
        if (bytes.size() + size > kMost)
            return false;
        if (!started) {
            first = offset;
            started = true;
        }
        inOrder = inOrder && offset == first + bytes.size();
        bytes.append(reinterpret_cast<const char*>(from), size);
        return true;
    }
    static constexpr std::size_t kMost = std::size_t{1} << 24;
    std::uint64_t first = 0;
    bool started = false, inOrder = true;
    std::string bytes;
};

// Bytes handed out in pieces of at most `piece`.
class Pieces final : public octolume::dump_tool::Source {
public:
    Pieces(std::string_view bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
    bool Read(unsigned char* into, std::size_t size, std::size_t& read, std::string&) override {
        read = std::min({size, bytes_.size(), piece_});
        if (read > 0)
            std::memcpy(into, bytes_.data(), read);
        bytes_.remove_prefix(read);
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t piece_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace octolume;
    {
        Text text({reinterpret_cast<const char*>(data), size});
        Collected anything;
        dump_tool::RevertDump(text, anything);
    }
    std::uint64_t offset = 0;
    const std::size_t taken = std::min(size, sizeof offset);
    std::memcpy(&offset, data, taken);
    data += taken;
    size -= taken;
    // Offsets just below a 4 GiB boundary are the interesting ones.
    if (offset & 1)
        offset = (offset & 0xFFFFFFFF00000000) | (0xFFFFFFFF - ((offset >> 1) & 0x3FF));
    offset = std::min(offset, UINT64_MAX - size);

    const std::string expected = test::ReferenceLines(data, size, offset);
    for (const dump_paths::Path path : dump_paths::AvailablePaths()) {
        std::string text(expected.size(), '\0');
        const char* end = dump_paths::FormatDumpLinesWith(path, {data, size}, offset, text.data());
        if (end != text.data() + text.size() || text != expected)
            std::abort();
    }

    // Back to bytes.
    const std::string dump =
        WithLineEnds(std::string(DumpHeader()) + expected, size % 4, {data, size});
    Text text(dump, 1 + offset % 101);
    Collected reverted;
    if (dump_tool::RevertDump(text, reverted).outcome != dump_tool::RevertOutcome::kDone ||
        !reverted.inOrder || (size > 0 && reverted.first != offset) ||
        reverted.bytes != std::string_view(reinterpret_cast<const char*>(data), size))
        std::abort();

    // In colour, the plain lines under the codes.
    std::string colored(ColoredDumpLinesMostSize(size), '\0');
    colored.resize(FormatColoredDumpLines({data, size}, offset, colored.data()) - colored.data());
    if (WithoutCodes(colored) != expected)
        std::abort();

    // Runs: each line of the input once more for every one of its first byte's low two bits.
    std::string runs;
    for (std::size_t at = 0; at < size; at += 16) {
        const std::string_view line(reinterpret_cast<const char*>(data) + at,
                                    std::min<std::size_t>(16, size - at));
        for (int times = 0; times <= (data[at] & 3); ++times)
            runs += line;
    }
    offset = std::min(offset, UINT64_MAX - runs.size());
    Pieces source(runs, 1 + size % 37);
    TextSink squeezed;
    const bool color = size & 4;
    if (dump_tool::StreamDump(source, squeezed, offset, dump_tool::kToTheEnd, {color, true})
                .outcome != dump_tool::StreamOutcome::kDone ||
        squeezed.text.ends_with("*\r\n"))
        std::abort();
    const std::string squeezedDump = color ? WithoutCodes(squeezed.text) : squeezed.text;
    Text squeezedText(squeezedDump, 1 + offset % 89);
    Collected back;
    if (dump_tool::RevertDump(squeezedText, back).outcome != dump_tool::RevertOutcome::kDone ||
        (!runs.empty() && back.first != offset) || back.bytes != runs)
        std::abort();
    return 0;
}
