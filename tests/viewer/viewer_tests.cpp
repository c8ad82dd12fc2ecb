// The viewer in process: the dump view, the drop intake and the load pipeline with the engine.
#include "app/mouse_pointer.h"
#include "app/view_text.h"

#include "expected_dumps.h"
#include "hand_made_data.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

namespace octolume::test {

// Texts go in in pieces of 64K characters: a cut right there would part this text's CR at
// 65535 from its LF, and its long line is longer than a piece.
TEST(DumpView, ReplacesEverythingWholeShowsTheTopAndCannotBeUndone) {
    ViewerWindow window;
    ReplaceViewText(window.View(), L"first\r\n");
    const std::wstring text =
        L"ab\r\n" + std::wstring(65531, L'x') + L"\r\n" + std::wstring(70000, L'y') + L"\r\ntail";
    ReplaceViewText(window.View(), text);
    EXPECT_EQ(WindowText(window.View()), text);
    DWORD start = 1, end = 1;
    SendMessageW(window.View(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(start + end + SendMessageW(window.View(), EM_GETFIRSTVISIBLELINE, 0, 0), 0u);
    SendMessageW(window.View(), EM_UNDO, 0, 0);
    EXPECT_EQ(WindowText(window.View()), text);
}

// Wine's rich edit takes minutes to empty a long text in place (a long text and then a short
// one once hung the program for good): a text longer than this goes with its control.
TEST(DumpView, ALongTextIsNeverEmptiedInPlaceLoadAfterLoad) {
    ViewerWindow window;
    window.Dump().ShowText(std::wstring(kLongestTextEmptiedInPlace, L'x'));
    HWND view = window.View();
    for (int load = 0; load < 3; ++load) {
        window.Dump().ShowText(L"short");
        EXPECT_EQ(window.View(), view);
        window.Dump().ShowText(std::wstring(kLongestTextEmptiedInPlace + 1, L'x'));
        window.Dump().ShowText(L"short");
        EXPECT_FALSE(IsWindow(view));
        view = window.View();
        EXPECT_EQ(WindowText(view), L"short");
    }
}

TEST(DropIntake, TextWholeElseTheFirstFileElseNothingQuietlyAndUnreadableDataReported) {
    const MessageBoxCapture boxes;
    HandMadeData text, files, neither;
    text.text = " \"C:\\Some Folder\\file.bin\" \r\n";
    text.files = files.files = {L"C:\\data\\first.bin", L"C:\\data\\second.bin"};
    EXPECT_EQ(GetSingleItemFromDataObject(&text), L" \"C:\\Some Folder\\file.bin\" \r\n");
    EXPECT_EQ(GetSingleItemFromDataObject(&files), L"C:\\data\\first.bin");
    EXPECT_EQ(GetSingleItemFromDataObject(&neither) + GetSingleItemFromDataObject(nullptr), L"");
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(text.references + files.references, 2u) << "a reference kept";
    text.failGetData = true;
    EXPECT_EQ(GetSingleItemFromDataObject(&text), L"");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].title,
              L"Unexpected Error in frmOctolume.GetSingleItemFromDataObject");
    EXPECT_NE(boxes.Boxes()[0].text.find(L"No: -2147024882\r\n"), std::wstring::npos);
}

// The program loads its engine at start-up; the pipeline finds it in the process.
class Pipeline : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(engine_, nullptr) << "octolume.dll beside the tests"; }
    std::wstring ViewAndLabel() {
        return WindowText(window_.View()) + L"|" + WindowText(window_.Label());
    }
    const LibraryHandle engine_{LoadLibraryW(BuiltFile(L"octolume.dll").c_str())};
    const TempFolder folder_;
    const MessageBoxCapture boxes_;
    ViewerWindow window_;
};

TEST_F(Pipeline, ShowsWholeDumpsWithTheirPathsAndTheOwnMessageForWhatCannotBeDumped) {
    const std::vector<unsigned char> bytes = PatternBytes(70000); // a dump of several pieces
    const std::wstring first = folder_.Write(L"first.bin", bytes);
    const std::wstring second = folder_.Write(L"second.bin", PatternBytes(17));
    GetAndDisplayOctolume(window_.Controls(), first);
    EXPECT_EQ(ViewAndLabel(), ExpectedViewText(bytes) + L"|" + first);
    GetAndDisplayOctolume(window_.Controls(), second);
    EXPECT_EQ(ViewAndLabel(),
              std::wstring(kPattern17Dump.begin(), kPattern17Dump.end()) + L"|" + second);
    EXPECT_TRUE(boxes_.Boxes().empty());

    GetAndDisplayOctolume(window_.Controls(), folder_.Path() + L"\\missing.bin");
    EXPECT_EQ(ViewAndLabel(), L"|" + second) << "an empty view, the label keeps the last file";
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    const ShownBox& box = boxes_.Boxes()[0];
    EXPECT_EQ(box.title + L"|" + box.text, std::wstring(L"Octolume32|") + kUnableText);
    EXPECT_EQ(box.style, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(CurrentMousePointer(), MousePointer::Default);
}

// The dump of 2 MiB of random bytes takes Wine's rich edit about 2.5 GB of address space: more
// than a 32-bit process has unless it is large-address-aware.
TEST_F(Pipeline, TheLargestDumpOfRandomBytesFitsTheView) {
    std::string bytes(2097152 + 100, '\0');
    unsigned state = 12345;
    for (char& byte : bytes)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 23);
    GetAndDisplayOctolume(window_.Controls(), folder_.Write(L"random.bin", bytes));
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_EQ(WindowText(window_.View()),
              ExpectedViewText(bytes.substr(0, 2097152)) +
                  L"--- Dump truncated: showing the first 2097152 of 2097252 bytes ---\r\n");
}

} // namespace octolume::test
