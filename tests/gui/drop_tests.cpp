// Dropping files and paths on the real program's view from another program, with the
// real pointer, and reading back what the program shows.
#include "driver.h"
#include "resource.h"

#include "engine/core/dump_format.h"
#include "held_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace octolume::gui {
namespace {

constexpr wchar_t kUnableText[] =
    L"Unable to load file contents.\r\n\r\nPossible reasons include:\r\n"
    L"1) The file has no contents.\r\n2) The file is in use.";

std::string Bytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 31) ^ (i >> 8));
    return bytes;
}

// The dump text as the view reports it: pure ASCII, so widening is the ANSI conversion.
std::wstring ExpectedDump(const std::string& bytes) {
    const std::string dump =
        FormatDump(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
                   bytes.size());
    return std::wstring(dump.begin(), dump.end());
}

std::wstring WriteFile(const TempFolder& folder, const std::wstring& name,
                       const std::string& bytes) {
    const std::wstring path = folder.Path() + L"\\" + name;
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

bool ShowsTheWaitCursor() {
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    return ::GetCursorInfo(&cursor) && cursor.hCursor == ::LoadCursorW(nullptr, IDC_WAIT);
}

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = program_.WaitForMainWindow();
        ASSERT_NE(window_, nullptr);
        label_ = ControlOf(window_, IDC_LBL_FILE_NAME);
    }

    // Found again each time: a view that held a long dump is replaced by a new control.
    HWND View() const { return ControlOf(window_, IDC_RTF_OCTOLUME); }

    bool LabelBecomes(const std::wstring& text) {
        return WaitUntil([&] { return WindowText(label_) == text; }, kWindowTimeout);
    }

    // Drops a file the program cannot dump and answers the message box it shows.
    void ExpectUnableToLoad(const std::wstring& path, const std::wstring& screenshotName) {
        const auto source = DragOntoView(window_, L"--files " + QuoteArgument(path));
        ASSERT_NE(source, nullptr);
        const HWND box = program_.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << "no message box for " << std::string(path.begin(), path.end());
        const MessageBoxContent content = ReadMessageBox(box);
        EXPECT_EQ(content.title, L"Octolume32");
        EXPECT_EQ(content.text, kUnableText);
        if (!screenshotName.empty())
            TakeScreenshot(box, BuildFolder() + L"\\screenshots\\" + screenshotName);
        ASSERT_TRUE(DismissMessageBox(box));
        ASSERT_TRUE(source->WaitForExit()) << "the drop did not end after the box";
        EXPECT_EQ(source->ExitCode(), 0u);
    }

    ProgramProcess program_{BuiltProgramPath()};
    HWND window_ = nullptr;
    HWND label_ = nullptr;
    TempFolder folder_;
};

TEST_F(DropTest, DroppedFilesAndPathsShowTheirDumpAndFullPath) {
    const std::string firstBytes = Bytes(70000); // more than one piece of the view's fill
    const std::wstring first = WriteFile(folder_, L"first.bin", firstBytes);
    ASSERT_TRUE(OpenFileByDrop(window_, first));
    ASSERT_TRUE(LabelBecomes(first));
    EXPECT_EQ(ViewText(View()), ExpectedDump(firstBytes));
    EXPECT_FALSE(ShowsTheWaitCursor());
    TakeScreenshot(window_, BuildFolder() + L"\\screenshots\\dropped_file.png");

    // A path dropped as text, as from an editor; the second file replaces view and label.
    const std::wstring second = WriteFile(folder_, L"second.txt", "Hello, Octolume32!\n");
    const auto source = DragOntoView(window_, L"--text " + QuoteArgument(second));
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(source->WaitForExit());
    EXPECT_EQ(source->ExitCode(), 0u) << "the text was not dropped";
    ASSERT_TRUE(LabelBecomes(second));
    EXPECT_EQ(ViewText(View()), ExpectedDump("Hello, Octolume32!\n"));
}

TEST_F(DropTest, EmptyAndLockedFilesGiveTheMessageAndKeepTheLabel) {
    const std::wstring shown = WriteFile(folder_, L"shown.bin", "abc");
    ASSERT_TRUE(OpenFileByDrop(window_, shown));
    ASSERT_TRUE(LabelBecomes(shown));

    ExpectUnableToLoad(WriteFile(folder_, L"empty.bin", ""), L"unable_to_load.png");
    EXPECT_EQ(ViewText(View()), L"");
    EXPECT_EQ(WindowText(label_), shown);
    EXPECT_FALSE(ShowsTheWaitCursor());

    const std::wstring locked = WriteFile(folder_, L"locked.bin", "held elsewhere");
    test::HeldFile holder(locked);
    ExpectUnableToLoad(locked, L"");
    EXPECT_EQ(ViewText(View()), L"");
    EXPECT_EQ(WindowText(label_), shown);
    EXPECT_FALSE(ShowsTheWaitCursor());
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
    const std::wstring random = WriteFile(folder_, L"random.bin", randomBytes);
    const std::string smallBytes = Bytes(3000);
    const std::wstring small = WriteFile(folder_, L"small.bin", smallBytes);
    const std::wstring empty = WriteFile(folder_, L"empty.bin", "");
    const auto dropAndWait = [&](const std::wstring& path) {
        const auto source = DragOntoView(window_, L"--files " + QuoteArgument(path));
        return source && source->WaitForExit(kLongLoad) && source->ExitCode() == 0u;
    };

    ASSERT_TRUE(dropAndWait(random));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(label_) == random; }, kLongLoad));
    EXPECT_TRUE(ViewText(View()) == ExpectedDump(randomBytes)) << "the long dump, exactly";

    ASSERT_TRUE(dropAndWait(small)) << "the small file after the long dump";
    EXPECT_EQ(WindowText(label_), small);
    EXPECT_EQ(ViewText(View()), ExpectedDump(smallBytes));

    const auto source = DragOntoView(window_, L"--files " + QuoteArgument(empty));
    ASSERT_NE(source, nullptr);
    const HWND box = program_.WaitForMessageBox(kLongLoad);
    ASSERT_NE(box, nullptr);
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.title, L"Octolume32");
    EXPECT_EQ(content.text, kUnableText);
    ASSERT_TRUE(DismissMessageBox(box));
    ASSERT_TRUE(source->WaitForExit(kLongLoad));
    EXPECT_EQ(ViewText(View()), L"");
    EXPECT_EQ(WindowText(label_), small);

    ASSERT_TRUE(dropAndWait(random));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(label_) == random; }, kLongLoad));
    ASSERT_TRUE(TypeKeys(window_, {L"alt+f", L"x"}));
    ASSERT_TRUE(program_.WaitForExit(kLongLoad)) << "the program did not end";
    EXPECT_EQ(program_.ExitCode(), 0u);
}

} // namespace
} // namespace octolume::gui
