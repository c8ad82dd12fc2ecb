// libFuzzer target: every formatting path this CPU runs, on any bytes at any offset,
// against the printf reference. The first eight bytes of an input pick the offset.

#include "engine/core/dump_format.h"
#include "engine/core/dump_paths.h"
#include "reference_dump.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace octolume;
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
    return 0;
}
