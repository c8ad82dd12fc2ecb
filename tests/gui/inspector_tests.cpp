// The inspector, Select Block and Copy as on the real program: the inspector's fields read
// from another process as the caret moves and files change, blocks selected by Ctrl+E and
// copied by Ctrl+C, Ctrl+Shift+C and the context menu, in a small file and past 4 GiB of a
// sparse 64 GiB one.
#include "driver.h"

#include "dump/inspector_window.h"
#include "engine/core/dump_format.h"
#include "engine/core/dump_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace octolume::test {
namespace {

using ByteAt = std::function<unsigned char(std::uint64_t)>;

std::wstring Hex(std::uint64_t value) {
    wchar_t text[24];
    std::swprintf(text, 24, L"%llX", static_cast<unsigned long long>(value));
    return text;
}

// The view's text from the first byte's pair to the end of the last one's.
std::wstring ViewTextOfPairs(std::uint64_t first, std::uint64_t count, const ByteAt& byteAt) {
    const std::uint64_t last = first + count - 1;
    const std::uint64_t lineFirst = first / 16 * 16;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(last / 16 * 16 + 16 - lineFirst));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = byteAt(lineFirst + i);
    std::string text(DumpLinesSize(bytes.size(), lineFirst), '\0');
    FormatDumpLines(bytes, lineFirst, text.data());
    const std::size_t lineSize = DumpLinesSize(16, lineFirst);
    const std::size_t extra = lineSize - dump_layout::kLineSize;
    const std::size_t start = extra + dump_layout::HexDigitsColumn(first % 16);
    const std::size_t end = static_cast<std::size_t>(last / 16 - first / 16) * lineSize + extra +
                            dump_layout::HexDigitsColumn(last % 16) + 2;
    return Wide(text.substr(start, end - start));
}

std::wstring HexPairs(std::uint64_t first, std::uint64_t count, const ByteAt& byteAt) {
    std::wstring text;
    for (std::uint64_t at = first; at < first + count; ++at) {
        wchar_t pair[4];
        std::swprintf(pair, 4, L"%02X", byteAt(at));
        text += (text.empty() ? L"" : L" ") + std::wstring(pair);
    }
    return text;
}

class Inspector : public testing::Test {
protected:
    void SetUp() override {
        window_ = program_.Find(IsMainWindow);
        ASSERT_NE(window_, nullptr);
        view_ = ::GetDlgItem(window_, IDC_RTF_OCTOLUME);
    }
    HWND Titled(const wchar_t* title) {
        return program_.Find([&](HWND w) { return IsBox(w) && WindowText(w) == title; });
    }
    bool Keys(const std::wstring& keys) {
        return Xdotool(window_, L"key --clearmodifiers " + keys);
    }
    // The view clicked first: after a drop, keys reach it only then.
    bool DropAndClick(const std::wstring& path) {
        if (!Drop(window_, path))
            return ADD_FAILURE() << "no drop", false;
        RECT place{};
        ::GetWindowRect(view_, &place);
        return Xdotool(nullptr, L"mousemove --sync " + std::to_wstring(place.left + 40) + L" " +
                                    std::to_wstring(place.top + 30) + L" click 1");
    }
    bool GoTo(std::uint64_t offset) {
        if (!Keys(L"ctrl+g"))
            return false;
        const HWND goTo = Titled(L"Go To");
        return goTo != nullptr && Xdotool(goTo, L"key ctrl+a") &&
               Xdotool(goTo, L"type '" + Hex(offset) + L"'") && Xdotool(goTo, L"key Return") &&
               WaitUntil([&] { return !::IsWindowVisible(goTo); });
    }
    // Ctrl+E with a start and a length in hex, Enter.
    bool SelectBlock(std::uint64_t first, std::uint64_t count) {
        if (!Keys(L"ctrl+e"))
            return false;
        const HWND dialog = Titled(L"Select Block");
        if (dialog == nullptr)
            return false;
        ::SendMessageW(::GetDlgItem(dialog, IDC_SELECT_BLOCK_START), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(Hex(first).c_str()));
        ::SendMessageW(::GetDlgItem(dialog, IDC_SELECT_BLOCK_SECOND), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(Hex(count).c_str()));
        return Xdotool(dialog, L"key Return") && WaitUntil([&] { return !::IsWindow(dialog); });
    }
    // What a key (or a menu's choice) puts on the clipboard.
    std::wstring Copied(const std::function<bool()>& copy) {
        PutOnClipboard(L"before");
        if (!copy())
            return L"no keys";
        std::wstring copied;
        WaitUntil([&] { return (copied = ClipboardText()) != L"before"; });
        return copied;
    }
    std::wstring CopiedBy(const std::wstring& keys) {
        return Copied([&] { return Keys(keys); });
    }
    // Copy as C array from the context menu, opened on the view.
    std::wstring CopiedAsCArray() {
        return Copied([&] {
            RECT place{};
            ::GetWindowRect(view_, &place);
            if (!Xdotool(window_, L"mousemove --sync " + std::to_wstring(place.left + 60) + L" " +
                                      std::to_wstring(place.bottom - 40) + L" click 3"))
                return false;
            const HWND menu = program_.Find([](HWND w) { return ClassNameOf(w) == L"#32768"; });
            return menu != nullptr && Xdotool(nullptr, L"key r");
        });
    }

