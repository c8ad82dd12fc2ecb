#include "view/text_positions.h"

namespace octolume {

namespace {

bool IsBlank(wchar_t character) {
    return character == L' ' || character == L'\t' || character == L'\r' || character == L'\n';
}

// Rounded towards minus infinity, as rows and columns above or left of the view are.
long long FloorDivide(long long value, long long by) {
    return value >= 0 ? value / by : -1 - (-1 - value) / by;
}

} // namespace

std::size_t NextPosition(const LineIndexedText& text, std::size_t position) noexcept {
    const std::wstring& characters = text.Text();
    if (position >= characters.size())
        return characters.size();
    if (characters[position] == L'\r' && position + 1 < characters.size() &&
        characters[position + 1] == L'\n')
        return position + 2;
    return position + 1;
}

std::size_t PreviousPosition(const LineIndexedText& text, std::size_t position) noexcept {
    const std::wstring& characters = text.Text();
    if (position == 0)
        return 0;
    position = std::min(position, characters.size());
    if (position >= 2 && characters[position - 1] == L'\n' && characters[position - 2] == L'\r')
        return position - 2;
    return position - 1;
}

std::pair<std::size_t, std::size_t> WordAround(const LineIndexedText& text,
                                               std::size_t position) noexcept {
    const std::wstring& characters = text.Text();
    const std::size_t line = text.LineOf(position);
    const std::size_t start = text.LineStart(line), end = start + text.LineLength(line);
    position = std::min(position, end);
    if (start == end)
        return {start, end};
    // At the end of a line the word is the one it ends.
    const bool blank = IsBlank(characters[position == end ? position - 1 : position]);
    std::size_t first = position, last = position;
    while (first > start && IsBlank(characters[first - 1]) == blank)
        --first;
    while (last < end && IsBlank(characters[last]) == blank)
        ++last;
    return {first, last};
}

std::size_t PositionOnLine(const LineIndexedText& text, long long line,
                           std::size_t column) noexcept {
    const auto clamped = static_cast<std::size_t>(
        std::clamp<long long>(line, 0, static_cast<long long>(text.LineCount() - 1)));
    return text.LineStart(clamped) + std::min(column, text.LineLength(clamped));
}

std::size_t CellGrid::PositionAt(const LineIndexedText& text, int x, int y) const noexcept {
    const long long line = static_cast<long long>(firstLine) + FloorDivide(y, cellHeight);
    // The nearest gap: half a cell to the right of a character's left edge is its right one.
    const long long column =
        static_cast<long long>(firstColumn) +
        FloorDivide(static_cast<long long>(x) - margin + cellWidth / 2, cellWidth);
    return PositionOnLine(text, line, static_cast<std::size_t>(std::max(0LL, column)));
}

} // namespace octolume
