// Drops on the real program from another program with the real pointer, and the view used with
// the keyboard and the clipboard as a user does.
#include "driver.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

// A long dump, of 2 MiB of random bytes (11 million characters): a user reads its end, copies
// it whole, goes on with a small file and the box for an empty one, and closes the program:
// each answers at once (a long dump then a short one once lost the program for good).
TEST(Drop, ShowsALongDumpWholeAndEverythingFollowsAtOnce) {
    const milliseconds kLongLoad = Scaled(milliseconds{600000});
    TempFolder folder;
    Process program;
    const HWND window = program.Find(IsMainWindow);
    ASSERT_NE(window, nullptr);
    const HWND label = ::GetDlgItem(window, IDC_LBL_FILE_NAME);
    const HWND view = ::GetDlgItem(window, IDC_RTF_OCTOLUME);

    // A path dropped as text, as Explorer's "Copy as path" gives it, ending in a line break.
    const std::wstring text = folder.Write(L"pattern 17.bin", PatternBytes(17));
    const auto textSource = StartDrag(window, L"--text \"\\\"" + text + L"\\\"\r\n\"");
    ASSERT_NE(textSource, nullptr);
    EXPECT_EQ(textSource->ExitCode(), 0u) << "the text was not dropped";
    EXPECT_EQ(WindowText(label), text);
    EXPECT_EQ(WindowText(view), Wide(kPattern17Dump));

    std::string bytes((2 << 20) + 1000, '\0');
    unsigned state = 2024;
    for (char& byte : bytes)
        byte = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    const std::wstring random = folder.Write(L"random.bin", bytes);
    ASSERT_TRUE(Drop(window, random, kLongLoad));
    EXPECT_EQ(WindowText(label), random);
    const std::wstring dump = WindowText(view);
    constexpr std::size_t kLines = ((2 << 20) + 1000) / 16;
    EXPECT_TRUE(dump == ExpectedViewText(bytes)) << "not the whole dump";
    ASSERT_TRUE(Screenshot(window, L"view_at_design_size.png"));

    // A click into the view (as a user does after a drop from another program), then the keys.
    RECT place{};
    ::GetWindowRect(view, &place);
    ASSERT_TRUE(Xdotool(window, L"mousemove --sync " + std::to_wstring(place.left + 40) + L" " +
                                    std::to_wstring(place.top + 30) + L" click 1"));
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+End"));
    DWORD start = 0, end = 0;
    ASSERT_TRUE(WaitUntil([&] {
        ::SendMessageW(view, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        return end == dump.size();
    })) << "Ctrl+End did not reach the end";
    EXPECT_GT(::SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0), LRESULT(kLines - 100));
    ASSERT_TRUE(Screenshot(window, L"view_after_ctrl_end.png"));
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers ctrl+a ctrl+c"));
    std::wstring copied;
    EXPECT_TRUE(WaitUntil([&] { return (copied = ClipboardText()).size() == dump.size(); }));
    EXPECT_TRUE(copied == dump) << "the clipboard does not hold exactly the dump";

    const std::wstring small = folder.Write(L"pattern 33.bin", PatternBytes(33));
    ASSERT_TRUE(Drop(window, small, kLongLoad)) << "the small file after the long dump";
    EXPECT_EQ(WindowText(label), small);
    EXPECT_EQ(WindowText(view), Wide(kPattern33Dump));

    const auto emptySource = StartDrag(window, L"--files \"" + folder.Write(L"empty", "") + L"\"");
    ASSERT_NE(emptySource, nullptr);
    const HWND box = program.Find(IsBox, kLongLoad);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Octolume32");
    EXPECT_EQ(BoxText(box), kUnableText);
    ASSERT_TRUE(Dismiss(box));
    EXPECT_EQ(emptySource->ExitCode(kLongLoad), 0u) << "the drop did not end after the box";
    EXPECT_EQ(WindowText(view), L"");
    EXPECT_EQ(WindowText(label), small);

    ASSERT_TRUE(Drop(window, small, kLongLoad));
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers alt+f x"));
    EXPECT_EQ(program.ExitCode(kLongLoad), 0u) << "File > Exit did not end the program";
}

} // namespace
} // namespace octolume::test
