// The dump as the view's document, without a window: over a dump held whole and over pages
// of a file of any size it gives the lines, positions and words of the whole dump text; the
// scroll bar over 2^32 lines; the order and the stop of a search through a whole file.
#include "dump/dump_document.h"
#include "dump/search_task.h"
#include "view/edit_queries.h"
#include "view/line_indexed_text.h"
#include "view/scroll_mapping.h"
#include "engine/core/dump_format.h"
#include "engine/core/paged_bytes.h"
#include "expected_dumps.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace octolume::test {
namespace {

// A file's bytes made up from their offsets, of any size, with a few planted.
class MadeUpFile final : public ByteSource {
public:
    explicit MadeUpFile(std::uint64_t size) : size_(size) {}
    void Plant(std::uint64_t offset, std::string_view bytes) { planted_.push_back({offset, bytes}); }
    // Reads stop short of here, as for a file that shrank after it was opened.
    void CutAt(std::uint64_t end) { end_ = end; }

    unsigned char At(std::uint64_t offset) const {
        for (const auto& [at, bytes] : planted_)
            if (offset >= at && offset - at < bytes.size())
                return static_cast<unsigned char>(bytes[offset - at]);
        return static_cast<unsigned char>((offset * 2654435761u) >> 13);
    }
    std::vector<unsigned char> Bytes(std::uint64_t offset, std::size_t count) const {
        std::vector<unsigned char> bytes(count);
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = At(offset + i);
        return bytes;
    }
    std::size_t ReadAt(std::uint64_t offset, std::size_t count, unsigned char* out) override {
        const std::uint64_t end = std::min(end_, size_);
        if (offset >= end)
            return 0;
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, end - offset));
        for (std::size_t i = 0; i < count; ++i)
            out[i] = At(offset + i);
        return count;
    }

private:
    std::uint64_t size_;
    std::uint64_t end_ = ~std::uint64_t{0};
    std::vector<std::pair<std::uint64_t, std::string_view>> planted_;
};

// Pages of a file as the engine serves them: its cache, its formatter, its search.
class Pages final : public DumpSource {
public:
    Pages(ByteSource& file, std::uint64_t size) : file_(file), size_(size), cache_(file, size) {}
    std::uint64_t Size() const override { return size_; }
    void AppendLines(std::uint64_t firstByte, std::size_t count, std::string& out) const override {
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - firstByte));
        const std::size_t at = out.size();
        out.resize(at + DumpLinesSize(count, firstByte));
        cache_.DumpLines(firstByte, count, out.data() + at);
        ++lineRequests;
    }
    std::size_t ReadBytes(std::uint64_t offset, std::span<unsigned char> out) const override {
        return cache_.Read(offset, out.size(), out.data());
    }
    std::optional<std::uint64_t> Find(const ByteQuery& query, std::uint64_t first,
                                      std::uint64_t last, bool backwards) const override {
        ++searches;
        return FindInSource(file_, size_, ByteSearcher(query.bytes, query.foldCase), backwards,
                            first, last);
    }
    mutable int lineRequests = 0;
    mutable int searches = 0;

private:
    ByteSource& file_;
    std::uint64_t size_;
    mutable PageCache cache_;
};

std::string Narrow(std::wstring_view text) {
    return {text.begin(), text.end()};
}

// Every line, position and word of the document is the whole dump text's.
void ExpectSameAsText(const TextDocument& document, const std::string& dump) {
    const LineIndexedText text(std::wstring(dump.begin(), dump.end()));
    ASSERT_EQ(document.LineCount(), text.LineCount());
    ASSERT_EQ(document.Length(), text.Length());
    EXPECT_EQ(document.LongestLineLength(), text.LongestLineLength());
    for (std::uint64_t line = 0; line <= text.LineCount(); ++line) {
        ASSERT_EQ(document.LineStart(line), text.LineStart(line)) << line;
        ASSERT_EQ(document.LineLength(line), text.LineLength(line)) << line;
        ASSERT_EQ(document.Line(line), text.Line(line)) << line;
    }
    for (std::uint64_t position = 0; position <= text.Length() + 1; ++position)
        ASSERT_EQ(document.LineOf(position), text.LineOf(position)) << position;
    std::wstring whole;
    document.AppendText(0, document.Length(), whole);
    EXPECT_EQ(whole, text.Text());
    if (text.Length() > 200) {
        std::wstring part;
        document.AppendText(70, text.Length() / 2 + 3, part);
        EXPECT_EQ(part, text.Text().substr(70, text.Length() / 2 + 3 - 70));
    }
}

