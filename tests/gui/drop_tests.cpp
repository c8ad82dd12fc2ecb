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
    EXPECT_EQ(ViewText(program_.View()), ExpectedViewText(firstBytes));
    EXPECT_FALSE(ShowsTheWaitCursor());
    TakeScreenshot(program_.window, BuildFolder() + L"\\screenshots\\dropped_file.png");

    // A path dropped as text, as from an editor; the second file replaces view and label.
    const std::wstring second = folder_.Write(L"second.txt", "Hello, Octolume32!\n");
    const auto source = DragOntoView(program_.window, L"--text " + QuoteArgument(second));
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(source->WaitForExit());
    EXPECT_EQ(source->ExitCode(), 0u) << "the text was not dropped";
    ASSERT_TRUE(program_.LabelBecomes(second));
    EXPECT_EQ(ViewText(program_.View()), ExpectedViewText("Hello, Octolume32!\n"));
}

// The dump of 1 MiB of random bytes holds the rich-edit view's memory in over a gigabyte of
// pieces; emptying it in place would take hours. A user goes on dropping files, gets
// the box for an empty one, and closes the program: each answers within a generous bound.
TEST_F(DropTest, AfterAMebibyteOfRandomBytesOtherFilesAndTheExitFollowAtOnce) {
    constexpr milliseconds kLongLoad{300000};
    std::string randomBytes(1 << 20, '\0');
    unsigned state = 2024;
    for (char& byte : randomBytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    const std::wstring random = folder_.Write(L"random.bin", randomBytes);
    const std::vector<unsigned char> smallBytes = PatternBytes(3000);
    const std::wstring small = folder_.Write(L"small.bin", smallBytes);
    const std::wstring empty = folder_.Write(L"empty.bin", "");
    const auto dropAndWait = [&](const std::wstring& path) {
        const auto source = DragOntoView(program_.window, L"--files " + QuoteArgument(path));
        return source && source->WaitForExit(kLongLoad) && source->ExitCode() == 0u;
    };

    ASSERT_TRUE(dropAndWait(random));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(program_.label) == random; }, kLongLoad));
    EXPECT_TRUE(ViewText(program_.View()) == ExpectedViewText(randomBytes))
        << "the long dump, exactly";

    ASSERT_TRUE(dropAndWait(small)) << "the small file after the long dump";
    EXPECT_EQ(WindowText(program_.label), small);
    EXPECT_EQ(ViewText(program_.View()), ExpectedViewText(smallBytes));

    const auto source = DragOntoView(program_.window, L"--files " + QuoteArgument(empty));
    ASSERT_NE(source, nullptr);
    const HWND box = program_.process.WaitForMessageBox(kLongLoad);
    ASSERT_NE(box, nullptr);
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.title, L"Octolume32");
    EXPECT_EQ(content.text, kUnableText);
    TakeScreenshot(box, BuildFolder() + L"\\screenshots\\unable_to_load.png");
    ASSERT_TRUE(DismissMessageBox(box));
    ASSERT_TRUE(source->WaitForExit(kLongLoad)) << "the drop did not end after the box";
    EXPECT_FALSE(ShowsTheWaitCursor());
    EXPECT_EQ(ViewText(program_.View()), L"");
    EXPECT_EQ(WindowText(program_.label), small);

    ASSERT_TRUE(dropAndWait(random));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(program_.label) == random; }, kLongLoad));
    ASSERT_TRUE(TypeKeys(program_.window, {L"alt+f", L"x"}));
    ASSERT_TRUE(program_.process.WaitForExit(kLongLoad)) << "the program did not end";
    EXPECT_EQ(program_.process.ExitCode(), 0u);
}

} // namespace
} // namespace octolume::test
