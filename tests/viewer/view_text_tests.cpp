#include "app/view_text.h"

#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

namespace octolume {
namespace {

using testing::ViewerWindow;
using testing::WindowText;

std::wstring Lines(size_t count, size_t width) {
    std::wstring text;
    for (size_t line = 0; line < count; ++line)
        text += std::wstring(width, static_cast<wchar_t>(L'A' + line % 26)) + L"\r\n";
    return text;
}

TEST(ReplaceViewText, LongTextArrivesWholeInPieces) {
    ViewerWindow window;
    const std::wstring text = Lines(3000, 77); // about 237K characters: several pieces
    ReplaceViewText(window.View(), text);
    EXPECT_EQ(text, WindowText(window.View()));
    EXPECT_EQ(0, SendMessageW(window.View(), EM_GETFIRSTVISIBLELINE, 0, 0)) << "shows the top";
    DWORD start = 1, end = 1;
    SendMessageW(window.View(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(0u, end);
}

TEST(ReplaceViewText, ReplacesEverythingAndKeepsLineBreaksOfLongLines) {
    ViewerWindow window;
    ReplaceViewText(window.View(), Lines(10, 10));
    // A line longer than a piece must still be cut without doubling any line break.
    const std::wstring text = std::wstring(70000, L'x') + L"\r\n" + Lines(5, 3) + L"tail";
    ReplaceViewText(window.View(), text);
    EXPECT_EQ(text, WindowText(window.View()));
    ReplaceViewText(window.View(), L"");
    EXPECT_EQ(L"", WindowText(window.View()));
}

TEST(ReplaceViewText, TheUserCannotUndoTheDump) {
    ViewerWindow window;
    ReplaceViewText(window.View(), L"first\r\n");
    ReplaceViewText(window.View(), L"second\r\n");
    SendMessageW(window.View(), EM_UNDO, 0, 0);
    EXPECT_EQ(L"second\r\n", WindowText(window.View()));
}

} // namespace
} // namespace octolume