// Sizes of every length class, around the document's chunks and the cache's blocks: held
// whole and in pages, the document is the text DoOctolume makes.
TEST(DumpDocument, HeldOrPagedIsTheWholeDumpText) {
    for (const std::size_t size : {0u, 1u, 15u, 16u, 17u, 4095u, 4097u, 65535u, 65537u, 70000u}) {
        SCOPED_TRACE(size);
        MadeUpFile file(size);
        const std::vector<unsigned char> bytes = file.Bytes(0, size);
        const std::string dump = FormatDump(bytes, size);
        auto pages = std::make_shared<Pages>(file, size);
        ExpectSameAsText(DumpDocument(pages), dump);
        const std::optional<HeldDump> held = HeldDump::Of(bytes, dump);
        ASSERT_TRUE(held);
        ExpectSameAsText(DumpDocument(std::make_shared<HeldDump>(*held)), dump);
        // A text that is not the bytes' dump is not held.
        if (size > 0) {
            EXPECT_FALSE(HeldDump::Of(bytes, dump.substr(0, dump.size() - 1)));
        }
    }
}

// 64 GiB: 2^32 lines, offsets of nine digits from 4 GiB on. Each line where the widths
// change and at the end is the formatter's line of those bytes, at the place the lines
// before it make, and every position leads back to its line.
TEST(DumpDocument, ReachesEveryLineOf64GiBWithWiderOffsetsPast4GiB) {
    constexpr std::uint64_t size = 64ULL << 30;
    MadeUpFile file(size);
    file.Plant(size - 5, "LAST!");
    auto pages = std::make_shared<Pages>(file, size);
    const DumpDocument document(pages);
    ASSERT_EQ(document.LineCount(), (size >> 4) + 2);
    // 2^28 lines of 80 characters, the rest of 81, after the header.
    EXPECT_EQ(document.Length(), 67 + (1ULL << 28) * 80 + (size / 16 - (1ULL << 28)) * 81);
    EXPECT_EQ(document.LongestLineLength(), 79u);
    for (const std::uint64_t offset :
         {(1ULL << 31) - 16, 1ULL << 31, (1ULL << 31) + 16, (1ULL << 32) - 16, 1ULL << 32,
          (1ULL << 32) + 16, (1ULL << 32) + (256 << 4), size - 16}) {
        SCOPED_TRACE(offset);
        const std::uint64_t line = offset / 16 + 1;
        std::string expected(DumpLinesSize(16, offset), '\0');
        FormatDumpLines(file.Bytes(offset, 16), offset, expected.data());
        EXPECT_EQ(Narrow(document.Line(line)) + "\r\n", expected);
        EXPECT_EQ(document.LineStart(line + 1) - document.LineStart(line), expected.size());
        EXPECT_EQ(document.LineOf(document.LineStart(line)), line);
        EXPECT_EQ(document.LineOf(document.LineStart(line) - 1), line - 1);
        EXPECT_EQ(document.LineOf(document.LineEnd(line)), line);
        const std::uint64_t pair = document.PairPosition(offset + 3);
        EXPECT_EQ(document.LineOf(pair), line);
        std::wstring digits;
        document.AppendText(pair, pair + 2, digits);
        const char hex[] = "0123456789ABCDEF";
        const std::string expectedDigits{hex[file.At(offset + 3) >> 4],
                                         hex[file.At(offset + 3) & 15]};
        EXPECT_EQ(Narrow(digits), expectedDigits);
    }
    EXPECT_NE(Narrow(document.Line(document.LineCount() - 2)).find("LAST!|"),
              std::string::npos);
    EXPECT_EQ(document.Line(document.LineCount() - 1), L"");
    EXPECT_EQ(document.LineOf(document.Length()), document.LineCount() - 1);
    // A double-click takes one pair, also past 4 GiB.
    const std::uint64_t pair = document.PairPosition((1ULL << 32) + 5);
    EXPECT_EQ(document.WordAt(pair + 1), std::pair(pair, pair + 2));
    // Only the lines asked for are made.
    EXPECT_LE(pages->lineRequests, 16);
}

