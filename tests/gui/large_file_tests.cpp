// A file of 64 GiB on the real program, as a user reaches every part of it: Go To, the caret
// keys, Copy, Find near its end, a long search stopped, Copy of all refused; then a small
// file, exactly. The file is sparse: a truncate and a few markers, no gigabytes written.
#include "driver.h"

#include "engine/core/dump_format.h"
#include "expected_dumps.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace octolume::test {
namespace {

constexpr std::uint64_t kSize = 64ULL << 30;

struct Marker {
    std::uint64_t offset;
    const char* text;
};
// At the start, across 2 GiB, past 4 GiB (nine offset digits) and in the last line.
constexpr Marker kMarkers[] = {{0, "START"},
                               {(1ULL << 31) - 4, "ACROSS-2G"},
                               {(1ULL << 32) + 0x100, "PAST-4G"},
                               {kSize - 7, "THE-END"}};

unsigned char ByteAt(std::uint64_t offset) {
    for (const Marker& marker : kMarkers) {
        const std::string_view text(marker.text);
        if (offset >= marker.offset && offset - marker.offset < text.size())
            return static_cast<unsigned char>(text[offset - marker.offset]);
    }
    return 0;
}

// The dump line that shows a byte, without its break.
std::wstring LineOf(std::uint64_t byte) {
    const std::uint64_t first = byte / 16 * 16;
    std::vector<unsigned char> bytes(16);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = ByteAt(first + i);
    std::string line(DumpLinesSize(16, first), '\0');
    FormatDumpLines(bytes, first, line.data());
    return Wide(line.substr(0, line.size() - 2));
}

std::wstring Hex(std::uint64_t value) {
    wchar_t text[24];
    std::swprintf(text, 24, L"%llX", static_cast<unsigned long long>(value));
    return text;
}

class LargeFile : public testing::Test {
protected:
    void SetUp() override {
        window_ = program_.Find(IsMainWindow);
        ASSERT_NE(window_, nullptr);
        view_ = ::GetDlgItem(window_, IDC_RTF_OCTOLUME);
        path_ = folder_.Zeros(L"sparse 64 GiB.bin", kSize);
        for (const Marker& marker : kMarkers)
            WriteAt(path_, marker.offset, marker.text);
    }
    HWND Titled(const wchar_t* title) {
        return program_.Find([&](HWND w) { return IsBox(w) && WindowText(w) == title; });
    }
    // Go To an offset, then the line's whole text selected with Home and Shift+End and copied.
    std::wstring CopiedLineAfterGoTo(std::uint64_t offset) {
        if (!Xdotool(window_, L"key --clearmodifiers ctrl+g"))
            return L"no keys";
        const HWND goTo = Titled(L"Go To");
        if (goTo == nullptr || !Xdotool(goTo, L"key ctrl+a") ||
            !Xdotool(goTo, L"type '" + Hex(offset) + L"'") || !Xdotool(goTo, L"key Return") ||
            !WaitUntil([&] { return !::IsWindowVisible(goTo); }))
            return L"no Go To";
        return CopiedLine(L"Home shift+End");
    }
    std::wstring CopiedLine(const std::wstring& keys) {
        PutOnClipboard(L"before");
        if (!Xdotool(window_, L"key --clearmodifiers " + keys + L" ctrl+c"))
            return L"no keys";
        std::wstring copied;
        WaitUntil([&] { return (copied = ClipboardText()) != L"before"; });
        return copied;
    }

