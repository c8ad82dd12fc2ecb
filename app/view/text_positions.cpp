#include "view/text_positions.h"

namespace octolume {

namespace {

bool IsBlank(wchar_t character) {
    return character == L' ' || character == L'\t';
}

// Rounded towards minus infinity, as rows and columns above or left of the view are.
std::int64_t FloorDivide(std::int64_t value, std::int64_t by) {
    return value >= 0 ? value / by : -1 - (-1 - value) / by;
}

} // namespace

std::uint64_t NextPosition(const TextDocument& text, std::uint64_t position) {
    if (position >= text.Length())
        return text.Length();
    const std::uint64_t line = text.LineOf(position);
    // Within the break, the next position is the next line's start.
    return position < text.LineEnd(line) ? position + 1 : text.LineStart(line + 1);
}

std::uint64_t PreviousPosition(const TextDocument& text, std::uint64_t position) {
    if (position == 0)
        return 0;
    position = std::min(position, text.Length());
    const std::uint64_t line = text.LineOf(position);
    const std::uint64_t start = text.LineStart(line);
    if (position == start) // over the break before it, to the end of the line before
        return text.LineEnd(line - 1);
    return std::min(position - 1, text.LineEnd(line));
}

std::pair<std::uint64_t, std::uint64_t> WordAround(const TextDocument& text,
                                                   std::uint64_t position) {
    if (const auto word = text.WordAt(position))
        return *word;
    const std::uint64_t line = text.LineOf(position);
    const std::uint64_t start = text.LineStart(line);
    const std::wstring_view characters = text.Line(line);
    const std::size_t end = characters.size();
    auto at = static_cast<std::size_t>(std::min<std::uint64_t>(position - start, end));
    if (end == 0)
        return {start, start};
    // At the end of a line the word is the one it ends.
    const bool blank = IsBlank(characters[at == end ? at - 1 : at]);
    std::size_t first = at, last = at;
    while (first > 0 && IsBlank(characters[first - 1]) == blank)
        --first;
    while (last < end && IsBlank(characters[last]) == blank)
        ++last;
    return {start + first, start + last};
}

std::uint64_t LineMovedBy(const TextDocument& text, std::uint64_t line, std::int64_t lines) {
    const std::uint64_t last = text.LineCount() - 1;
    if (lines < 0)
        return line > static_cast<std::uint64_t>(-(lines + 1)) ? line + lines : 0;
    return last - line > static_cast<std::uint64_t>(lines) ? line + lines : last;
}

std::uint64_t PositionOnLine(const TextDocument& text, std::int64_t line, std::size_t column) {
    const std::uint64_t clamped =
        line < 0 ? 0 : std::min<std::uint64_t>(static_cast<std::uint64_t>(line), text.LineCount() - 1);
    return text.LineStart(clamped) + std::min(column, text.LineLength(clamped));
}

std::uint64_t CellGrid::PositionAt(const TextDocument& text, int x, int y) const {
    const std::int64_t row = FloorDivide(y, cellHeight);
    const std::uint64_t line = LineMovedBy(text, firstLine, row);
    // The nearest gap: half a cell to the right of a character's left edge is its right one.
    const std::int64_t column =
        static_cast<std::int64_t>(firstColumn) +
        FloorDivide(static_cast<std::int64_t>(x) - margin + cellWidth / 2, cellWidth);
    return PositionOnLine(text, static_cast<std::int64_t>(line),
                          static_cast<std::size_t>(std::max<std::int64_t>(0, column)));
}

} // namespace octolume
