#include "app/view_text.h"

#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <memory>

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
    static inline std::unique_ptr<ViewerWindow> window_;
    static void SetUpTestSuite() { window_ = std::make_unique<ViewerWindow>(); }
    static void TearDownTestSuite() { window_.reset(); }
    HWND View() const { return window_->View(); }
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

} // namespace
} // namespace octolume::test