    HWND Shown() {
        return program_.Find([](HWND w) { return ClassNameOf(w) == kInspectorWindowClass; });
    }
    // The field's text once it is `expected`, else what it holds.
    std::wstring Field(int id, const std::wstring& expected) {
        const HWND field = ::GetDlgItem(inspector_, id);
        std::wstring text;
        WaitUntil([&] { return (text = WindowText(field)) == expected; });
        return text;
    }
    std::wstring Value(ValueRow row, const std::wstring& expected, bool bigEndian = false) {
        return Field(InspectorValueId(row, bigEndian), expected);
    }
    std::wstring Position(PositionRow row, const std::wstring& expected, bool decimal = false) {
        return Field(InspectorPositionId(row, decimal), expected);
    }

    TempFolder folder_;
    Process program_;
    HWND window_ = nullptr;
    HWND view_ = nullptr;
    HWND inspector_ = nullptr;
};

// At 0x120 the bytes FE FF FF FF 01 02 ..., so that swapped byte orders, a lost sign and a
// value read one byte off all show as other numbers.
constexpr std::uint64_t kValuesAt = 0x120;
unsigned char SmallFileByte(std::uint64_t offset) {
    constexpr unsigned char planted[] = {0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05};
    if (offset >= kValuesAt && offset - kValuesAt < sizeof planted)
        return planted[offset - kValuesAt];
    return static_cast<unsigned char>(offset * 7);
}

TEST_F(Inspector, FollowsTheCaretAndFilesAndCopiesABlockExactly) {
    const std::wstring dash = L"\u2014";
    // No dump yet: nothing but dashes.
    ASSERT_TRUE(Keys(L"ctrl+i"));
    ASSERT_NE(inspector_ = Shown(), nullptr);
    EXPECT_EQ(Position(PositionRow::Caret, dash), dash);
    EXPECT_EQ(Value(ValueRow::Int8, dash), dash);
    ASSERT_TRUE(Keys(L"ctrl+i"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(inspector_); }));

    std::vector<unsigned char> bytes(4096);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = SmallFileByte(i);
    ASSERT_TRUE(DropAndClick(folder_.Write(L"values.bin", bytes)));
    ASSERT_TRUE(GoTo(kValuesAt));
    ASSERT_TRUE(Keys(L"ctrl+i"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(inspector_) != FALSE; }));
    EXPECT_EQ(Position(PositionRow::Caret, L"0x120"), L"0x120");
    EXPECT_EQ(Position(PositionRow::Caret, L"288", true), L"288");
    EXPECT_EQ(Position(PositionRow::SelectionStart, L"0x120"), L"0x120") << "Go To's pair";
    EXPECT_EQ(Position(PositionRow::SelectionLength, L"1", true), L"1");
    EXPECT_EQ(Value(ValueRow::Int8, L"-2"), L"-2");
    EXPECT_EQ(Value(ValueRow::UInt8, L"254"), L"254");
    EXPECT_EQ(Value(ValueRow::Int16, L"-2"), L"-2");
    EXPECT_EQ(Value(ValueRow::Int16, L"-257", true), L"-257");
    EXPECT_EQ(Value(ValueRow::Int32, L"-2"), L"-2");
    EXPECT_EQ(Value(ValueRow::Int32, L"-16777217", true), L"-16777217");
    EXPECT_EQ(Value(ValueRow::UInt32, L"4294967294"), L"4294967294");
    // A picture of it beside the dump, for the program's description.
    RECT own{}, main{};
    ::GetWindowRect(inspector_, &own);
    ::GetWindowRect(window_, &main);
    const RECT both{std::max(0L, std::min(own.left, main.left)),
                    std::max(0L, std::min(own.top, main.top)),
                    std::min(1280L, std::max(own.right, main.right)),
                    std::min(1024L, std::max(own.bottom, main.bottom))};
    EXPECT_TRUE(Screenshot(both, L"inspector.png"));

    // Right leaves the selection at its end, on the same pair; once more, on the next pair.
    ASSERT_TRUE(Keys(L"Right"));
    EXPECT_EQ(Position(PositionRow::SelectionStart, dash), dash);
    EXPECT_EQ(Position(PositionRow::Caret, L"0x120"), L"0x120");
    ASSERT_TRUE(Keys(L"Right"));
    EXPECT_EQ(Position(PositionRow::Caret, L"0x121"), L"0x121");
    EXPECT_EQ(Value(ValueRow::Int8, L"-1"), L"-1");
    EXPECT_EQ(Value(ValueRow::Int32, L"33554431"), L"33554431");
    EXPECT_EQ(Value(ValueRow::Int32, L"-255", true), L"-255");
    EXPECT_EQ(Value(ValueRow::UInt16, L"65535"), L"65535");

    // Escape in the view closes it; Ctrl+I opens and closes it.
    ASSERT_TRUE(Keys(L"Escape"));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(inspector_); }));
    ASSERT_TRUE(Keys(L"ctrl+i"));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(inspector_) != FALSE; }));

    // A block over three lines: its pairs selected, copied as text and as hex pairs.
    ASSERT_TRUE(SelectBlock(0x203, 0x2B));
    EXPECT_EQ(Position(PositionRow::SelectionStart, L"0x203"), L"0x203");
    EXPECT_EQ(Position(PositionRow::SelectionLength, L"0x2B"), L"0x2B");
    EXPECT_EQ(CopiedBy(L"ctrl+c"), ViewTextOfPairs(0x203, 0x2B, SmallFileByte));
    EXPECT_EQ(CopiedBy(L"ctrl+shift+c"), HexPairs(0x203, 0x2B, SmallFileByte));

    // Another file while it shows, the caret at the start in both: the new file's values.
    ASSERT_TRUE(Keys(L"ctrl+Home"));
    EXPECT_EQ(Value(ValueRow::UInt16, L"1792"), L"1792"); // 00 07
    const std::wstring other = folder_.Write(L"other.bin", std::string_view("\x80\x01\x02", 3));
    ASSERT_TRUE(DropAndClick(other));
    ASSERT_TRUE(Keys(L"ctrl+Home"));
    EXPECT_EQ(Value(ValueRow::Int8, L"-128"), L"-128");
    EXPECT_EQ(Value(ValueRow::Int16, L"384"), L"384");
    EXPECT_EQ(Value(ValueRow::Int32, dash), dash) << "three bytes only";
    EXPECT_EQ(Position(PositionRow::Caret, L"0x0"), L"0x0");
}

