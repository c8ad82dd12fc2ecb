// Dropping files and paths on the real program's view from another program, with the
// real pointer, and reading back what the program shows.
#include "driver.h"
#include "resource.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace octolume::test {
namespace {

constexpr wchar_t kUnableText[] =
    L"Unable to load file contents.\r\n\r\nPossible reasons include:\r\n"
    L"1) The file has no contents.\r\n2) The file is in use.";

bool ShowsTheWaitCursor() {
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    return ::GetCursorInfo(&cursor) && cursor.hCursor == ::LoadCursorW(nullptr, IDC_WAIT);
}

class DropTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(program_.window, nullptr); }

    ShownProgram program_;
    TempFolder folder_;
};

TEST_F(DropTest, DroppedFilesAndPathsShowTheirDumpAndFullPath) {
    const std::vector<unsigned char> firstBytes = PatternBytes(70000); // several view pieces
    const std::wstring first = folder_.Write(L"first.bin", firstBytes);
    ASSERT_TRUE(OpenFileByDrop(program_.window, first));
    ASSERT_TRUE(program_.LabelBecomes(first));
    EXPECT_EQ(ViewText(program_.view), ExpectedViewText(firstBytes));
    EXPECT_FALSE(ShowsTheWaitCursor());
    TakeScreenshot(program_.window, BuildFolder() + L"\\screenshots\\dropped_file.png");

    // A path dropped as text, as from an editor; the second file replaces view and label.
    const std::wstring second = folder_.Write(L"second.txt", "Hello, Octolume32!\n");
    const auto source = DragOntoView(program_.window, L"--text " + QuoteArgument(second));
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(source->WaitForExit());
    EXPECT_EQ(source->ExitCode(), 0u) << "the text was not dropped";
    ASSERT_TRUE(program_.LabelBecomes(second));
    EXPECT_EQ(ViewText(program_.view), ExpectedViewText("Hello, Octolume32!\n"));
}

// Which files cannot be dumped is tested in process; here the box shown inside the drop
// must be answerable and end the drag.
TEST_F(DropTest, AnEmptyFileGivesTheMessageAndKeepsTheLabel) {
    const std::wstring shown = folder_.Write(L"shown.bin", "abc");
    ASSERT_TRUE(OpenFileByDrop(program_.window, shown));
    ASSERT_TRUE(program_.LabelBecomes(shown));

    const auto source =
        DragOntoView(program_.window, L"--files " + QuoteArgument(folder_.Write(L"empty.bin", "")));
    ASSERT_NE(source, nullptr);
    const HWND box = program_.process.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no message box";
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.title, L"Octolume32");
    EXPECT_EQ(content.text, kUnableText);
    TakeScreenshot(box, BuildFolder() + L"\\screenshots\\unable_to_load.png");
    ASSERT_TRUE(DismissMessageBox(box));
    ASSERT_TRUE(source->WaitForExit()) << "the drop did not end after the box";
    EXPECT_EQ(source->ExitCode(), 0u);
    EXPECT_EQ(ViewText(program_.view), L"");
    EXPECT_EQ(WindowText(program_.label), shown);
    EXPECT_FALSE(ShowsTheWaitCursor());
}

} // namespace
} // namespace octolume::test
