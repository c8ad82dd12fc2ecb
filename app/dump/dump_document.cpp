#include "dump/dump_document.h"

#include "engine/core/dump_format.h"
#include "engine/core/dump_layout.h"
#include "engine/core/paged_bytes.h"

#include <algorithm>

namespace octolume {

namespace layout = dump_layout;

namespace {

// Beyond any file a system holds; keeps every position within 64 bits.
constexpr std::uint64_t kLargestSize = std::uint64_t{1} << 60;

// The first data line whose offset has `extra` more digits than eight: 16^(6 + extra).
constexpr std::uint64_t FirstLineWithExtraDigits(std::size_t extra) {
    return std::uint64_t{1} << (4 * (6 + extra));
}
constexpr std::size_t kMostExtraDigits = 8; // offsets below 2^64

std::size_t HeaderSize() {
    return DumpHeader().size();
}

const std::wstring& WideHeader() {
    static const std::wstring header(DumpHeader().begin(), DumpHeader().end());
    return header;
}

} // namespace

DumpDocument::DumpDocument(std::shared_ptr<const DumpSource> source)
    : source_(std::move(source)), size_(std::min(source_->Size(), kLargestSize)),
      dataLines_((size_ + layout::kBytesPerLine - 1) / layout::kBytesPerLine) {
    length_ = dataLines_ == 0 ? HeaderSize()
                              : DataLineStart(dataLines_ - 1) + DataLineSize(dataLines_ - 1);
    longest_ = HeaderSize() - 2;
    for (std::uint64_t line = dataLines_ > 2 ? dataLines_ - 2 : 0; line < dataLines_; ++line)
        longest_ = std::max(longest_, DataLineSize(line) - 2);
}

std::uint64_t DumpDocument::DataLineStart(std::uint64_t dataLine) const {
    std::uint64_t start = HeaderSize() + dataLine * layout::kLineSize;
    for (std::size_t extra = 1; extra <= kMostExtraDigits; ++extra) {
        const std::uint64_t first = FirstLineWithExtraDigits(extra);
        if (dataLine <= first)
            break;
        start += dataLine - first; // one more character on each line from there on
    }
    return start;
}

std::size_t DumpDocument::DataLineSize(std::uint64_t dataLine) const {
    const std::uint64_t firstByte = dataLine * layout::kBytesPerLine;
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(size_ - firstByte, layout::kBytesPerLine));
    return layout::LineSize(count) + ExtraOffsetDigits(firstByte);
}

std::uint64_t DumpDocument::LineStart(std::uint64_t line) const {
    if (line == 0)
        return 0;
    if (line > dataLines_)
        return length_;
    return DataLineStart(line - 1);
}

std::size_t DumpDocument::LineLength(std::uint64_t line) const {
    if (line == 0)
        return HeaderSize() - 2;
    if (line > dataLines_)
        return 0;
    return DataLineSize(line - 1) - 2;
}

std::uint64_t DumpDocument::LineOf(std::uint64_t position) const {
    if (position < HeaderSize())
        return 0;
    if (position >= length_)
        return LineCount() - 1;
    // The lines of one width run from one count of offset digits to the next.
    std::uint64_t regionFirst = 0;
    std::size_t extra = 0;
    while (extra < kMostExtraDigits) {
        const std::uint64_t next = FirstLineWithExtraDigits(extra + 1);
        if (next >= dataLines_ || DataLineStart(next) > position)
            break;
        regionFirst = next;
        ++extra;
    }
    const std::uint64_t dataLine =
        regionFirst + (position - DataLineStart(regionFirst)) / (layout::kLineSize + extra);
    return std::min(dataLine, dataLines_ - 1) + 1;
}

const DumpDocument::Chunk& DumpDocument::ChunkOf(std::uint64_t dataLine) const {
    const std::uint64_t index = dataLine / kChunkLines;
    ++uses_;
    Chunk* oldest = &chunks_[0];
    for (Chunk& chunk : chunks_) {
        if (chunk.index == index) {
            chunk.lastUse = uses_;
            return chunk;
        }
        if (chunk.lastUse < oldest->lastUse)
            oldest = &chunk;
    }
    const std::uint64_t firstLine = index * kChunkLines;
    const std::uint64_t firstByte = firstLine * layout::kBytesPerLine;
    const auto count = static_cast<std::size_t>(
        std::min<std::uint64_t>(size_ - firstByte, kChunkLines * layout::kBytesPerLine));
    const std::size_t expected = DumpLinesSize(count, firstByte);
    std::string lines;
    lines.reserve(expected);
    source_->AppendLines(firstByte, count, lines);
    if (lines.size() != expected) {
        // A source that fails gives lines of the right places with every byte gone, never
        // lines that would shift the rest.
        const std::vector<unsigned char> none(count);
        lines.resize(expected);
        FormatPageLines(none, 0, firstByte, lines.data());
    }
    oldest->index = ~std::uint64_t{0}; // until its text is whole
    oldest->text.assign(lines.begin(), lines.end());
    oldest->index = index;
    oldest->lastUse = uses_;
    return *oldest;
}

std::wstring_view DumpDocument::WholeLine(std::uint64_t line) const {
    if (line == 0)
        return WideHeader();
    if (line > dataLines_)
        return {};
    const std::uint64_t dataLine = line - 1;
    const Chunk& chunk = ChunkOf(dataLine);
    // Every line of a chunk but the file's last is full, and all have as many offset digits:
    // a change of digits falls on a multiple of the chunk's lines.
    const std::uint64_t firstLine = chunk.index * kChunkLines;
    const std::size_t fullSize =
        layout::kLineSize + ExtraOffsetDigits(firstLine * layout::kBytesPerLine);
    const auto at = static_cast<std::size_t>(dataLine - firstLine) * fullSize;
    return std::wstring_view(chunk.text).substr(at, DataLineSize(dataLine));
}

std::wstring_view DumpDocument::Line(std::uint64_t line) const {
    const std::wstring_view whole = WholeLine(line);
    return whole.substr(0, whole.size() >= 2 ? whole.size() - 2 : 0);
}

void DumpDocument::AppendText(std::uint64_t first, std::uint64_t last, std::wstring& out) const {
    last = std::min(last, length_);
    for (std::uint64_t position = first; position < last;) {
        const std::uint64_t line = LineOf(position);
        const std::uint64_t start = LineStart(line);
        const std::wstring_view whole = WholeLine(line);
        const auto from = static_cast<std::size_t>(position - start);
        const auto to = static_cast<std::size_t>(std::min<std::uint64_t>(last - start, whole.size()));
        if (to <= from)
            break;
        out.append(whole.substr(from, to - from));
        position = start + to;
    }
}

std::optional<std::pair<std::uint64_t, std::uint64_t>>
DumpDocument::WordAt(std::uint64_t position) const {
    const std::uint64_t line = LineOf(position);
    const std::uint64_t start = LineStart(line);
    const auto word =
        DumpWordAt(DumpLineAt(line), Line(line), static_cast<std::size_t>(position - start));
    if (!word)
        return std::nullopt;
    return std::pair(start + word->first, start + word->second);
}

std::uint64_t DumpDocument::PairPosition(std::uint64_t byte) const {
    const std::uint64_t line = byte / layout::kBytesPerLine + 1;
    return LineStart(line) +
           HexColumn(DumpLineAt(line), static_cast<std::size_t>(byte % layout::kBytesPerLine));
}

} // namespace octolume
