#include "app/load_and_display.h"
#include "app/mouse_pointer.h"

#include "held_file.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

namespace octolume {
namespace {

using testing::ExpectedDump;
using testing::MessageBoxCapture;
using testing::TempFolder;
using testing::ViewerWindow;
using testing::WindowText;

const std::wstring kUnableText =
    L"Unable to load file contents.\r\n\r\nPossible reasons include:\r\n"
    L"1) The file has no contents.\r\n2) The file is in use.";

std::string Bytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

// The program loads its engine at start-up; the pipeline finds it already in the process.
class PipelineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = LoadLibraryW((testing::ProgramFolder() / L"octolume.dll").c_str());
    }
    static void TearDownTestSuite() { FreeLibrary(engine_); }
    void SetUp() override { ASSERT_NE(nullptr, engine_) << "octolume.dll beside the tests"; }

    ViewerWindow window_;
    ViewerControls Controls() { return {window_.Dump(), window_.Label()}; }

private:
    static inline HMODULE engine_ = nullptr;
};

TEST_F(PipelineTest, ShowsTheWholeDumpAndTheFullPath) {
    MessageBoxCapture boxes;
    TempFolder folder;
    const std::string bytes = Bytes(70000); // more text than one piece of the fill
    folder.Write(L"data.bin", bytes);
    wchar_t previous[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.Path().c_str());

    GetAndDisplayOctolume(Controls(), L"data.bin"); // relative: the engine makes it full

    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(ExpectedDump(bytes), WindowText(window_.View()));
    wchar_t full[MAX_PATH]{};
    GetFullPathNameW((folder.Path() / L"data.bin").c_str(), MAX_PATH, full, nullptr);
    EXPECT_EQ(std::wstring(full), WindowText(window_.Label()));
    EXPECT_EQ(MousePointer::Default, CurrentMousePointer());
}

// The dump of 2 MiB of random bytes takes the rich-edit control about 2.5 GB of address
// space under Wine: more than a plain 32-bit process has.
TEST_F(PipelineTest, TheLargestDumpOfRandomBytesFitsTheView) {
    MessageBoxCapture boxes;
    TempFolder folder;
    std::string bytes(2097152 + 100, '\0');
    unsigned state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    const auto file = folder.Write(L"random.bin", bytes);
    GetAndDisplayOctolume(Controls(), file.wstring());
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::wstring text = WindowText(window_.View());
    EXPECT_EQ(ExpectedDump(bytes), text);
    EXPECT_NE(std::wstring::npos,
              text.find(L"--- Dump truncated: showing the first 2097152 of 2097252 bytes ---"));
}

TEST_F(PipelineTest, ASecondFileReplacesViewAndLabel) {
    TempFolder folder;
    const auto first = folder.Write(L"first.bin", Bytes(5000));
    const auto second = folder.Write(L"second.bin", "Hi!");
    GetAndDisplayOctolume(Controls(), first.wstring());
    GetAndDisplayOctolume(Controls(), second.wstring());
    EXPECT_EQ(ExpectedDump("Hi!"), WindowText(window_.View()));
    EXPECT_EQ(second.wstring(), WindowText(window_.Label()));
}

TEST_F(PipelineTest, FilesTheEngineCannotDumpGiveTheOwnMessage) {
    TempFolder folder;
    // A dump long enough that it goes with its control before the engine runs.
    const auto shown = folder.Write(L"shown.bin", Bytes(5000));
    const auto empty = folder.Write(L"empty.bin", "");
    const auto locked = folder.Write(L"locked.bin", "held by another process");
    test::HeldFile holder(locked.wstring());
    GetAndDisplayOctolume(Controls(), shown.wstring());

    for (const std::wstring& path : {empty.wstring(), locked.wstring(),
                                     (folder.Path() / L"missing.bin").wstring(), std::wstring()}) {
        MessageBoxCapture boxes;
        GetAndDisplayOctolume(Controls(), path);
        ASSERT_EQ(1u, boxes.Boxes().size()) << path;
        EXPECT_EQ(kUnableText, boxes.Boxes()[0].text);
        EXPECT_EQ(L"Octolume32", boxes.Boxes()[0].title);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), boxes.Boxes()[0].style);
        EXPECT_EQ(L"", WindowText(window_.View()));
        EXPECT_EQ(shown.wstring(), WindowText(window_.Label())) << "label keeps the last file";
        EXPECT_EQ(MousePointer::Default, CurrentMousePointer());
    }
}

} // namespace
} // namespace octolume
