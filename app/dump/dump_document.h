#pragma once
// A file's dump as the view's document of lines: the header, one line per 16 bytes, and the
// empty line after the last break, exactly as the engine writes the whole dump. A dump line
// is fixed (line n shows bytes 16 (n - 1) on), so positions and lines are worked out from the
// file's size alone, and only the lines asked for are made, a few hundred at a time, from the
// source's pages. Offsets of 4 GiB and more have more digits, their lines more characters.

#include "dump/dump_places.h"
#include "dump/dump_source.h"
#include "view/text_document.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace octolume {

class DumpDocument final : public TextDocument {
public:
    explicit DumpDocument(std::shared_ptr<const DumpSource> source);

    std::uint64_t LineCount() const override { return dataLines_ + 2; }
    std::uint64_t Length() const override { return length_; }
    std::uint64_t LineStart(std::uint64_t line) const override;
    std::size_t LineLength(std::uint64_t line) const override;
    std::uint64_t LineOf(std::uint64_t position) const override;
    std::size_t LongestLineLength() const override { return longest_; }
    std::wstring_view Line(std::uint64_t line) const override;
    void AppendText(std::uint64_t first, std::uint64_t last, std::wstring& out) const override;
    std::optional<std::pair<std::uint64_t, std::uint64_t>>
    WordAt(std::uint64_t position) const override;

    const std::shared_ptr<const DumpSource>& Source() const noexcept { return source_; }
    std::uint64_t Size() const noexcept { return size_; }
    // What a line of the document shows.
    DumpLine DumpLineAt(std::uint64_t line) const { return DumpLineOfRow(line, size_); }
    // Where a byte's hex pair starts.
    std::uint64_t PairPosition(std::uint64_t byte) const;

private:
    // Lines are made a chunk at a time, the few last asked for kept.
    static constexpr std::uint64_t kChunkLines = 256;
    struct Chunk {
        std::uint64_t index = ~std::uint64_t{0};
        std::uint64_t lastUse = 0;
        std::wstring text; // its lines, each with its CR LF
    };

    // Where a data line (0 for bytes 0 to 15) starts, and its length with its break.
    std::uint64_t DataLineStart(std::uint64_t dataLine) const;
    std::size_t DataLineSize(std::uint64_t dataLine) const;
    // A line's characters with its break.
    std::wstring_view WholeLine(std::uint64_t line) const;
    const Chunk& ChunkOf(std::uint64_t dataLine) const;

    std::shared_ptr<const DumpSource> source_;
    std::uint64_t size_;
    std::uint64_t dataLines_;
    std::uint64_t length_;
    std::size_t longest_;
    mutable std::array<Chunk, 4> chunks_;
    mutable std::uint64_t uses_ = 0;
};

} // namespace octolume
