// Drops on the real program from another program with the real pointer.
#include "driver.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

// The dump of 1 MiB of random bytes holds the view's memory in over a gigabyte of pieces;
// emptying it in place once took hours and lost the program for good. After it a user
// goes on dropping files, gets the box for an empty one and closes the program: each
// answers within a generous bound.
TEST(Drop, ShowsDumpAndPathAndAfterAMebibyteEverythingFollowsAtOnce) {
    constexpr milliseconds kLongLoad{300000};
    TempFolder folder;
    Process program;
    const HWND window = program.Find(IsMainWindow);
    ASSERT_NE(window, nullptr);
    const HWND label = ::GetDlgItem(window, IDC_LBL_FILE_NAME);
    // Found again each time: a view that held a long dump is replaced by a new control.
    const auto view = [&] { return ::GetDlgItem(window, IDC_RTF_OCTOLUME); };

    // A path dropped as text, as from an editor.
    const std::wstring text = folder.Write(L"pattern 17.bin", PatternBytes(17));
    const auto textSource = StartDrag(window, L"--text \"" + text + L"\"");
    ASSERT_NE(textSource, nullptr);
    EXPECT_EQ(textSource->ExitCode(), 0u) << "the text was not dropped";
    EXPECT_EQ(WindowText(label), text);
    EXPECT_EQ(WindowText(view()), Wide(kPattern17Dump));

    std::string bytes(1 << 20, '\0');
    unsigned state = 2024;
    for (char& byte : bytes)
        byte = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    const std::wstring random = folder.Write(L"random.bin", bytes);
    const std::wstring small = folder.Write(L"pattern 33.bin", PatternBytes(33));
    ASSERT_TRUE(Drop(window, random, kLongLoad));
    EXPECT_EQ(WindowText(label), random);
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(view(), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 60000, &length);
    EXPECT_EQ(length, 67u + 65536u * 80u) << "a header and 65536 lines of 78 characters";

    ASSERT_TRUE(Drop(window, small, kLongLoad)) << "the small file after the long dump";
    EXPECT_EQ(WindowText(label), small);
    EXPECT_EQ(WindowText(view()), Wide(kPattern33Dump));

    const auto emptySource = StartDrag(window, L"--files \"" + folder.Write(L"empty", "") + L"\"");
    ASSERT_NE(emptySource, nullptr);
    const HWND box = program.Find(IsBox, kLongLoad);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Octolume32");
    EXPECT_EQ(BoxText(box), kUnableText);
    ASSERT_TRUE(Dismiss(box));
    EXPECT_EQ(emptySource->ExitCode(kLongLoad), 0u) << "the drop did not end after the box";
    EXPECT_EQ(WindowText(view()), L"");
    EXPECT_EQ(WindowText(label), small);

    ASSERT_TRUE(Drop(window, random, kLongLoad));
    EXPECT_EQ(WindowText(label), random);
    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers alt+f x"));
    EXPECT_EQ(program.ExitCode(kLongLoad), 0u) << "File > Exit did not end the program";
}

} // namespace
} // namespace octolume::test