// Past 4 GiB of a sparse 64 GiB file: the same values, blocks and copies.
TEST_F(Inspector, PastFourGiBOfA64GiBFile) {
    constexpr std::uint64_t kSize = 64ULL << 30;
    constexpr std::uint64_t kAt = (4ULL << 30) + 0x1230;
    const std::string_view planted("\x01\x00\x00\x00\x00\x00\x00\x80", 8);
    const std::wstring path = folder_.Zeros(L"sparse 64 GiB.bin", kSize);
    WriteAt(path, kAt, planted);
    const ByteAt byteAt = [&](std::uint64_t offset) {
        return offset >= kAt && offset - kAt < planted.size()
                   ? static_cast<unsigned char>(planted[offset - kAt])
                   : static_cast<unsigned char>(0);
    };
    ASSERT_TRUE(DropAndClick(path));
    ASSERT_TRUE(GoTo(kAt));
    ASSERT_TRUE(Keys(L"ctrl+i"));
    ASSERT_NE(inspector_ = Shown(), nullptr);
    EXPECT_EQ(Position(PositionRow::Caret, L"0x100001230"), L"0x100001230");
    EXPECT_EQ(Position(PositionRow::Caret, L"4294971952", true), L"4294971952");
    EXPECT_EQ(Value(ValueRow::Int64, L"-9223372036854775807"), L"-9223372036854775807");
    EXPECT_EQ(Value(ValueRow::UInt64, L"9223372036854775809"), L"9223372036854775809");
    EXPECT_EQ(Value(ValueRow::Int64, L"72057594037928064", true), L"72057594037928064");

    ASSERT_TRUE(SelectBlock(kAt, 20)); // across a line's end
    EXPECT_EQ(Position(PositionRow::SelectionEnd, L"0x100001243"), L"0x100001243");
    EXPECT_EQ(CopiedBy(L"ctrl+c"), ViewTextOfPairs(kAt, 20, byteAt));
    EXPECT_EQ(CopiedBy(L"ctrl+shift+c"), HexPairs(kAt, 20, byteAt));
    EXPECT_EQ(CopiedAsCArray(),
              L"const unsigned char data[20] = {\r\n"
              L"    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00,\r\n"
              L"    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00\r\n"
              L"};");
    ASSERT_TRUE(Keys(L"alt+f x"));
    EXPECT_EQ(program_.ExitCode(), 0u);
}

} // namespace
} // namespace octolume::test
