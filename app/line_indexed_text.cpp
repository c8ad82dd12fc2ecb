#include "line_indexed_text.h"

#include <algorithm>

namespace octolume {

namespace {

// A dump line is 80 characters: a guess that spares the index most of its regrowth.
constexpr std::size_t kTypicalLineLength = 80;

} // namespace

void LineIndexedText::Assign(std::wstring text) {
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

    static std::uint64_t lastSerial = 0;
    text_ = std::move(text);
    laterLineStarts_ = std::move(starts);
    longestLine_ = longest;
    serial_ = ++lastSerial;
}

std::size_t LineIndexedText::LineStart(std::size_t line) const noexcept {
    if (line == 0)
        return 0;
    return line <= laterLineStarts_.size() ? laterLineStarts_[line - 1] : text_.size();
}

std::size_t LineIndexedText::LineLength(std::size_t line) const noexcept {
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

std::wstring_view LineIndexedText::Line(std::size_t line) const noexcept {
    return std::wstring_view(text_).substr(LineStart(line), LineLength(line));
}

std::size_t LineIndexedText::LineOf(std::size_t position) const noexcept {
    // Lines before the position's: those starting at or before it.
    return static_cast<std::size_t>(
        std::upper_bound(laterLineStarts_.begin(), laterLineStarts_.end(), position) -
        laterLineStarts_.begin());
}

} // namespace octolume
