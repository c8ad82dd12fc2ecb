#include "view_text.h"

#include <algorithm>

namespace octolume {

namespace {

// A dump line is 80 characters: a guess that spares the index most of its regrowth.
constexpr std::size_t kTypicalLineLength = 80;

bool IsBlank(wchar_t character) {
    return character == L' ' || character == L'\t' || character == L'\r' || character == L'\n';
}

} // namespace

void ViewText::Assign(std::wstring text) {
    std::vector<std::size_t> starts;
    starts.reserve(text.size() / kTypicalLineLength);
    std::size_t longest = 0, lineStart = 0;
    const wchar_t* const characters = text.data();
    const std::size_t length = text.size();
    for (std::size_t at = 0; at < length; ++at) {
        const wchar_t character = characters[at];
        // Most characters are no break: one comparison sends them on.
        if (character > L'\r' || (character != L'\r' && character != L'\n'))
            continue;
        longest = std::max(longest, at - lineStart);
        if (character == L'\r' && at + 1 < length && characters[at + 1] == L'\n')
            ++at;
        lineStart = at + 1;
        starts.push_back(lineStart);
    }
    longest = std::max(longest, length - lineStart);

    text_ = std::move(text);
    laterLineStarts_ = std::move(starts);
    longestLine_ = longest;
}

std::size_t ViewText::LineStart(std::size_t line) const noexcept {
    if (line == 0)
        return 0;
    return line <= laterLineStarts_.size() ? laterLineStarts_[line - 1] : text_.size();
}

std::size_t ViewText::LineLength(std::size_t line) const noexcept {
    if (line >= LineCount())
        return 0;
    const std::size_t start = LineStart(line);
    if (line + 1 == LineCount())
        return text_.size() - start;
    std::size_t end = laterLineStarts_[line];
    // Every line but the last ends in its break: CR LF, or one of the two alone.
    --end;
    if (text_[end] == L'\n' && end > start && text_[end - 1] == L'\r')
        --end;
    return end - start;
}

std::wstring_view ViewText::Line(std::size_t line) const noexcept {
    return std::wstring_view(text_).substr(LineStart(line), LineLength(line));
}

std::size_t ViewText::LineOf(std::size_t position) const noexcept {
    // Lines before the position's: those starting at or before it.
    return static_cast<std::size_t>(
        std::upper_bound(laterLineStarts_.begin(), laterLineStarts_.end(), position) -
        laterLineStarts_.begin());
}

std::size_t ViewText::Next(std::size_t position) const noexcept {
    if (position >= text_.size())
        return text_.size();
    if (text_[position] == L'\r' && position + 1 < text_.size() && text_[position + 1] == L'\n')
        return position + 2;
    return position + 1;
}

std::size_t ViewText::Previous(std::size_t position) const noexcept {
    if (position == 0)
        return 0;
    position = std::min(position, text_.size());
    if (position >= 2 && text_[position - 1] == L'\n' && text_[position - 2] == L'\r')
        return position - 2;
    return position - 1;
}

std::pair<std::size_t, std::size_t> ViewText::WordAround(std::size_t position) const noexcept {
    const std::size_t line = LineOf(position);
    const std::size_t start = LineStart(line), end = start + LineLength(line);
    position = std::min(position, end);
    if (start == end)
        return {start, end};
    // At the end of a line the word is the one it ends.
    const bool blank = IsBlank(text_[position == end ? position - 1 : position]);
    std::size_t first = position, last = position;
    while (first > start && IsBlank(text_[first - 1]) == blank)
        --first;
    while (last < end && IsBlank(text_[last]) == blank)
        ++last;
    return {first, last};
}

} // namespace octolume
