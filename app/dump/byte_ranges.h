#pragma once
// Runs of whole bytes of a dump: the bytes a selection of its text covers (what Copy as hex
// and Copy as C array copy), and the block Select Block is asked for. No window needed.

#include "dump/inspector_values.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace octolume {

// A place in a dump's text: in front of the character at `column` of line `row` (rows as
// DumpLineOfRow counts them: 0 the header, r >= 1 the line of the bytes from 16 (r - 1) on).
struct DumpPlace {
    std::uint64_t row = 0;
    std::size_t column = 0;
    auto operator<=>(const DumpPlace&) const = default;
};

// The whole bytes a selection of the dump's text between two places (in either order) stands
// for. On one line, the bytes whose hex pair or character is selected, a pair counting when
// either of its digits is, and every byte between the first and the last of them. Over
// several lines, each end counts in the column it lies in: from the byte whose pair or
// character the selection starts on (or the next one) to the byte whose pair or character
// its last selected character belongs to. A count of 0 when it covers none (the offsets, the
// header, blanks, the bars alone).
ByteSelection SelectedBytes(DumpPlace from, DumpPlace to, std::uint64_t fileSize) noexcept;

// Select Block's fields: a start offset and either a length or an end offset (inclusive),
// each typed as Go To takes offsets.
struct BlockFields {
    std::wstring_view start;
    std::wstring_view second; // the length, or the end offset when endChosen
    bool endChosen = false;
    bool decimal = false;
};

enum class BlockField { kStart, kSecond };

// The block, or a refusal for the user that gives the valid range, and the field it is about.
struct ParsedBlock {
    std::optional<ByteSelection> block; // its count at least 1
    std::wstring refusal;
    BlockField field = BlockField::kStart;
};
// The start is refused as Go To refuses an offset; a length of 0 or one that runs past the
// end, or an end before the start or past the end, with the lengths or ends that the start
// allows.
ParsedBlock ParseBlock(const BlockFields& fields, std::uint64_t fileSize);

// The second field's text for a block, as a length or as its end offset, in hex ("1F0") or
// decimal ("496"): what the field shows when the user switches between the two.
std::wstring BlockSecondText(const ByteSelection& block, bool endChosen, bool decimal);

} // namespace octolume
