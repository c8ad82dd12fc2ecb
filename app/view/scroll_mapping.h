#pragma once
// The vertical scroll bar over any number of lines. Its positions are 32-bit: up to
// kDirectScrollLines each line is a position of its own; beyond, the bar's positions
// 0 to kScaledScrollRange stand for fractions of the lines the first line in sight can be,
// the last position for the last of them. Lines, pages and wheel steps move the view in
// lines and only then set the bar. No window needed.

#include <cstdint>

namespace octolume {

constexpr std::uint64_t kDirectScrollLines = std::uint64_t{1} << 30;
constexpr std::uint32_t kScaledScrollRange = std::uint32_t{1} << 30;

// What SetScrollInfo is given: nMin 0, nMax, nPage and nPos.
struct ScrollBarSetting {
    int maximum = 0;
    unsigned page = 0;
    int position = 0;
    bool operator==(const ScrollBarSetting&) const = default;
};

// For `lineCount` lines with `rows` in sight, the first in sight being `firstLine` of at
// most `lastFirstLine`.
ScrollBarSetting VerticalScrollBar(std::uint64_t lineCount, std::uint64_t rows,
                                   std::uint64_t firstLine, std::uint64_t lastFirstLine);
// The first line in sight that a position of the bar (its 32-bit tracking position) stands
// for: 0 for the first, lastFirstLine for the last, never decreasing as the position grows.
std::uint64_t LineOfScrollPosition(int position, std::uint64_t lineCount,
                                   std::uint64_t lastFirstLine);

} // namespace octolume
