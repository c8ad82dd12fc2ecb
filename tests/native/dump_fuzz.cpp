// libFuzzer target: every formatting path this CPU runs, on any bytes at any offset,
// against the printf reference; and the engine's whole text with its truncation note.
// The first eight bytes of an input pick the offset, the next eight the file size.

#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"
#include "reference_dump.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::uint64_t TakeNumber(const std::uint8_t*& data, std::size_t& size) {
    std::uint64_t number = 0;
    const std::size_t taken = size < 8 ? size : 8;
    std::memcpy(&number, data, taken);
    data += taken;
    size -= taken;
    return number;
}

void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace octolume;
    std::uint64_t offset = TakeNumber(data, size);
    const std::uint64_t fileSize = TakeNumber(data, size);
    // Offsets near 4 GiB boundaries and near the top are the interesting ones.
    if (offset & 1)
        offset = (offset & 0xFFFFFFFF00000000) | (0xFFFFFFFF - ((offset >> 1) & 0x3FF));
    offset = std::min(offset, std::numeric_limits<std::uint64_t>::max() - size);

    const std::span<const unsigned char> bytes(data, size);
    const std::string expected = test::ReferenceLines(data, size, offset);
    Require(DumpLinesSize(size, offset) == expected.size());
    std::string text(expected.size(), '\0');
    for (const dump_paths::Path path : dump_paths::AvailablePaths()) {
        text.assign(expected.size(), '\0');
        Require(dump_paths::FormatDumpLinesWith(path, bytes, offset, text.data()) ==
                text.data() + text.size());
        Require(text == expected);
    }

    std::string whole = std::string(DumpHeader()) + test::ReferenceLines(data, size, 0);
    if (fileSize > size)
        whole += "--- Dump truncated: showing the first " + std::to_string(size) + " of " +
                 std::to_string(fileSize) + " bytes ---\r\n";
    Require(FormatDump(bytes, fileSize) == whole);
    return 0;
}
