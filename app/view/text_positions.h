#pragma once
// Positions, lines and columns of a line-indexed text: how the caret moves, what a
// selection covers and which character a point of the view falls on. No window needed.

#include "view/line_indexed_text.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace octolume {

// The anchor stays where a selection began; the caret moves.
struct TextSelection {
    std::size_t anchor = 0;
    std::size_t caret = 0;

    std::size_t Start() const noexcept { return std::min(anchor, caret); }
    std::size_t End() const noexcept { return std::max(anchor, caret); }
    bool Empty() const noexcept { return anchor == caret; }
};

// A position moved by one character, CR LF counting as one.
std::size_t NextPosition(const LineIndexedText& text, std::size_t position) noexcept;
std::size_t PreviousPosition(const LineIndexedText& text, std::size_t position) noexcept;
// The run of characters of the same kind (blank or not) around a position: a word.
std::pair<std::size_t, std::size_t> WordAround(const LineIndexedText& text,
                                               std::size_t position) noexcept;
// The position at a column of a line, both clamped into the text.
std::size_t PositionOnLine(const LineIndexedText& text, long long line,
                           std::size_t column) noexcept;

// The view's grid of character cells: which line and column its top-left cell shows,
// and the size of a cell in pixels.
struct CellGrid {
    std::size_t firstLine = 0;
    std::size_t firstColumn = 0;
    int cellWidth = 8;
    int cellHeight = 16;
    int margin = 2; // pixels left of the first column

    // The x of a column's left edge; columns left of the first in sight are negative.
    int ColumnX(std::size_t column) const noexcept {
        return margin + (static_cast<int>(column) - static_cast<int>(firstColumn)) * cellWidth;
    }
    // Whole cells in a client area of this size, at least 1.
    std::size_t RowsIn(int height) const noexcept {
        return std::max<std::size_t>(1, static_cast<std::size_t>(std::max(0, height) / cellHeight));
    }
    std::size_t ColumnsIn(int width) const noexcept {
        return std::max<std::size_t>(
            1, static_cast<std::size_t>(std::max(0, width - margin) / cellWidth));
    }
    // The gap between two characters nearest to a point, also outside the view: above it
    // is the line before the first in sight.
    std::size_t PositionAt(const LineIndexedText& text, int x, int y) const noexcept;
};

// The first line or column that a scroll may put at the top or left: the last ones then
// fill the view. Columns get one more than the longest line, for the caret at its end.
inline std::size_t LastFirstLine(const LineIndexedText& text, std::size_t rows) noexcept {
    return text.LineCount() > rows ? text.LineCount() - rows : 0;
}
inline std::size_t LastFirstColumn(const LineIndexedText& text, std::size_t columns) noexcept {
    const std::size_t all = text.LongestLineLength() + 1;
    return all > columns ? all - columns : 0;
}

} // namespace octolume
