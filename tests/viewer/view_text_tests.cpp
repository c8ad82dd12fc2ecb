#include "app/view_text.h"

#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

namespace octolume::test {
namespace {

std::wstring Lines(size_t count, size_t width) {
    std::wstring text;
    for (size_t line = 0; line < count; ++line)
        text += std::wstring(width, static_cast<wchar_t>(L'A' + line % 26)) + L"\r\n";
    return text;
}

class ViewFill : public ::testing::Test {
protected:
    HWND View() const { return window_.View(); }
    ViewerWindow window_;
};

TEST_F(ViewFill, LongTextArrivesWholeInPiecesAndShowsItsTop) {
    const std::wstring text = Lines(3000, 77); // about 237K characters: several pieces
    ReplaceViewText(View(), text);
    EXPECT_EQ(text, WindowText(View()));
    EXPECT_EQ(0, SendMessageW(View(), EM_GETFIRSTVISIBLELINE, 0, 0));
    DWORD start = 1, end = 1;
    SendMessageW(View(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(0u, end);
}

TEST_F(ViewFill, ReplacesEverythingAndKeepsLineBreaksOfLongLines) {
    ReplaceViewText(View(), Lines(10, 10));
    // A line longer than a piece must still be cut without doubling any line break.
    const std::wstring text = std::wstring(70000, L'x') + L"\r\n" + Lines(5, 3) + L"tail";
    ReplaceViewText(View(), text);
    EXPECT_EQ(text, WindowText(View()));
    ReplaceViewText(View(), L"");
    EXPECT_EQ(L"", WindowText(View()));
}

TEST_F(ViewFill, TheUserCannotUndoTheDump) {
    ReplaceViewText(View(), L"first\r\n");
    ReplaceViewText(View(), L"second\r\n");
    SendMessageW(View(), EM_UNDO, 0, 0);
    EXPECT_EQ(L"second\r\n", WindowText(View()));
}

// Short texts change in place; a long one goes with its control, and a new control,
// set up the same way, takes the old one's place.
TEST(DumpView, ALongTextIsNotEmptiedInPlace) {
    ViewerWindow window;
    const HWND first = window.View();
    window.Dump().ShowText(std::wstring(kLongestTextEmptiedInPlace, L'x'));
    window.Dump().ShowText(L"short");
    EXPECT_EQ(first, window.View());
    window.Dump().ShowText(Lines(100, 77)); // 7,900 characters
    EXPECT_EQ(first, window.View());
    ASSERT_TRUE(MoveWindow(first, 20, 30, 400, 200, FALSE));

    window.Dump().ShowText(L"Loading...");
    const HWND second = window.View();
    EXPECT_NE(first, second);
    EXPECT_FALSE(IsWindow(first)) << "the long text's control is destroyed";
    EXPECT_EQ(L"Loading...", WindowText(second));
    EXPECT_EQ(window.Frame(), GetParent(second));
    EXPECT_EQ(second, GetWindow(window.Frame(), GW_CHILD)) << "first in the tab order";
    RECT rect{};
    GetWindowRect(second, &rect);
    MapWindowPoints(HWND_DESKTOP, window.Frame(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(20, rect.left);
    EXPECT_EQ(30, rect.top);
    EXPECT_EQ(400, rect.right - rect.left);
    EXPECT_EQ(200, rect.bottom - rect.top);
    const std::wstring text = Lines(3000, 77);
    window.Dump().ShowText(text);
    EXPECT_EQ(second, window.View());
    EXPECT_EQ(text, WindowText(second));
}

} // namespace
} // namespace octolume::test
