#include "dump/view_bytes.h"

#include "support/app_error.h"

#include <array>
#include <vector>

namespace octolume {

namespace {

constexpr std::uint64_t kValuesPerCLine = 12;

std::uint64_t DecimalDigits(std::uint64_t value) noexcept {
    std::uint64_t digits = 1;
    for (; value >= 10; value /= 10)
        ++digits;
    return digits;
}

} // namespace

DumpPlace PlaceOf(const DumpDocument& dump, std::uint64_t position) {
    const std::uint64_t line = dump.LineOf(position);
    return {line, static_cast<std::size_t>(position - dump.LineStart(line))};
}

std::uint64_t CaretByteAt(const DumpDocument& dump, std::uint64_t caret) {
    const DumpPlace place = PlaceOf(dump, caret);
    return CaretByte(dump.DumpLineAt(place.row), place.column);
}

ByteSelection CoveredBytes(const DumpDocument& dump, TextSelection selection) {
    if (selection.Empty())
        return {};
    return SelectedBytes(PlaceOf(dump, selection.Start()), PlaceOf(dump, selection.End()),
                         dump.Size());
}

BytesAtCaret BytesFrom(const DumpSource& source, std::uint64_t byte) {
    std::array<unsigned char, kInspectedByteCount> bytes{};
    const std::size_t read = byte < source.Size() ? source.ReadBytes(byte, bytes) : 0;
    return BytesAtCaret({bytes.data(), read});
}

std::uint64_t CopyAsLength(CopyAsForm form, std::uint64_t count) noexcept {
    if (form == CopyAsForm::kHex)
        return count == 0 ? 0 : 3 * count - 1;
    if (count == 0)
        return 13; // "/* 0 bytes */"
    // "const unsigned char data[N] = {", then " 0x48," a value (the last without its comma),
    // and " };"; over several lines each line's first value has a break and an indent in
    // front of it instead of a blank, and the closing line "\r\n};".
    const std::uint64_t opening = 30 + DecimalDigits(count);
    if (count <= kValuesPerCLine)
        return opening + 6 * count - 1 + 3;
    const std::uint64_t lines = (count + kValuesPerCLine - 1) / kValuesPerCLine;
    return opening + 6 * count - 1 + 5 * lines + 4;
}

std::wstring CopyAsText(const DumpSource& source, ByteSelection bytes, CopyAsForm form) {
    std::vector<unsigned char> read(static_cast<std::size_t>(bytes.count));
    if (bytes.first > source.Size() || source.ReadBytes(bytes.first, read) != read.size())
        throw AppError(error_number::kCannotDump,
                       L"The file no longer has all of the selected bytes: load it again (F5).");
    return form == CopyAsForm::kHex ? HexPairsText(read) : CArrayText(read);
}

} // namespace octolume
