// The real program, started under Wine and driven from outside like a user.
#include "driver.h"
#include "layout.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <cwchar>
#include <ostream>
#include <string>

namespace octolume {

void PrintTo(const PixelRect& rect, std::ostream* out) {
    *out << "{" << rect.left << ", " << rect.top << ", " << rect.width << ", " << rect.height
         << "}";
}

namespace gui {
namespace {

constexpr wchar_t kEngineLoadErrorText[] =
    L"Run-time error '-2147221504':\r\n\r\nError loading DLL - octolume.dll";

PixelRect ToPixelRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

int ScreenDpi(int axis) {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, axis);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::GetFileAttributesW(BuiltProgramPath().c_str()), INVALID_FILE_ATTRIBUTES)
            << "Octolume32.exe is not built";
    }

    // The controls' rectangles as the resize rule places them for the present client area.
    void ExpectLayoutFollowsTheClientArea(HWND window) {
        const HWND view = ControlOf(window, IDC_RTF_OCTOLUME);
        const HWND label = ControlOf(window, IDC_LBL_FILE_NAME);
        const HWND banner = ControlOf(window, IDC_PCT_BANNER);
        const int dpiX = ScreenDpi(LOGPIXELSX);
        const int dpiY = ScreenDpi(LOGPIXELSY);
        const SIZE client = ClientSize(window);
        const MainWindowLayout layout = ComputeMainWindowLayout(
            PixelsToTwips(client.cx, dpiX), PixelsToTwips(client.cy, dpiY),
            ::GetSystemMetrics(SM_CXVSCROLL), PixelsToTwips(TwipsToPixels(345, dpiY), dpiY),
            PixelsToTwips(TwipsToPixels(1200, dpiY), dpiY));
        EXPECT_EQ(ToPixelRect(ChildRect(window, view)), TwipsRectToPixels(layout.view, dpiX, dpiY));
        EXPECT_EQ(ToPixelRect(ChildRect(window, label)),
                  TwipsRectToPixels(layout.label, dpiX, dpiY));
        EXPECT_EQ(ToPixelRect(ChildRect(window, banner)),
                  TwipsRectToPixels(layout.banner, dpiX, dpiY));
    }
};

TEST_F(ProgramTest, ShowsCaptionControlsAndKeepsTheLayoutAtTwoSizes) {
    ProgramProcess program(BuiltProgramPath());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr) << "no main window appeared";

    EXPECT_EQ(WindowText(window), L"Octolume32 - Binary Content Viewer");
    const HWND view = ControlOf(window, IDC_RTF_OCTOLUME);
    const HWND label = ControlOf(window, IDC_LBL_FILE_NAME);
    const HWND banner = ControlOf(window, IDC_PCT_BANNER);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(::lstrcmpiW(ClassNameOf(view).c_str(), L"RICHEDIT50W"), 0);
    EXPECT_EQ(::lstrcmpiW(ClassNameOf(banner).c_str(), OCTOLUME_PICTURE_BOX_CLASS), 0);
    EXPECT_EQ(WindowText(label), L"File:");
    EXPECT_EQ(ViewText(view), L"");

    // First showing: the design client area.
    const int dpiX = ScreenDpi(LOGPIXELSX);
    const int dpiY = ScreenDpi(LOGPIXELSY);
    EXPECT_EQ(ClientSize(window).cx, TwipsToPixels(9615, dpiX));
    EXPECT_EQ(ClientSize(window).cy, TwipsToPixels(6420, dpiY));
    ExpectLayoutFollowsTheClientArea(window);
    if (dpiX == 96 && dpiY == 96) {
        const int width = TwipsToPixels(9615 - ::GetSystemMetrics(SM_CXVSCROLL) - 240, 96);
        EXPECT_EQ(ToPixelRect(ChildRect(window, view)), (PixelRect{8, 80, width, 322}));
        EXPECT_EQ(ToPixelRect(ChildRect(window, label)), (PixelRect{8, 405, width, 23}));
        EXPECT_EQ(ToPixelRect(ChildRect(window, banner)), (PixelRect{8, 0, width, 76}));
    }
    EXPECT_TRUE(TakeScreenshot(window, BuildFolder() + L"\\screenshots\\main_window.png"));

    // A second size, wider than the banner picture.
    ASSERT_TRUE(ResizeClientArea(window, 1200, 520));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ChildRect(window, label).bottom == 520 && ChildRect(window, banner).right > 1149;
        },
        kWindowTimeout));
    ExpectLayoutFollowsTheClientArea(window);
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

// The engine's path goes to LoadLibraryA: a folder name outside the ANSI code page
// does not survive the conversion, so the load fails although the library is there.
TEST_F(ProgramTest, FolderNameOutsideTheAnsiCodePageFailsTheEngineLoad) {
    TempFolder temp;
    const std::wstring folder = temp.Subfolder(L"\u0398\u03a9 viewer");
    const std::wstring program = folder + L"\\Octolume32.exe";
    ASSERT_TRUE(::CopyFileW(BuiltProgramPath().c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(
        ::CopyFileW(BuiltEnginePath().c_str(), (folder + L"\\octolume.dll").c_str(), FALSE));

    ProgramProcess process(program, folder);
    const HWND box = process.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no error box appeared";
    EXPECT_EQ(ReadMessageBox(box).text, kEngineLoadErrorText);
    EXPECT_FALSE(process.HasMainWindow());
    ASSERT_TRUE(DismissMessageBox(box));
    ASSERT_TRUE(process.WaitForExit());
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

// Later tests read whole dumps out of the view; a dump of a few MiB is millions of
// characters, more than one message carries across processes under Wine.
TEST_F(ProgramTest, DriverReadsALongViewTextExactly) {
    ProgramProcess program(BuiltProgramPath());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const HWND view = ControlOf(window, IDC_RTF_OCTOLUME);

    std::wstring expected;
    std::wstring piece;
    for (int line = 0; line < 800; ++line) {
        wchar_t text[96]{};
        swprintf(text, 96,
                 L"%08X  4F 63 74 6F 6C 75 6D 65  33 32 00 01 0A 0D FF 7F  Octolume32......\r\n",
                 line * 16);
        piece += text;
    }
    // Appended in pieces, as the program fills the view; the read goes over a million.
    for (int round = 0; round < 20; ++round) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(view, EM_SETSEL, static_cast<WPARAM>(-1), -1, SMTO_ABORTIFHUNG, 60000,
                              &ignored);
        ASSERT_TRUE(::SendMessageTimeoutW(view, EM_REPLACESEL, FALSE,
                                          reinterpret_cast<LPARAM>(piece.c_str()), SMTO_ABORTIFHUNG,
                                          60000, &ignored));
        expected += piece;
    }
    ASSERT_GT(expected.size(), 1000000u);
    const std::wstring text = ViewText(view);
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
    EXPECT_TRUE(TakeScreenshot(window, BuildFolder() + L"\\screenshots\\main_window_text.png"));
}

} // namespace
} // namespace gui
} // namespace octolume
