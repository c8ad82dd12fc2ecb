// The real program, started under Wine and driven from outside like a user.
#include "driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace octolume::test {
namespace {

constexpr wchar_t kEngineLoadErrorText[] =
    L"Run-time error '-2147221504':\r\n\r\nError loading DLL - octolume.dll";

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::GetFileAttributesW(BuiltProgramPath().c_str()), INVALID_FILE_ATTRIBUTES)
            << "Octolume32.exe is not built";
    }
};

// The window's make-up and layout are tested in process; here the real program starts
// and shows it.
TEST_F(ProgramTest, ShowsCaptionAndControlsAtTheDesignSize) {
    ProgramProcess program(BuiltProgramPath());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr) << "no main window appeared";

    EXPECT_EQ(WindowText(window), L"Octolume32 - Binary Content Viewer");
    const HWND view = ControlOf(window, IDC_RTF_OCTOLUME);
    const HWND label = ControlOf(window, IDC_LBL_FILE_NAME);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(ControlOf(window, IDC_PCT_BANNER), nullptr);
    EXPECT_EQ(WindowText(label), L"File:");
    EXPECT_EQ(ViewText(view), L"");
    // 9615 by 6420 twips at 96 dots per inch.
    EXPECT_EQ(ClientSize(window).cx, 641);
    EXPECT_EQ(ClientSize(window).cy, 428);
    EXPECT_TRUE(TakeScreenshot(window, BuildFolder() + L"\\screenshots\\main_window.png"));

    ASSERT_TRUE(ResizeClientArea(window, 1200, 520));
    ASSERT_TRUE(WaitUntil([&] { return ChildRect(window, label).bottom == 520; }, kWindowTimeout));
    EXPECT_TRUE(TakeScreenshot(window, BuildFolder() + L"\\screenshots\\main_window_wide.png"));
}

TEST_F(ProgramTest, FileExitTypedAsAltFThenXEndsTheProgram) {
    ProgramProcess program(BuiltProgramPath());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(TypeKeys(window, {L"alt+f", L"x"}));
    ASSERT_TRUE(program.WaitForExit()) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
}

TEST_F(ProgramTest, ClickOnTheCloseBoxEndsTheProgram) {
    ProgramProcess program(BuiltProgramPath());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(FocusWindow(window));
    ASSERT_TRUE(ClickAt(CloseBoxCentre(window)));
    ASSERT_TRUE(program.WaitForExit()) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
}

// The engine is looked for in the program's folder only: a library of that name in
// the current directory, which the system's search order would find, is not used.
TEST_F(ProgramTest, WithoutTheEngineInItsFolderShowsTheErrorAndNoWindow) {
    TempFolder programFolder;
    TempFolder currentDirectory;
    const std::wstring program = programFolder.CopyIn(BuiltProgramPath(), L"Octolume32.exe");
    currentDirectory.CopyIn(BuiltEnginePath(), L"octolume.dll");

    ProgramProcess process(program, currentDirectory.Path());
    const HWND box = process.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no error box appeared";
    const MessageBoxContent content = ReadMessageBox(box);
    EXPECT_EQ(content.title, L"Octolume32");
    EXPECT_EQ(content.text, kEngineLoadErrorText);
    EXPECT_FALSE(process.HasMainWindow());
    EXPECT_TRUE(TakeScreenshot(box, BuildFolder() + L"\\screenshots\\engine_missing.png"));

    ASSERT_TRUE(DismissMessageBox(box));
    ASSERT_TRUE(process.WaitForExit()) << "the program did not end";
    EXPECT_EQ(process.ExitCode(), 1u);
}

// A program copied with its engine into a folder of its own starts normally there.
TEST_F(ProgramTest, StartsFromAnyFolderThatHoldsItsEngine) {
    TempFolder folder;
    const std::wstring program = folder.CopyIn(BuiltProgramPath(), L"Octolume32.exe");
    folder.CopyIn(BuiltEnginePath(), L"octolume.dll");
    TempFolder elsewhere;
    ProgramProcess process(program, elsewhere.Path());
    ASSERT_NE(process.WaitForMainWindow(), nullptr);
    EXPECT_TRUE(process.IsRunning());
}

} // namespace
} // namespace octolume::test
