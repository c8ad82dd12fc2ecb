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

bool Checked(HWND dialog, int control) {
    return ::SendMessageW(::GetDlgItem(dialog, control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// What a user meets in the first minutes: the match found becomes the next query in its own
// form, an empty query is said so, a query of thousands of bytes over zeros is answered at
// once with a box that fits the screen, Go To opens beside the view with Hex chosen and keeps
// Decimal once chosen, and the view answers no private message from another program.
TEST(FindAndGoTo, KeepTheQueryInItsFormAndStayUsableWithAnyInput) {
    TempFolder folder;
    std::vector<unsigned char> bytes = PatternBytes(4096);
    const std::string hello = "Hello, world!";
    std::copy(hello.begin(), hello.end(), bytes.begin() + 0x40);
    std::copy(hello.begin(), hello.end(), bytes.begin() + 0x205);
    const std::wstring file = folder.Write(L"hello.bin", bytes);

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

    // Found as text, then Ctrl+F offers the match as its hex bytes, which find the next one.
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+f"));
    const HWND find = program.Find(titled(L"Find"));
    ASSERT_NE(find, nullptr);
    const HWND what = ::GetDlgItem(find, IDC_FIND_WHAT);
    ASSERT_TRUE(Xdotool(find, L"type 'Hello'"));
    ASSERT_TRUE(Xdotool(find, L"key Return"));
    ASSERT_TRUE(selected(PairsOf(0x40, 5)));
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(find); }));
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+f"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(find) != FALSE; }));
    EXPECT_EQ(WindowText(what), L"48 65 6C 6C 6F");
    EXPECT_TRUE(Checked(find, IDC_FIND_HEX));
    ASSERT_TRUE(Xdotool(find, L"key Return"));
    EXPECT_TRUE(selected(PairsOf(0x205, 5)));

    // Nothing typed: said in the dialog.
    ASSERT_TRUE(Xdotool(find, L"key ctrl+a BackSpace Return"));
    EXPECT_TRUE(WaitUntil([&] {
        return WindowText(::GetDlgItem(find, IDC_FIND_STATUS)) ==
               L"Type the text or the bytes to find.";
    }));
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(find); }));

    // Ten thousand bytes over 16 MiB of zeros, which a search that compared the whole query
    // at every byte took minutes for: answered at once, and the box quotes sixty characters of
    // the query and fits the screen.
    ASSERT_TRUE(Drop(window, folder.Zeros(L"zeros.bin", 16 << 20)));
    ASSERT_TRUE(Xdotool(window, L"mousemove --sync " + std::to_wstring(place.left + 40) + L" " +
                                    std::to_wstring(place.top + 30) + L" click 1"));
    std::wstring longQuery = L"01";
    for (int byte = 1; byte < 10000; ++byte)
        longQuery += L" 00";
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+f"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(find) != FALSE; }));
    ::SendMessageW(what, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(longQuery.c_str()));
    ASSERT_TRUE(Xdotool(find, L"key alt+x Return"));
    const HWND box = program.Find(
        [&](HWND w) { return IsBox(w) && WindowText(w) == L"Octolume32" && w != find; });
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), L"Cannot find \"" + longQuery.substr(0, 60) + L"\u2026\" in the dump.");
    RECT boxPlace{};
    ::GetWindowRect(box, &boxPlace);
    // Small enough for any screen (the whole query made it 3,118 pixels high); a test program
    // without a console is told no screen size under Wine.
    EXPECT_LT(boxPlace.bottom - boxPlace.top, 300);
    RECT ok{};
    ::GetWindowRect(::GetDlgItem(box, IDOK), &ok);
    EXPECT_LE(ok.bottom, boxPlace.bottom);
    ASSERT_TRUE(Dismiss(box));
    ASSERT_TRUE(Xdotool(find, L"key Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(find); }));

    // Go To: beside the view, Hex chosen; Decimal kept once chosen.
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+g"));
    const HWND goTo = program.Find(titled(L"Go To"));
    ASSERT_NE(goTo, nullptr);
    EXPECT_TRUE(Checked(goTo, IDC_GO_TO_HEX));
    EXPECT_FALSE(Checked(goTo, IDC_GO_TO_DECIMAL));
    RECT goToPlace{};
    ::GetWindowRect(goTo, &goToPlace);
    EXPECT_TRUE(goToPlace.left >= place.left && goToPlace.top >= place.top &&
                goToPlace.right <= place.right && goToPlace.bottom <= place.bottom)
        << goToPlace.left << "," << goToPlace.top;
    ASSERT_TRUE(Xdotool(goTo, L"key alt+d alt+o"));
    ASSERT_TRUE(Xdotool(goTo, L"type '496'"));
    ASSERT_TRUE(Xdotool(goTo, L"key Return"));
    EXPECT_TRUE(selected(PairsOf(496, 1)));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(goTo); }));
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+g"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(goTo) != FALSE; }));
    EXPECT_TRUE(Checked(goTo, IDC_GO_TO_DECIMAL));
    ASSERT_TRUE(Xdotool(goTo, L"key Escape"));

    // Another program's private messages get nothing, and nothing is read or written.
    for (const UINT message : {UINT(WM_USER + 0x100), UINT(WM_USER + 0x101)})
        EXPECT_EQ(::SendMessageW(view, message, 0, 0x1234), 0) << message;
    EXPECT_GT(::SendMessageW(view, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(program.ExitCode(milliseconds{0}), DWORD(STILL_ACTIVE));
}

} // namespace
} // namespace octolume::test
