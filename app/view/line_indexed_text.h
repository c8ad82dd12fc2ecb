#pragma once
// A text held once, with an index of where each line starts. A line ends at CR LF, or at a
// CR or an LF alone; the break belongs to the line it ends, and character positions count
// it, as an edit control's do.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace octolume {

class LineIndexedText {
public:
    // Takes the text over. The index is built before anything changes, so a failed
    // allocation (std::bad_alloc) leaves the old text in place.
    void Assign(std::wstring text);

    const std::wstring& Text() const noexcept { return text_; }
    std::size_t Length() const noexcept { return text_.size(); }
    // At least 1: an empty text is one empty line, and so is what follows a last break.
    std::size_t LineCount() const noexcept { return laterLineStarts_.size() + 1; }
    std::size_t LineStart(std::size_t line) const noexcept;
    // Without its break.
    std::size_t LineLength(std::size_t line) const noexcept;
    std::wstring_view Line(std::size_t line) const noexcept;
    // The line a position is on; a position past the end is on the last line.
    std::size_t LineOf(std::size_t position) const noexcept;
    std::size_t ColumnOf(std::size_t position) const noexcept {
        return position - LineStart(LineOf(position));
    }
    std::size_t LongestLineLength() const noexcept { return longestLine_; }
    // Differs for every text assigned in the process: what was read from one text is
    // known stale once the number changes.
    std::uint64_t Serial() const noexcept { return serial_; }

private:
    std::wstring text_;
    // Where lines 1 to n - 1 start; line 0 starts at 0, so an empty text needs no entry.
    std::vector<std::size_t> laterLineStarts_;
    std::size_t longestLine_ = 0;
    std::uint64_t serial_ = 0;
};

} // namespace octolume
