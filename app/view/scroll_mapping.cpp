#include "view/scroll_mapping.h"

#include <algorithm>

namespace octolume {

namespace {

bool Scaled(std::uint64_t lineCount) {
    return lineCount > kDirectScrollLines;
}

// value * by / range, rounded down, for a 64-bit value and 32-bit factors: no 128-bit
// integers on a 32-bit processor.
std::uint64_t Scale(std::uint64_t value, std::uint32_t by, std::uint32_t range) {
    return value / range * by + value % range * by / range;
}

// value * range / divisor, rounded down, exactly, for value <= divisor < 2^63: the long
// division of a 94-bit product one bit of the range at a time.
std::uint64_t ScaleToRange(std::uint64_t value, std::uint64_t divisor) {
    std::uint64_t quotient = 0, remainder = value;
    for (std::uint32_t bit = kScaledScrollRange; bit > 1; bit >>= 1) {
        remainder <<= 1;
        quotient <<= 1;
        if (remainder >= divisor) {
            remainder -= divisor;
            quotient |= 1;
        }
    }
    return quotient;
}

} // namespace

ScrollBarSetting VerticalScrollBar(std::uint64_t lineCount, std::uint64_t rows,
                                   std::uint64_t firstLine, std::uint64_t lastFirstLine) {
    if (!Scaled(lineCount))
        return {static_cast<int>(lineCount - 1), static_cast<unsigned>(rows),
                static_cast<int>(firstLine)};
    // The box keeps the share of the bar that the page has of the lines, at least one
    // position; the positions past the last one the box can take are the page's.
    const auto page = static_cast<unsigned>(
        std::max<std::uint64_t>(1, Scale(rows, kScaledScrollRange, static_cast<std::uint32_t>(
                                                                       std::min<std::uint64_t>(
                                                                           lineCount, ~0u)))));
    std::uint64_t position = kScaledScrollRange;
    // The inverse of LineOfScrollPosition: rounded down both ways, so a line set from a
    // position shows that position again or the one before it.
    if (firstLine < lastFirstLine)
        position = ScaleToRange(firstLine, lastFirstLine);
    return {static_cast<int>(kScaledScrollRange + page - 1), page, static_cast<int>(position)};
}

std::uint64_t LineOfScrollPosition(int position, std::uint64_t lineCount,
                                   std::uint64_t lastFirstLine) {
    const auto at = static_cast<std::uint64_t>(std::max(position, 0));
    if (!Scaled(lineCount))
        return std::min(at, lastFirstLine);
    if (at >= kScaledScrollRange)
        return lastFirstLine;
    return Scale(lastFirstLine, static_cast<std::uint32_t>(at), kScaledScrollRange);
}

} // namespace octolume
