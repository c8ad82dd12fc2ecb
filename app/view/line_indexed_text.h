#pragma once
// A text held once in memory, with an index of where each line starts: the document of a
// text set whole (a message, a text another program sets). A line ends at CR LF, or at a CR
// or an LF alone; the break belongs to the line it ends, and character positions count it,
// as an edit control's do.

#include "view/text_document.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace octolume {

class LineIndexedText final : public TextDocument {
public:
    LineIndexedText() = default;
    explicit LineIndexedText(std::wstring text) { Assign(std::move(text)); }

    // Takes the text over. The index is built before anything changes, so a failed
    // allocation (std::bad_alloc) leaves the old text in place.
    void Assign(std::wstring text);

    const std::wstring& Text() const noexcept { return text_; }

    std::uint64_t LineCount() const override { return laterLineStarts_.size() + 1; }
    std::uint64_t Length() const override { return text_.size(); }
    std::uint64_t LineStart(std::uint64_t line) const override;
    std::size_t LineLength(std::uint64_t line) const override;
    std::uint64_t LineOf(std::uint64_t position) const override;
    std::size_t LongestLineLength() const override { return longestLine_; }
    std::wstring_view Line(std::uint64_t line) const override;
    void AppendText(std::uint64_t first, std::uint64_t last, std::wstring& out) const override;

private:
    std::wstring text_;
    // Where lines 1 to n - 1 start; line 0 starts at 0, so an empty text needs no entry.
    std::vector<std::size_t> laterLineStarts_;
    std::size_t longestLine_ = 0;
};

} // namespace octolume
