// Find and Go To on the real program, by the keys of the view and the keyboard of their
// dialogs; what they select read back from the view.
#include "driver.h"

#include "engine/core/dump_layout.h"
#include "expected_dumps.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

constexpr std::size_t kHeaderLength = 67;

// Where a byte's hex pair starts in the view's text.
DWORD PairOf(std::size_t byte) {
    return static_cast<DWORD>(kHeaderLength + byte / 16 * dump_layout::kLineSize +
                              dump_layout::HexDigitsColumn(byte % 16));
}

std::pair<DWORD, DWORD> Selection(HWND view) {
    DWORD start = 0, end = 0;
    ::SendMessageW(view, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

// The pairs of `count` bytes from `first` on, first to last.
std::pair<DWORD, DWORD> PairsOf(std::size_t first, std::size_t count) {
    return {PairOf(first), PairOf(first + count - 1) + 2};
}

TEST(FindAndGoTo, SelectTheBytesTheyFindOrGoToAndSayWhatTheyCannot) {
    TempFolder folder;
    std::vector<unsigned char> bytes = PatternBytes(8192);
    const std::string needle = "Find me";
    std::copy(needle.begin(), needle.end(), bytes.begin() + 3000);
    std::copy(needle.begin(), needle.end(), bytes.begin() + 8100);
    const unsigned char across[] = {0xDE, 0xAD, 0xBE, 0xEF}; // bytes 0x7E to 0x81
    std::copy(std::begin(across), std::end(across), bytes.begin() + 0x7E);
    const std::wstring file = folder.Write(L"find.bin", bytes);

    Process program;
    const HWND window = program.Find(IsMainWindow);
    ASSERT_NE(window, nullptr);
    const HWND view = ::GetDlgItem(window, IDC_RTF_OCTOLUME);
    ASSERT_TRUE(Drop(window, file));
    RECT place{};
    ::GetWindowRect(view, &place);
    ASSERT_TRUE(Xdotool(window, L"mousemove --sync " + std::to_wstring(place.left + 40) + L" " +
                                    std::to_wstring(place.top + 30) + L" click 1"));
    const auto selected = [&](std::pair<DWORD, DWORD> expected) {
        return WaitUntil([&] { return Selection(view) == expected; });
    };
    const auto titled = [](const wchar_t* title) {
        return [title](HWND w) { return IsBox(w) && WindowText(w) == title; };
    };

    // Text, found where it is and again further on; the view scrolls to each.
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+f"));
    const HWND find = program.Find(titled(L"Find"));
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(Xdotool(find, L"type 'find me'"));
    ASSERT_TRUE(Xdotool(find, L"key Return"));
    EXPECT_TRUE(selected(PairsOf(3000, needle.size()))) << "case folded";
    const LRESULT line = 1 + 3000 / 16;
    const LRESULT first = ::SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_TRUE(first > 0 && first <= line && line < first + 30) << first;
    ASSERT_TRUE(Screenshot(window, L"find_dialog.png", true));
    ASSERT_TRUE(Xdotool(find, L"key F3"));
    EXPECT_TRUE(selected(PairsOf(8100, needle.size())));
    EXPECT_GT(::SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0), first);

    // Hex bytes across a line break.
    ASSERT_TRUE(Xdotool(find, L"key alt+x alt+w"));
    ASSERT_TRUE(Xdotool(find, L"type 'de ad be ef'"));
    ASSERT_TRUE(Xdotool(find, L"key Return"));
    EXPECT_TRUE(selected(PairsOf(0x7E, 4))) << "wrapped to the match near the top";
    EXPECT_NE(WindowText(::GetDlgItem(find, IDC_FIND_STATUS)), L"");

    // Absent: the message names the query, and the selection stays.
    ASSERT_TRUE(Xdotool(find, L"key alt+t alt+w"));
    ASSERT_TRUE(Xdotool(find, L"type 'not here'"));
    ASSERT_TRUE(Xdotool(find, L"key Return"));
    const HWND box = program.Find(
        [&](HWND w) { return IsBox(w) && WindowText(w) == L"Octolume32" && w != find; });
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), L"Cannot find \"not here\" in the dump.");
    ASSERT_TRUE(Dismiss(box));
    EXPECT_EQ(Selection(view), PairsOf(0x7E, 4));
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(find); }));

    // Go To: hex by default; Escape closes it.
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+g"));
    const HWND goTo = program.Find(titled(L"Go To"));
    ASSERT_NE(goTo, nullptr);
    ASSERT_TRUE(Xdotool(goTo, L"type '100'"));
    ASSERT_TRUE(Xdotool(goTo, L"key Return"));
    EXPECT_TRUE(selected(PairsOf(0x100, 1)));
    EXPECT_EQ(::SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0), LRESULT(1 + 0x100 / 16 - 2))
        << "two lines above the offset's";
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(goTo); }));
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+g"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(goTo) != FALSE; }));
    ASSERT_TRUE(Xdotool(goTo, L"key Escape"));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(goTo); }));
}

} // namespace
} // namespace octolume::test
