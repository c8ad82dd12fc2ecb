#pragma once
// Positions, lines and columns of a document: how the caret moves, what a selection covers
// and which character a point of the view falls on. No window needed.

#include "view/text_document.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace octolume {

// The anchor stays where a selection began; the caret moves.
struct TextSelection {
    std::uint64_t anchor = 0;
    std::uint64_t caret = 0;

    std::uint64_t Start() const noexcept { return std::min(anchor, caret); }
    std::uint64_t End() const noexcept { return std::max(anchor, caret); }
    bool Empty() const noexcept { return anchor == caret; }
    bool operator==(const TextSelection&) const = default;
};

// A position moved by one character; a line's break (CR LF too) counts as one.
std::uint64_t NextPosition(const TextDocument& text, std::uint64_t position);
std::uint64_t PreviousPosition(const TextDocument& text, std::uint64_t position);
// The run of characters of the same kind (blank or not) around a position: a word, unless
// the document knows its own words.
std::pair<std::uint64_t, std::uint64_t> WordAround(const TextDocument& text,
                                                   std::uint64_t position);
// The position at a column of a line, both clamped into the text.
std::uint64_t PositionOnLine(const TextDocument& text, std::int64_t line, std::size_t column);
// A line moved by `lines` (up when negative), clamped into the text.
std::uint64_t LineMovedBy(const TextDocument& text, std::uint64_t line, std::int64_t lines);

// The view's grid of character cells: which line and column its top-left cell shows,
// and the size of a cell in pixels.
struct CellGrid {
    std::uint64_t firstLine = 0;
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
    std::uint64_t PositionAt(const TextDocument& text, int x, int y) const;
};

// The first line or column that a scroll may put at the top or left: the last ones then
// fill the view. Columns get one more than the longest line, for the caret at its end.
inline std::uint64_t LastFirstLine(const TextDocument& text, std::size_t rows) {
    return text.LineCount() > rows ? text.LineCount() - rows : 0;
}
inline std::size_t LastFirstColumn(const TextDocument& text, std::size_t columns) {
    const std::size_t all = text.LongestLineLength() + 1;
    return all > columns ? all - columns : 0;
}

} // namespace octolume
