#include "dump_format.h"

#include <algorithm>

namespace octolume {

namespace {

constexpr std::string_view kHeader =
    "Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n";

std::string TruncationNote(std::size_t shown, std::uint64_t fileSize) {
    if (fileSize <= shown)
        return {};
    return "--- Dump truncated: showing the first " + std::to_string(shown) + " of " +
           std::to_string(fileSize) + " bytes ---\r\n";
}

} // namespace

std::string_view DumpHeader() {
    return kHeader;
}

std::size_t FormatDumpSize(std::size_t byteCount, std::uint64_t fileSize) {
    return kHeader.size() + DumpLinesSize(byteCount, 0) +
           TruncationNote(byteCount, fileSize).size();
}

char* FormatDumpTo(std::span<const unsigned char> bytes, std::uint64_t fileSize, char* out) {
    out = std::copy(kHeader.begin(), kHeader.end(), out);
    out = FormatDumpLines(bytes, 0, out);
    const std::string note = TruncationNote(bytes.size(), fileSize);
    return std::copy(note.begin(), note.end(), out);
}

std::string FormatDump(std::span<const unsigned char> bytes, std::uint64_t fileSize) {
    std::string text(FormatDumpSize(bytes.size(), fileSize), '\0');
    FormatDumpTo(bytes, fileSize, text.data());
    return text;
}

} // namespace octolume
