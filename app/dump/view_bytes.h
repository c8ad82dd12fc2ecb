#pragma once
// What the caret and the selection of a dump's text stand on, in whole bytes, and what Copy as
// hex and Copy as C array make of them. No window needed: it works on the dump's document of
// lines and its source, the engine's bytes.

#include "dump/byte_ranges.h"
#include "dump/dump_document.h"
#include "dump/inspector_values.h"
#include "view/text_positions.h"

#include <cstdint>
#include <optional>
#include <string>

namespace octolume {

enum class CopyAsForm { kHex, kCArray };

// The place of a position of the dump's text: its line and the column it is in front of.
DumpPlace PlaceOf(const DumpDocument& dump, std::uint64_t position);
// The byte the caret stands on (CaretByte): the file's size on the empty last line.
std::uint64_t CaretByteAt(const DumpDocument& dump, std::uint64_t caret);
// The whole bytes whose pairs or characters a selection covers; a count of 0 for none.
ByteSelection CoveredBytes(const DumpDocument& dump, TextSelection selection);
// The inspector's bytes: up to kInspectedByteCount from `byte` on, as the source has them.
BytesAtCaret BytesFrom(const DumpSource& source, std::uint64_t byte);

// How many characters Copy as makes of `count` bytes, worked out without making them, so
// that a copy beyond the bound is refused before any byte is read.
std::uint64_t CopyAsLength(CopyAsForm form, std::uint64_t count) noexcept;
// Copy as's text of the bytes, read from the source. Throws AppError when the file no longer
// has them all (it was cut short since it was opened).
std::wstring CopyAsText(const DumpSource& source, ByteSelection bytes, CopyAsForm form);

} // namespace octolume
