// libFuzzer target: every formatting path this CPU runs, on any bytes at any offset,
// against the printf reference, and octolume-dump's revert of that text back to the same
// bytes at the same offset. The first eight bytes of an input pick the offset. The whole
// input as dump text must revert without a fault, whatever it holds.

#include "engine/cli/dump_revert.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"
#include "reference_dump.h"

#include <cstdlib>
#include <cstring>

namespace {

class Text final : public octolume::dump_tool::Source {
public:
    explicit Text(std::string_view text) : text_(text) {}
    bool Read(unsigned char* into, std::size_t size, std::size_t& read, std::string&) override {
        read = std::min(size, text_.size());
        std::memcpy(into, text_.data(), read);
        text_.remove_prefix(read);
        return true;
    }

private:
    std::string_view text_;
};

// The bytes a revert writes, and whether each piece followed the one before.
class Collected final : public octolume::dump_tool::ByteTarget {
public:
    bool CanGoBack() const override { return true; }
    bool WriteAt(std::uint64_t offset, const unsigned char* from, std::size_t size,
                 octolume::dump_tool::WriteFailure&) override {
        if (!started) {
            first = offset;
            started = true;
        }
        inOrder = inOrder && offset == first + bytes.size();
        bytes.append(reinterpret_cast<const char*>(from), size);
        return true;
    }
    std::uint64_t first = 0;
    bool started = false, inOrder = true;
    std::string bytes;
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

    // Back to bytes, with CR LF or LF line ends.
    std::string dump = std::string(DumpHeader()) + expected;
    if (size % 2)
        std::erase(dump, '\r');
    Text text(dump);
    Collected reverted;
    if (dump_tool::RevertDump(text, reverted).outcome != dump_tool::RevertOutcome::kDone ||
        !reverted.inOrder || (size > 0 && reverted.first != offset) ||
        reverted.bytes != std::string_view(reinterpret_cast<const char*>(data), size))
        std::abort();
    return 0;
}
