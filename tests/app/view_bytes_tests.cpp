// What the caret and the selection of a dump's text stand on and what Copy as makes of them,
// without a window: over a dump document of a made-up file, positions taken from its lines.
#include "dump/view_bytes.h"

#include "support/app_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace octolume::test {
namespace {

// Bytes 0, 1, 2, ... 255, 0, 1, ...: each byte's value tells its offset.
class CountingFile final : public DumpSource {
public:
    explicit CountingFile(std::uint64_t size) : size_(size) {}
    std::uint64_t Size() const override { return size_; }
    void AppendLines(std::uint64_t, std::size_t, std::string&) const override {}
    std::size_t ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const override {
        const std::size_t count =
            offset >= size_ ? 0 : std::min<std::size_t>(out.size(), size_ - offset);
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<unsigned char>(offset + i);
        return count;
    }
    std::optional<std::uint64_t> Find(const ByteQuery&, std::uint64_t, std::uint64_t,
                                      bool) const override {
        return std::nullopt;
    }

private:
    std::uint64_t size_;
};

struct Dump {
    explicit Dump(std::uint64_t size)
        : source(std::make_shared<CountingFile>(size)), document(source) {}
    // The position in front of byte `byte`'s pair or character.
    std::uint64_t Pair(std::uint64_t byte) const {
        const std::uint64_t row = 1 + byte / 16;
        return document.LineStart(row) + HexColumn(document.DumpLineAt(row), byte % 16);
    }
    std::uint64_t Character(std::uint64_t byte) const {
        const std::uint64_t row = 1 + byte / 16;
        return document.LineStart(row) + CharacterColumn(document.DumpLineAt(row), byte % 16);
    }
    std::wstring Copied(std::uint64_t anchor, std::uint64_t caret, CopyAsForm form) const {
        return CopyAsText(*source, CoveredBytes(document, {anchor, caret}), form);
    }

    std::shared_ptr<CountingFile> source;
    DumpDocument document;
};

std::vector<unsigned char> Counting(std::uint64_t first, std::size_t count) {
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(first + i);
    return bytes;
}

// A selection that starts in the characters copies from that character's byte on, whether it
// ends in the characters of its line or in the pairs of a later one, in either direction.
TEST(CopyAs, ASelectionThatStartsInTheCharacters) {
    const Dump dump(100);
    EXPECT_EQ(dump.Copied(dump.Character(3), dump.Character(8), CopyAsForm::kHex),
              L"03 04 05 06 07");
    EXPECT_EQ(dump.Copied(dump.Character(8), dump.Character(3), CopyAsForm::kHex),
              L"03 04 05 06 07")
        << "selected leftwards";
    // From the characters of line 1 down to the pairs of line 3: bytes 14 to 40.
    const std::uint64_t end = dump.Pair(40) + 2;
    EXPECT_EQ(dump.Copied(dump.Character(14), end, CopyAsForm::kHex),
              HexPairsText(Counting(14, 27)));
    EXPECT_EQ(dump.Copied(end, dump.Character(14), CopyAsForm::kCArray),
              CArrayText(Counting(14, 27)));
    // Pairs and characters of one line together: every byte between the first and the last.
    EXPECT_EQ(dump.Copied(dump.Pair(18) + 1, dump.Character(20) + 1, CopyAsForm::kHex),
              HexPairsText(Counting(16, 16)))
        << "all of the pairs after the first one and the characters up to the last";
    // Nothing covered: the offsets and the header.
    EXPECT_EQ(CoveredBytes(dump.document, {0, dump.Pair(0)}).count, 0u);
}

// The length is worked out exactly, so the bound refuses just what it must.
TEST(CopyAs, LengthWorkedOutIsTheLengthMade) {
    const CountingFile file(3000);
    for (const std::uint64_t count : {0, 1, 2, 11, 12, 13, 24, 25, 99, 1000, 2999}) {
        const ByteSelection bytes{0, count};
        EXPECT_EQ(CopyAsLength(CopyAsForm::kHex, count),
                  CopyAsText(file, bytes, CopyAsForm::kHex).size())
            << count;
        EXPECT_EQ(CopyAsLength(CopyAsForm::kCArray, count),
                  CopyAsText(file, bytes, CopyAsForm::kCArray).size())
            << count;
    }
    // Bytes the file no longer has are refused, not copied short.
    EXPECT_THROW(CopyAsText(file, {2990, 20}, CopyAsForm::kHex), AppError);
}

// The caret's byte and the inspector's bytes from it: a caret right after a pair (where Go To
// leaves it) on that pair, fewer bytes near the end, none on the empty last line.
TEST(CaretByteAt, TheInspectorsBytesFromTheCaretsByte) {
    const Dump dump(100);
    EXPECT_EQ(CaretByteAt(dump.document, dump.Pair(37) + 2), 37u);
    EXPECT_EQ(CaretByteAt(dump.document, dump.Character(37)), 37u);
    EXPECT_EQ(CaretByteAt(dump.document, 0), 0u) << "the header";
    const std::vector<unsigned char> from37 = Counting(37, kInspectedByteCount);
    EXPECT_EQ(BytesFrom(*dump.source, 37), BytesAtCaret(from37));
    const std::vector<unsigned char> last = Counting(95, 5);
    EXPECT_EQ(BytesFrom(*dump.source, 95), BytesAtCaret(last));
    const std::uint64_t end = dump.document.Length();
    EXPECT_EQ(CaretByteAt(dump.document, end), 100u);
    EXPECT_TRUE(BytesFrom(*dump.source, 100).Bytes().empty());
}

} // namespace
} // namespace octolume::test
