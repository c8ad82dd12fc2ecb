// The real main window, created in this process from the program's own resources.
#include "main_window.h"
#include "message_pump.h"
#include "picture_box.h"
#include "resource.h"

#include "engine/engine_contract.h"
#include "printers.h"
#include "test_support.h"
#include "view_text.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>

namespace octolume::test {
namespace {

int endProgramCalls = 0;
UINT lastExitCode = 12345;

void RecordEndProgram(UINT exitCode) {
    ++endProgramCalls;
    lastExitCode = exitCode;
}

// Destroying a window can cost Wine a couple of seconds, so the inspection tests share
// one window; every test starts from its first size.
class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sharedForm =
            frmOctolume::Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL, &RecordEndProgram);
        ::GetWindowRect(sharedForm->hWnd(), &firstFrame);
    }

    static void TearDownTestSuite() {
        sharedForm.reset();
        ProcessPendingMessages();
    }

    void SetUp() override {
        endProgramCalls = 0;
        lastExitCode = 12345;
        ASSERT_NE(sharedForm, nullptr);
        form = sharedForm.get();
        ASSERT_TRUE(::IsWindow(form->hWnd()));
        ::ShowWindow(form->hWnd(), SW_RESTORE);
        ResizeWindow(firstFrame.right - firstFrame.left, firstFrame.bottom - firstFrame.top);
    }

    // Resizes the window; the resize handler runs synchronously.
    void ResizeWindow(int width, int height) {
        ASSERT_TRUE(::SetWindowPos(form->hWnd(), nullptr, 0, 0, width, height,
                                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        ProcessPendingMessages();
    }

    RECT ChildRect(HWND child) const {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(HWND_DESKTOP, form->hWnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    PixelRect ChildPixelRect(HWND child) const {
        const RECT rect = ChildRect(child);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }

    // Where the controls belong for the present client area, at 96 dots per inch (15
    // twips a pixel): the width less the margins and the scroll-bar width (a pixel count
    // taken as twips), the label at the bottom, the view down to 50 twips above it.
    void ExpectChildrenFollowTheClientArea() const {
        if (form->DotsPerInchX() != 96 || form->DotsPerInchY() != 96)
            return;
        RECT client{};
        ::GetClientRect(form->hWnd(), &client);
        const double widthTwips =
            std::max(client.right * 15.0 - ::GetSystemMetrics(SM_CXVSCROLL) - 240, 0.0);
        const int width = static_cast<int>(std::lround(widthTwips / 15));
        const int labelTop = std::max<int>(client.bottom - 23, 0);
        const int viewHeight =
            static_cast<int>(std::lround(std::max(labelTop * 15.0 - 1250, 0.0) / 15));
        EXPECT_EQ(ChildPixelRect(form->pctBanner()), (PixelRect{8, 0, width, 76}));
        EXPECT_EQ(ChildPixelRect(form->rtfOctolume()), (PixelRect{8, 80, width, viewHeight}));
        EXPECT_EQ(ChildPixelRect(form->lblFileName()), (PixelRect{8, labelTop, width, 23}));
    }

    static inline std::unique_ptr<frmOctolume> sharedForm;
    static inline RECT firstFrame{};
    frmOctolume* form = nullptr;
};

// Tests that end the program get a window of their own.
class OwnWindowTest : public MainWindowTest {
protected:
    static void SetUpTestSuite() {}
    static void TearDownTestSuite() {}

    void SetUp() override {
        endProgramCalls = 0;
        lastExitCode = 12345;
        ownForm =
            frmOctolume::Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL, &RecordEndProgram);
        ASSERT_NE(ownForm, nullptr);
        form = ownForm.get();
    }

    void TearDown() override {
        ownForm.reset();
        ProcessPendingMessages();
    }

    std::unique_ptr<frmOctolume> ownForm;
};

TEST_F(MainWindowTest, CaptionClientSizeAndIcons) {
    EXPECT_EQ(WindowText(form->hWnd()), L"Octolume32 - Binary Content Viewer");
    EXPECT_TRUE(::IsWindowVisible(form->hWnd()));
    RECT client{};
    ::GetClientRect(form->hWnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(9615, form->DotsPerInchX()));
    EXPECT_EQ(client.bottom, TwipsToPixels(6420, form->DotsPerInchY()));
    const LONG style = ::GetWindowLongW(form->hWnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_NE(::GetClassLongPtrW(form->hWnd(), GCLP_HICON), 0);
    EXPECT_NE(::GetClassLongPtrW(form->hWnd(), GCLP_HICONSM), 0);
}

TEST_F(MainWindowTest, MenuBarHasFileWithOpenAndExitAndAboutAsACommand) {
    const HMENU bar = ::GetMenu(form->hWnd());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(::GetMenuItemCount(bar), 2);

    auto caption = [](HMENU menu, UINT position) {
        wchar_t text[64]{};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = 63;
        EXPECT_TRUE(::GetMenuItemInfoW(menu, position, TRUE, &item));
        return std::make_tuple(std::wstring(text), item.wID, item.hSubMenu);
    };
    const auto [fileText, fileId, fileMenu] = caption(bar, 0);
    EXPECT_EQ(fileText, L"&File");
    ASSERT_NE(fileMenu, nullptr);
    ASSERT_EQ(::GetMenuItemCount(fileMenu), 2);
    const auto [openText, openId, openSub] = caption(fileMenu, 0);
    EXPECT_EQ(openText, L"&Open File...");
    EXPECT_EQ(openId, static_cast<UINT>(IDM_FILE_OPEN_FILE));
    const auto [exitText, exitId, exitSub] = caption(fileMenu, 1);
    EXPECT_EQ(exitText, L"E&xit");
    EXPECT_EQ(exitId, static_cast<UINT>(IDM_FILE_EXIT));
    const auto [aboutText, aboutId, aboutMenu] = caption(bar, 1);
    EXPECT_EQ(aboutText, L"&About");
    EXPECT_EQ(aboutMenu, nullptr);
    EXPECT_EQ(aboutId, static_cast<UINT>(IDM_ABOUT));
}

TEST_F(MainWindowTest, ControlsInTabOrderWithTheirIdsAndClasses) {
    const HWND first = ::GetWindow(form->hWnd(), GW_CHILD);
    const HWND second = ::GetWindow(first, GW_HWNDNEXT);
    const HWND third = ::GetWindow(second, GW_HWNDNEXT);
    EXPECT_EQ(first, form->rtfOctolume());
    EXPECT_EQ(second, form->lblFileName());
    EXPECT_EQ(third, form->pctBanner());
    EXPECT_EQ(::GetWindow(third, GW_HWNDNEXT), nullptr);

    EXPECT_EQ(::GetDlgCtrlID(form->rtfOctolume()), IDC_RTF_OCTOLUME);
    EXPECT_EQ(::GetDlgCtrlID(form->lblFileName()), IDC_LBL_FILE_NAME);
    EXPECT_EQ(::GetDlgCtrlID(form->pctBanner()), IDC_PCT_BANNER);
    // Window class names compare without regard to case.
    wchar_t className[64]{};
    ::GetClassNameW(form->rtfOctolume(), className, 64);
    EXPECT_EQ(::lstrcmpiW(className, L"RICHEDIT50W"), 0) << className;
    ::GetClassNameW(form->lblFileName(), className, 64);
    EXPECT_EQ(::lstrcmpiW(className, L"Static"), 0) << className;
    ::GetClassNameW(form->pctBanner(), className, 64);
    EXPECT_EQ(::lstrcmpiW(className, OCTOLUME_PICTURE_BOX_CLASS), 0) << className;
}

TEST_F(MainWindowTest, RichEditComesFromTheSystemFolder) {
    wchar_t systemFolder[MAX_PATH]{};
    ASSERT_GT(::GetSystemDirectoryW(systemFolder, MAX_PATH), 0u);
    const HMODULE richEdit = ::GetModuleHandleW(L"msftedit.dll");
    ASSERT_NE(richEdit, nullptr);
    wchar_t loadedFrom[MAX_PATH]{};
    ASSERT_GT(::GetModuleFileNameW(richEdit, loadedFrom, MAX_PATH), 0u);
    EXPECT_EQ(::lstrcmpiW(loadedFrom, (std::wstring(systemFolder) + L"\\msftedit.dll").c_str()), 0)
        << loadedFrom;
}

TEST_F(MainWindowTest, ViewIsReadOnlyPlainTextUnwrappedWithBothScrollBars) {
    const HWND view = form->rtfOctolume();
    const LONG style = ::GetWindowLongW(view, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(::SendMessageW(view, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_TRUE(::SendMessageW(view, EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT);

    // A line far wider than the view stays one line.
    const std::wstring longLine(2000, L'A');
    ::SetWindowTextW(view, longLine.c_str());
    EXPECT_EQ(::SendMessageW(view, EM_GETLINECOUNT, 0, 0), 1);
    ::SetWindowTextW(view, L"");
}

TEST_F(MainWindowTest, FontsAreCourierNewForTheViewAndSegoeUiForTheLabel) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    ::SendMessageW(form->rtfOctolume(), EM_GETCHARFORMAT, SCF_DEFAULT,
                   reinterpret_cast<LPARAM>(&format));
    EXPECT_STREQ(format.szFaceName, L"Courier New");
    EXPECT_EQ(format.yHeight, 195); // 9.75 points, in twips
    EXPECT_EQ(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT), 0u);

    LOGFONTW label{};
    const auto labelFont =
        reinterpret_cast<HFONT>(::SendMessageW(form->lblFileName(), WM_GETFONT, 0, 0));
    ASSERT_NE(labelFont, nullptr);
    ASSERT_NE(::GetObjectW(labelFont, sizeof label, &label), 0);
    EXPECT_STREQ(label.lfFaceName, L"Segoe UI");
    if (form->DotsPerInchY() == 96) {
        EXPECT_EQ(label.lfHeight, -11);
    }
    EXPECT_EQ(label.lfWeight, 400);
    EXPECT_EQ(label.lfCharSet, 0);
    EXPECT_FALSE(label.lfItalic || label.lfUnderline || label.lfStrikeOut);
}

TEST(FontHeightForPoints, RoundsPointsAtTheDpi) {
    EXPECT_EQ(FontHeightForPoints(9.75, 96), 13);
    EXPECT_EQ(FontHeightForPoints(8.25, 96), 11);
    EXPECT_EQ(FontHeightForPoints(9.75, 120), 16); // 16.25
    EXPECT_EQ(FontHeightForPoints(8.25, 144), 16); // 16.5, to even
}

TEST_F(MainWindowTest, LabelShowsFileCaptionAndAmpersandsLiterally) {
    EXPECT_EQ(WindowText(form->lblFileName()), L"File:");
    EXPECT_TRUE(::GetWindowLongW(form->lblFileName(), GWL_STYLE) & SS_NOPREFIX);
}

TEST_F(MainWindowTest, BannerShowsBitmap101Unscaled) {
    const HBITMAP picture = GetPicture(form->pctBanner());
    ASSERT_NE(picture, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(::GetObjectW(picture, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 1149);
    EXPECT_EQ(section.dsBm.bmHeight, 76);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
}

TEST_F(MainWindowTest, ChildrenAtDesignSizeAndAfterEveryResize) {
    if (form->DotsPerInchX() == 96 && form->DotsPerInchY() == 96) {
        const int width =
            static_cast<int>(std::lround((9615 - ::GetSystemMetrics(SM_CXVSCROLL) - 240) / 15.0));
        EXPECT_EQ(ChildPixelRect(form->rtfOctolume()), (PixelRect{8, 80, width, 322}));
        EXPECT_EQ(ChildPixelRect(form->lblFileName()), (PixelRect{8, 405, width, 23}));
        EXPECT_EQ(ChildPixelRect(form->pctBanner()), (PixelRect{8, 0, width, 76}));
    }
    ResizeWindow(900, 700);
    ExpectChildrenFollowTheClientArea();
    // Wider than the banner picture: the box grows past it.
    ResizeWindow(1250, 600);
    ExpectChildrenFollowTheClientArea();
    EXPECT_GT(ChildPixelRect(form->pctBanner()).width, 1149);
    // Narrower than the margins and the scroll bar, and shorter than the label.
    ResizeWindow(20, 60);
    ExpectChildrenFollowTheClientArea();
}

TEST_F(MainWindowTest, MinimizeAndRestoreRecomputeTheLayout) {
    const PixelRect before = ChildPixelRect(form->rtfOctolume());
    ::ShowWindow(form->hWnd(), SW_MINIMIZE);
    ProcessPendingMessages();
    EXPECT_EQ(ChildPixelRect(form->rtfOctolume()).width, 0);
    EXPECT_EQ(ChildPixelRect(form->rtfOctolume()).height, 0);
    ::ShowWindow(form->hWnd(), SW_RESTORE);
    ProcessPendingMessages();
    EXPECT_EQ(ChildPixelRect(form->rtfOctolume()), before);
}

// The exit sequence: every load reference of the engine released, the view emptied,
// the program ended with code 0, for the close box and for File > Exit alike, after a
// short text and after one that would take the view minutes to empty in place.
class ExitTest : public OwnWindowTest,
                 public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(ExitTest, ReleasesTheEngineEmptiesTheViewAndEndsTheProgram) {
    const auto [throughMenu, longText] = GetParam();
    const std::wstring engine = BuiltFile(engine::kLibraryName);
    for (int reference = 0; reference < 3; ++reference) {
        ASSERT_NE(::LoadLibraryW(engine.c_str()), nullptr);
    }
    std::wstring text = L"00000000  4F 63 74 6F\r\n";
    while (longText && text.size() < 200000)
        text += text;
    ReplaceViewText(form->rtfOctolume(), text);

    if (throughMenu) {
        ::SendMessageW(form->hWnd(), WM_COMMAND, MAKEWPARAM(IDM_FILE_EXIT, 0), 0);
    } else {
        ::SendMessageW(form->hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    }

    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_EQ(lastExitCode, 0u);
    EXPECT_EQ(::GetModuleHandleW(L"octolume.dll"), nullptr);
    EXPECT_EQ(WindowText(form->rtfOctolume()), L"");
    EXPECT_EQ(::GetDlgItem(form->hWnd(), IDC_RTF_OCTOLUME), form->rtfOctolume());
    EXPECT_TRUE(::IsWindowVisible(form->rtfOctolume()));
    // A second close request during the exit is not a second exit.
    ::SendMessageW(form->hWnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(endProgramCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(CloseBoxAndFileExit, ExitTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "FileExit" : "CloseBox") +
                                    (std::get<1>(info.param) ? "AfterALongText" : "");
                         });

TEST_F(OwnWindowTest, EndingTheSessionRunsTheExitSequence) {
    ::SendMessageW(form->hWnd(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(endProgramCalls, 0);
    ::SendMessageW(form->hWnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(endProgramCalls, 1);
}

} // namespace
} // namespace octolume::test