    TempFolder folder_;
    Process program_;
    HWND window_ = nullptr;
    HWND view_ = nullptr;
    std::wstring path_;
};

TEST_F(LargeFile, ReachesEveryPartOf64GiBAndASmallFileAfterItIsExact) {
    ASSERT_TRUE(Drop(window_, path_));
    EXPECT_EQ(WindowText(::GetDlgItem(window_, IDC_LBL_FILE_NAME)), path_);
    // 2^32 lines and more: the counts that do not fit say so instead of wrapping.
    EXPECT_EQ(::SendMessageW(view_, EM_GETLINECOUNT, 0, 0), LRESULT(0x7FFFFFFF));
    for (const Marker& marker : kMarkers)
        EXPECT_EQ(CopiedLineAfterGoTo(marker.offset), LineOf(marker.offset)) << marker.text;
    EXPECT_EQ(CopiedLineAfterGoTo((1ULL << 31) + 3), LineOf((1ULL << 31) + 3));
    // Ctrl+End is on the empty line after the last; the one above is the file's last.
    EXPECT_EQ(CopiedLine(L"ctrl+End Up Home shift+End"), LineOf(kSize - 1));
    EXPECT_EQ(CopiedLine(L"ctrl+Home Down Home shift+End"), LineOf(0));
    // One past the end is refused with the range.
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers ctrl+g"));
    const HWND goTo = Titled(L"Go To");
    ASSERT_NE(goTo, nullptr);
    ASSERT_TRUE(Xdotool(goTo, L"key ctrl+a"));
    ASSERT_TRUE(Xdotool(goTo, L"type '1000000000'"));
    ASSERT_TRUE(Xdotool(goTo, L"key Return"));
    const HWND refusal =
        program_.Find([&](HWND w) { return IsBox(w) && w != goTo && WindowText(w) == L"Octolume32"; });
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(BoxText(refusal), L"\"1000000000\" lies beyond the dump. Offsets in this dump run "
                                L"from 0 to 0xFFFFFFFFF (68719476735).");
    ASSERT_TRUE(Dismiss(refusal));
    ASSERT_TRUE(Xdotool(goTo, L"key Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(goTo); }));

    // Copy of everything: refused with its size and the bound, the clipboard as it was.
    ASSERT_TRUE(PutOnClipboard(L"kept"));
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers ctrl+a ctrl+c"));
    const HWND tooMuch = program_.Find(
        [&](HWND w) { return IsBox(w) && BoxText(w).starts_with(L"The selection is "); });
    ASSERT_NE(tooMuch, nullptr);
    EXPECT_EQ(BoxText(tooMuch), L"The selection is 347,623,915,587 characters of text: Copy "
                                L"takes at most 67,108,864. Select less, or copy it in parts.");
    ASSERT_TRUE(Dismiss(tooMuch));
    EXPECT_EQ(ClipboardText(), L"kept");

    // A small file after it: exactly its dump.
    const std::wstring small = folder_.Write(L"pattern 33.bin", PatternBytes(33));
    ASSERT_TRUE(Drop(window_, small));
    EXPECT_EQ(WindowText(view_), Wide(kPattern33Dump));
}

TEST_F(LargeFile, FindsNearTheEndAndStopsALongSearchOnEscape) {
    ASSERT_TRUE(Drop(window_, path_));
    // Near the end: Go To a little before it, then Find.
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers ctrl+g"));
    const HWND goTo = Titled(L"Go To");
    ASSERT_NE(goTo, nullptr);
    ASSERT_TRUE(Xdotool(goTo, L"type '" + Hex(kSize - 0x10000) + L"'"));
    ASSERT_TRUE(Xdotool(goTo, L"key Return"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(goTo); }));
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers ctrl+f"));
    const HWND find = Titled(L"Find");
    ASSERT_NE(find, nullptr);
    const HWND what = ::GetDlgItem(find, IDC_FIND_WHAT);
    ::SendMessageW(what, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"THE-END"));
    // The selected pair made the query Hex bytes: Text is chosen back.
    ASSERT_TRUE(Xdotool(find, L"key alt+t Return"));
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(find); }));
    EXPECT_EQ(CopiedLine(L"Home shift+End"), LineOf(kSize - 7));

    // From the start, for bytes that are nowhere: its progress shows, Escape stops it, and
    // the selection stays.
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers ctrl+Home"));
    DWORD before[2] = {};
    ::SendMessageW(view_, EM_GETSEL, WPARAM(&before[0]), LPARAM(&before[1]));
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers ctrl+f"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(find) != FALSE; }));
    ::SendMessageW(what, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"nowhere at all"));
    ASSERT_TRUE(Xdotool(find, L"key alt+t Return"));
    const HWND status = ::GetDlgItem(find, IDC_FIND_STATUS);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(status).starts_with(L"Searching... "); }));
    // The window answers while it searches.
    EXPECT_EQ(WindowText(::GetDlgItem(window_, IDC_LBL_FILE_NAME)), path_);
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    ASSERT_TRUE(WaitUntil(
        [&] { return WindowText(status) == L"The search stopped. The selection is as it was."; }));
    EXPECT_TRUE(::IsWindowVisible(find));
    DWORD after[2] = {};
    ::SendMessageW(view_, EM_GETSEL, WPARAM(&after[0]), LPARAM(&after[1]));
    EXPECT_EQ(std::pair(after[0], after[1]), std::pair(before[0], before[1]));
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(find); }));
    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers alt+f x"));
    EXPECT_EQ(program_.ExitCode(), 0u);
}

// A file cut short while it is shown: what it lost shows as gone in its places, what it kept
// as it is; F5 then shows it as it is now.
TEST_F(LargeFile, ShowsWhatAFileLostWhileShownAsGoneAndF5ShowsItAnew) {
    const std::vector<unsigned char> bytes = PatternBytes(200 * 1024);
    const std::wstring path = folder_.Write(L"shrinking.bin", bytes);
    ASSERT_TRUE(Drop(window_, path));
    constexpr std::uint64_t kKept = 102405; // within the cache's second block of 64 KiB
    {
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end{};
        end.QuadPart = kKept;
        EXPECT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file));
        ::CloseHandle(file);
    }
    std::vector<unsigned char> line(bytes.begin() + 0x19000, bytes.begin() + 0x19010);
    std::string expected(DumpLinesSize(16, 0x19000), '\0');
    FormatDumpLines(line, 0x19000, expected.data());
    // Bytes 5 to 15 of the line are gone: their pairs "--", their characters blank.
    for (std::size_t byte = 5; byte < 16; ++byte) {
        expected[10 + 3 * byte + (byte >= 8 ? 1 : 0)] = '-';
        expected[11 + 3 * byte + (byte >= 8 ? 1 : 0)] = '-';
        expected[61 + byte] = ' ';
    }
    EXPECT_EQ(CopiedLineAfterGoTo(0x19000), Wide(expected.substr(0, expected.size() - 2)));
    const std::wstring gone = CopiedLineAfterGoTo(0x20000);
    EXPECT_EQ(gone.substr(0, 13), L"00020000  -- ");
    EXPECT_EQ(gone.substr(61), L"                |");

    ASSERT_TRUE(Xdotool(window_, L"key --clearmodifiers F5"));
    ASSERT_TRUE(WaitUntil([&] {
        return ::SendMessageW(view_, EM_GETLINECOUNT, 0, 0) == LRESULT(kKept / 16 + 1 + 2);
    }));
    EXPECT_TRUE(WindowText(view_) == ExpectedViewText(std::vector<unsigned char>(
                                         bytes.begin(), bytes.begin() + kKept)));
    EXPECT_EQ(WindowText(::GetDlgItem(window_, IDC_LBL_FILE_NAME)), path);
}

} // namespace
} // namespace octolume::test
