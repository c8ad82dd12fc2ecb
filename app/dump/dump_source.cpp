#include "dump/dump_source.h"

#include "engine/core/byte_search.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_layout.h"

#include <algorithm>

namespace octolume {

std::optional<HeldDump> HeldDump::Of(std::vector<unsigned char> bytes, std::string text) {
    if (text != FormatDump(bytes, bytes.size()))
        return std::nullopt;
    return HeldDump(std::move(bytes), std::move(text));
}

void HeldDump::AppendLines(std::uint64_t firstByte, std::size_t count, std::string& out) const {
    if (firstByte >= bytes_.size())
        return;
    const auto first = static_cast<std::size_t>(firstByte);
    count = std::min(count, bytes_.size() - first);
    // A held dump is small: every line is below 4 GiB and as long as the layout's.
    const std::size_t at = DumpHeader().size() + first / dump_layout::kBytesPerLine *
                                                     dump_layout::kLineSize;
    out.append(text_, at, DumpLinesSize(count, firstByte));
}

std::size_t HeldDump::ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const {
    if (offset >= bytes_.size())
        return 0;
    const auto first = static_cast<std::size_t>(offset);
    const std::size_t count = std::min(out.size(), bytes_.size() - first);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(first), count, out.begin());
    return count;
}

std::optional<std::uint64_t> HeldDump::Find(const ByteQuery& query, std::uint64_t first,
                                            std::uint64_t last, bool backwards) const {
    const ByteSearcher searcher(query.bytes, query.foldCase);
    const auto from = static_cast<std::size_t>(std::min<std::uint64_t>(first, bytes_.size()));
    const auto to = static_cast<std::size_t>(std::min<std::uint64_t>(last, bytes_.size()));
    const std::optional<std::size_t> found =
        backwards ? searcher.Last(bytes_, from, to) : searcher.First(bytes_, from, to);
    if (!found)
        return std::nullopt;
    return *found;
}

} // namespace octolume