// Other programs' questions about 64 GiB: true where the answer fits, the largest count or -1
// where it does not, never wrapped; the text given at most up to its bound.
TEST(DumpDocument, AnswersEditQueriesOf64GiBTrulyWhereTheyFit) {
    constexpr std::uint64_t size = 64ULL << 30;
    MadeUpFile file(size);
    const DumpDocument document(std::make_shared<Pages>(file, size));
    const std::uint64_t distant = document.PairPosition(size - 1); // past 2^38
    const auto ask = [&](UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                         TextSelection selection = {}, std::uint64_t first = 0) {
        return AnswerEditQuery({document, selection, first}, message, wParam, lParam).value();
    };
    EXPECT_EQ(ask(EM_GETLINECOUNT), LRESULT(0x7FFFFFFF));
    EXPECT_EQ(ask(WM_GETTEXTLENGTH), LRESULT(kMostTextGiven));
    EXPECT_EQ(ask(EM_GETFIRSTVISIBLELINE, 0, 0, {}, 1ULL << 32), -1);
    EXPECT_EQ(ask(EM_GETFIRSTVISIBLELINE, 0, 0, {}, 12345), 12345);
    EXPECT_EQ(ask(EM_LINEINDEX, 1000), LRESULT(document.LineStart(1000)));
    EXPECT_EQ(ask(EM_LINEINDEX, 0x7FFFFFFF), -1) << "its start lies past 2^31";
    EXPECT_EQ(ask(EM_LINEINDEX, WPARAM(-1), 0, {distant, distant}), -1);
    EXPECT_EQ(ask(EM_LINEFROMCHAR, 80 * 1000 + 67), 1001);
    EXPECT_EQ(ask(EM_LINEFROMCHAR, WPARAM(-1), 0, {distant, distant}), -1);
    DWORD start = 0, end = 0;
    EXPECT_EQ(ask(EM_GETSEL, WPARAM(&start), LPARAM(&end), {0, distant}), -1);
    EXPECT_EQ(std::pair(start, end), std::pair(DWORD{0}, DWORD{0xFFFFFFFF}));
    wchar_t line[100] = {100};
    line[ask(EM_GETLINE, 1, LPARAM(line))] = 0;
    EXPECT_EQ(std::wstring(line), document.Line(1));
    // A buffer of a megabyte takes a megabyte of the text, no more, made in pieces.
    std::wstring text(1 << 20, L'?');
    EXPECT_EQ(ask(WM_GETTEXT, text.size(), LPARAM(text.data())), LRESULT(text.size() - 1));
    std::wstring expected;
    document.AppendText(0, text.size() - 1, expected);
    EXPECT_TRUE(text.compare(0, expected.size(), expected) == 0);
    EXPECT_EQ(text.back(), L'\0');
    EXPECT_EQ(TooMuchToCopyText(document.Length()),
              L"The selection is 347,623,915,587 characters of text: Copy takes at most "
              L"67,108,864. Select less, or copy it in parts.");
}

// A file that shrank after it was opened: its lost bytes show as gone in their places, every
// line as long as before.
TEST(DumpDocument, ShowsBytesAFileLostAsGone) {
    MadeUpFile file(100);
    file.CutAt(40);
    const DumpDocument document(std::make_shared<Pages>(file, 100));
    EXPECT_EQ(document.LineCount(), 9u);
    // Bytes 32 to 39 are there, 40 to 47 gone.
    const std::string half = Narrow(document.Line(3));
    ASSERT_EQ(half.size(), 78u);
    EXPECT_EQ(half.substr(0, 10), "00000020  ");
    EXPECT_EQ(half.find("--"), 35u);
    EXPECT_EQ(half.substr(35, 23), "-- -- -- -- -- -- -- --");
    EXPECT_EQ(half.substr(61 + 8, 9), "        |");
    EXPECT_EQ(Narrow(document.Line(4)).substr(0, 13), "00000030  -- ");
    EXPECT_EQ(document.LineLength(7), 78u - 12);
}

