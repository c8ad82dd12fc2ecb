#pragma once
// What the text view shows: a document of lines that it asks for, line by line, so that a
// text held in memory and one made on demand (hundreds of billions of characters) take the
// same path. Positions count characters, a line's break included (CR LF is two), as an edit
// control's do; they and line numbers are 64-bit.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace octolume {

class TextDocument {
public:
    virtual ~TextDocument() = default;

    // At least 1: an empty text is one empty line, and so is what follows a last break.
    virtual std::uint64_t LineCount() const = 0;
    virtual std::uint64_t Length() const = 0;
    // Where a line starts; past the last line, the length.
    virtual std::uint64_t LineStart(std::uint64_t line) const = 0;
    // Without its break; 0 past the last line.
    virtual std::size_t LineLength(std::uint64_t line) const = 0;
    // The line a position is on; a position past the end is on the last line.
    virtual std::uint64_t LineOf(std::uint64_t position) const = 0;
    virtual std::size_t LongestLineLength() const = 0;
    // A line's characters without its break. The view into them lasts until the next call
    // of Line on the same document (a document made on demand keeps a few lines only).
    virtual std::wstring_view Line(std::uint64_t line) const = 0;
    // The characters [first, last), breaks included, appended to `out`.
    virtual void AppendText(std::uint64_t first, std::uint64_t last, std::wstring& out) const = 0;
    // The word a double-click at a position takes, where the document knows its words better
    // than runs of blanks and others do.
    virtual std::optional<std::pair<std::uint64_t, std::uint64_t>>
    WordAt(std::uint64_t /*position*/) const {
        return std::nullopt;
    }

    std::uint64_t ColumnOf(std::uint64_t position) const {
        return position - LineStart(LineOf(position));
    }
    // The position after a line's last character, before its break.
    std::uint64_t LineEnd(std::uint64_t line) const { return LineStart(line) + LineLength(line); }
};

} // namespace octolume