// The thumb spans any number of lines: its first position is the first line, its last the
// last, and in between it never goes back; below 2^30 lines every line is a position.
TEST(ScrollMapping, TheThumbSpansTheWholeFile) {
    for (const std::uint64_t lines : {1ULL, 100ULL, 1ULL << 30, (1ULL << 32) + 2, 1ULL << 56}) {
        SCOPED_TRACE(lines);
        const std::uint64_t rows = 25, last = lines > rows ? lines - rows : 0;
        EXPECT_EQ(LineOfScrollPosition(0, lines, last), 0u);
        const ScrollBarSetting bottom = VerticalScrollBar(lines, rows, last, last);
        const int lastPosition = bottom.maximum - static_cast<int>(bottom.page) + 1;
        EXPECT_EQ(bottom.position, std::max(lastPosition, 0));
        EXPECT_EQ(LineOfScrollPosition(lastPosition, lines, last), last);
        EXPECT_EQ(VerticalScrollBar(lines, rows, 0, last).position, 0);
        std::uint64_t before = 0;
        for (int position = 0; position <= lastPosition; position += lastPosition / 997 + 1) {
            const std::uint64_t line = LineOfScrollPosition(position, lines, last);
            ASSERT_GE(line, before) << position;
            ASSERT_LE(line, last);
            before = line;
            // The bar set for that line shows the position again, or the one before.
            const int shown = VerticalScrollBar(lines, rows, line, last).position;
            ASSERT_LE(shown, position);
            ASSERT_GE(shown + 1, position);
        }
    }
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> SlicesOf(SearchPlan plan) {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> slices;
    while (const auto slice = plan.Next())
        slices.push_back({slice->first, slice->last});
    return slices;
}

// Forwards from a place to the end, then from the start up to it; backwards the other way;
// each start once.
TEST(SearchPlan, CoversEveryStartOnceInTheOrderOfTheDirectionWithOneWrap) {
    using Slices = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    EXPECT_EQ(SlicesOf(SearchPlan(100, 30, false, 40)), (Slices{{30, 70}, {70, 100}, {0, 30}}));
    EXPECT_EQ(SlicesOf(SearchPlan(100, 30, true, 40)), (Slices{{0, 30}, {60, 100}, {30, 60}}));
    EXPECT_EQ(SlicesOf(SearchPlan(100, 0, false, 100)), (Slices{{0, 100}}));
    EXPECT_EQ(SlicesOf(SearchPlan(100, 100, true, 100)), (Slices{{0, 100}}));
    EXPECT_TRUE(SlicesOf(SearchPlan(0, 0, false, 16)).empty());
    SearchPlan plan(100, 30, false, 40);
    plan.Next();
    EXPECT_TRUE(plan.Next().value().wrapped == false);
    EXPECT_TRUE(plan.Next().value().wrapped);
    EXPECT_EQ(plan.Covered(), 100u);
}

// Through pages: a match across two slices and across the cache's blocks, at the last byte,
// backwards, wrapped, and none.
TEST(SearchSlices, FindsMatchesAcrossSlicesAndWrapsOnce) {
    constexpr std::uint64_t size = 1ULL << 24;
    MadeUpFile file(size);
    file.Plant((1 << 20) - 3, "needle");     // across a slice of 1 MiB and a block
    file.Plant(size - 6, "needle");          // at the very end
    const Pages pages(file, size);
    const ByteQuery needle{{'n', 'e', 'e', 'd', 'l', 'e'}, false};
    const std::atomic<bool> going{false};
    const auto search = [&](std::uint64_t from, bool backwards) {
        SearchPlan plan(size, from, backwards, 1 << 20);
        return SearchSlices(pages, needle, plan, going, size).value();
    };
    EXPECT_EQ(search(0, false).start, (1u << 20) - 3);
    EXPECT_EQ(search(1 << 20, false).start, size - 6);
    const SearchOutcome wrapped = search(size - 5, false);
    EXPECT_EQ(wrapped.start, (1u << 20) - 3);
    EXPECT_TRUE(wrapped.wrapped);
    EXPECT_EQ(search(size, true).start, size - 6);
    EXPECT_EQ(search(size - 6, true).start, (1u << 20) - 3);
    SearchPlan whole(size, 9, false, 1 << 22);
    EXPECT_EQ(SearchSlices(pages, ByteQuery{{'n', 'o', 'p', 'e', '!'}, true}, whole, going, size)
                  .value()
                  .kind,
              SearchOutcome::Kind::kNotFound);
    // A budget ends the run with the plan left where it was.
    SearchPlan plan(size, 0, false, 1 << 20);
    EXPECT_FALSE(SearchSlices(pages, ByteQuery{{'z', 'z', 'z', 'q'}, false}, plan, going, 1 << 21));
    EXPECT_EQ(plan.Covered(), 2u << 20);
}

// A search of 64 GiB on its thread stops when asked, within a slice, and says it stopped.
TEST(SearchTask, StopsWhenAskedAndFinishesOnItsOwn) {
    constexpr std::uint64_t size = 64ULL << 30;
    MadeUpFile file(size);
    auto pages = std::make_shared<Pages>(file, size);
    SearchTask task(pages, ByteQuery{{'a', 'b', 's', 'e', 'n', 't', '!', '?'}, false},
                    SearchPlan(size, 0, false, 1 << 20), nullptr, WM_NULL);
    const auto bound = Scaled(std::chrono::milliseconds{30000});
    ASSERT_TRUE(WaitUntil([&] { return task.PerMille() > 0 || task.Finished(); }, bound));
    task.Stop();
    ASSERT_TRUE(task.Finished());
    EXPECT_EQ(task.Outcome().kind, SearchOutcome::Kind::kStopped);
    EXPECT_LT(task.PerMille(), 1000u);

    MadeUpFile small(1 << 20);
    small.Plant(12345, "found");
    SearchTask found(std::make_shared<Pages>(small, 1 << 20), ByteQuery{{'f', 'o', 'u', 'n', 'd'}, false},
                     SearchPlan(1 << 20, 5000, true, 4096), nullptr, WM_NULL);
    ASSERT_TRUE(WaitUntil([&] { return found.Finished(); }, bound));
    EXPECT_EQ(found.Outcome().start, 12345u);
    EXPECT_TRUE(found.Outcome().wrapped);
}

} // namespace
} // namespace octolume::test
