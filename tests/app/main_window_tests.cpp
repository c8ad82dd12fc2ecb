// The main window: its layout rule against values worked out by hand, then the real window made
// in this process from the program's own resources, with values for the test machine's 96 dpi.
#include "layout.h"
#include "main_window.h"
#include "message_pump.h"
#include "picture_box.h"
#include "resource.h"
#include "view_text.h"

#include "expected_dumps.h"
#include "hand_made_data.h"
#include "printers.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <cmath>

namespace octolume::test {

// The controls start at 120 and share one width: the client width less 240 and less the
// scroll-bar width, a pixel count taken as twips (17 + 240 narrower, not 17 * 15 + 240). The
// label sits on the bottom, the view reaches to 50 above it; all rounded half to even (the
// view's height from the label's rounded top) and clamped at 0. Each case: client width and
// height, scroll bar, label height (348: 29 pixels at 120 dpi), then the width (past the
// banner picture's 17235 for a wide client), the view's height and the label's top.
TEST(MainWindowLayout, FollowsTheClientArea) {
    const double cases[][7] = {{9615, 6420, 17, 345, 9358, 4825, 6075},
                               {9615, 6420, 0, 345, 9375, 4825, 6075},
                               {0, 0, 17, 345, 0, 0, 0},
                               {257, 1595, 17, 345, 0, 0, 1250},
                               {258, 1596, 17, 345, 1, 1, 1251},
                               {600, 300, 17, 345, 343, 0, 0},
                               {20000, 8000, 17, 345, 19743, 6405, 7655},
                               {9615.5, 6420.5, 17, 345, 9358, 4826, 6076},
                               {9616.5, 6421.5, 17, 345, 9360, 4826, 6076},
                               {9600, 6420, 17, 348, 9343, 4822, 6072}};
    for (const auto& c : cases)
        EXPECT_EQ(ComputeMainWindowLayout(c[0], c[1], int(c[2]), c[3], 1200),
                  (MainWindowLayout{
                      {120, 0, c[4], 1140}, {120, 1200, c[4], c[5]}, {120, c[6], c[4], c[3]}}))
            << c[0] << " x " << c[1];
}

TEST(TwipsPixelsAndPoints, FollowTheDpiAndRoundHalvesToEven) {
    const double twips[] = {9615, 1140, 345, 112.5, 97.5, 9358, 9615, 9615, 345};
    const int dpi[] = {96, 96, 96, 96, 96, 96, 120, 144, 120};
    const int pixels[] = {641, 76, 23, 8, 6, 624, 801, 962, 29};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(TwipsToPixels(twips[i], dpi[i]), pixels[i]) << twips[i] << " at " << dpi[i];
    EXPECT_EQ(PixelsToTwips(641, 96), 9615);
    EXPECT_EQ(PixelsToTwips(10, 144), 100);
    EXPECT_EQ(TwipsRectToPixels({120, 1200, 9358, 4825}, 96, 120), (PixelRect{8, 100, 624, 402}));
    // 9.75 points at 120 dpi are 16.25 pixels; 8.25 at 144 are 16.5, to even.
    EXPECT_EQ(std::vector({FontHeightForPoints(9.75, 96), FontHeightForPoints(8.25, 96),
                           FontHeightForPoints(9.75, 120), FontHeightForPoints(8.25, 144)}),
              std::vector({13, 11, 16, 16}));
}

static int endCalls = 0;
static UINT exitCode = 0;

// Ending the program only records the call, so the window survives for inspection.
static std::unique_ptr<frmOctolume> NewWindow() {
    endCalls = 0;
    return frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT code) {
        ++endCalls;
        exitCode = code;
    });
}

static PixelRect PlaceOf(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

static std::tuple<std::wstring, LONG, DWORD> ViewFont(HWND view) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return {format.szFaceName, format.yHeight,
            format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT)};
}

TEST(MainWindow, AsDesignedAndLaidOutAfterEveryResize) {
    const auto form = NewWindow();
    if (form->DotsPerInchX() != 96)
        GTEST_SKIP() << "not 96 dpi";
    const HWND window = form->hWnd();
    EXPECT_EQ(WindowText(window), L"Octolume32 - Binary Content Viewer");
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_OVERLAPPEDWINDOW | WS_VISIBLE),
              WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_TRUE(GetClassLongPtrW(window, GCLP_HICON) && GetClassLongPtrW(window, GCLP_HICONSM));
    std::wstring menus; // each item's caption and command; -1 opens a menu
    for (const HMENU menu : {GetMenu(window), GetSubMenu(GetMenu(window), 0)})
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64]{};
            GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
            menus += text + (L" " + std::to_wstring(int(GetMenuItemID(menu, i)))) + L";";
        }
    EXPECT_EQ(menus, L"&File -1;&About " + std::to_wstring(IDM_ABOUT) + L";&Open File... " +
                         std::to_wstring(IDM_FILE_OPEN_FILE) + L";E&xit " +
                         std::to_wstring(IDM_FILE_EXIT) + L";");
    const std::tuple<HWND, int, const wchar_t*> controls[] = {
        {form->rtfOctolume(), IDC_RTF_OCTOLUME, L"RICHEDIT50W"},
        {form->lblFileName(), IDC_LBL_FILE_NAME, L"Static"},
        {form->pctBanner(), IDC_PCT_BANNER, OCTOLUME_PICTURE_BOX_CLASS}};
    HWND child = GetWindow(window, GW_CHILD); // in the tab order
    for (const auto& [control, id, className] : controls) {
        EXPECT_EQ(std::pair(child, GetDlgCtrlID(child)), std::pair(control, id)) << className;
        EXPECT_EQ(lstrcmpiW(ClassNameOf(control).c_str(), className), 0) << ClassNameOf(control);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
    // Never a msftedit.dll planted beside the program or in the current directory.
    wchar_t system[MAX_PATH]{}, richEdit[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    GetModuleFileNameW(GetModuleHandleW(L"msftedit.dll"), richEdit, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(richEdit, (system + std::wstring(L"\\msftedit.dll")).c_str()), 0);

    const HWND view = form->rtfOctolume();
    EXPECT_TRUE(SendMessageW(view, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_TRUE(SendMessageW(view, EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT);
    EXPECT_EQ(GetWindowLongW(view, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);
    ReplaceViewText(view, std::wstring(2000, L'A')); // far wider than the view: one line
    EXPECT_EQ(SendMessageW(view, EM_GETLINECOUNT, 0, 0), 1);
    EXPECT_EQ(ViewFont(view), std::tuple(std::wstring(L"Courier New"), 195L, 0ul)); // 9.75 pt
    const HWND label = form->lblFileName();
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(std::tuple(std::wstring(font.lfFaceName), font.lfHeight, font.lfWeight,
                         font.lfCharSet, font.lfItalic | font.lfUnderline | font.lfStrikeOut),
              std::tuple(std::wstring(L"Segoe UI"), -11L, 400L, BYTE(0), 0));
    EXPECT_EQ(WindowText(label), L"File:");
    EXPECT_TRUE(GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX); // a path's & shows as it is
    DIBSECTION banner{}; // the picture as it is, not scaled to its box
    GetObjectW(GetPicture(form->pctBanner()), sizeof banner, &banner);
    EXPECT_EQ(std::tuple(banner.dsBm.bmWidth, banner.dsBm.bmHeight, banner.dsBm.bmBitsPixel),
              std::tuple(1149L, 76L, WORD(24)));

    // Where the controls belong, worked out apart from the program: the client width less 240
    // twips and the scroll-bar width taken as twips, the 23-pixel label on the bottom, the view
    // from 80 pixels down to 50 twips above the label. 1250 pixels are wider than the banner.
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(641L, 428L)); // 9615 x 6420 twips
    for (const SIZE frame : {SIZE{0, 0}, {1250, 600}, {20, 60}, {900, 700}}) {
        if (frame.cx > 0)
            SetWindowPos(window, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(window, &client);
        const int width = std::lround(
            std::max(client.right * 15.0 - GetSystemMetrics(SM_CXVSCROLL) - 240, 0.0) / 15);
        const int labelTop = std::max<int>(client.bottom - 23, 0);
        const int viewHeight = std::lround(std::max(labelTop * 15.0 - 1250, 0.0) / 15);
        EXPECT_EQ(PlaceOf(form->pctBanner()), (PixelRect{8, 0, width, 76})) << frame.cx;
        EXPECT_EQ(PlaceOf(view), (PixelRect{8, 80, width, viewHeight}));
        EXPECT_EQ(PlaceOf(label), (PixelRect{8, labelTop, width, 23}));
    }
    const PixelRect before = PlaceOf(view);
    ShowWindow(window, SW_MINIMIZE);
    ProcessPendingMessages();
    EXPECT_EQ(PlaceOf(view), (PixelRect{8, 80, 0, 0}));
    ShowWindow(window, SW_RESTORE);
    ProcessPendingMessages();
    EXPECT_EQ(PlaceOf(view), before);
}

// Drops through the target the window registers on its view, as the system's drag loop calls
// it: every drop is accepted as a copy.
static void DropFile(HWND view, const std::wstring& path) {
    HandMadeData data;
    data.files = {path};
    auto* target = static_cast<IDropTarget*>(GetPropW(view, L"OleDropTargetInterface"));
    ASSERT_NE(target, nullptr) << "no drop target on the view";
    DWORD enter = DROPEFFECT_COPY | DROPEFFECT_MOVE, over = DROPEFFECT_NONE, drop = enter;
    target->DragEnter(&data, MK_LBUTTON, {}, &enter);
    target->DragOver(MK_LBUTTON, {}, &over);
    EXPECT_EQ(target->Drop(&data, 0, {}, &drop), S_OK);
    EXPECT_EQ(std::tuple(enter, over, drop), std::tuple(1ul, 1ul, 1ul)) << "always a copy";
}

static auto ViewSetup(HWND view) {
    return std::tuple(GetDlgCtrlID(view), ClassNameOf(view),
                      GetWindow(GetParent(view), GW_CHILD) == view, PlaceOf(view), ViewFont(view),
                      GetWindowLongW(view, GWL_STYLE), GetWindowLongW(view, GWL_EXSTYLE),
                      SendMessageW(view, EM_GETTEXTMODE, 0, 0),
                      SendMessageW(view, EM_GETLIMITTEXT, 0, 0),
                      SendMessageW(view, EM_GETOPTIONS, 0, 0), GetFocus() == view);
}

// After a long dump the next file gets a new control (the old one would take minutes to
// empty), which must be the view in every respect, drop after drop.
TEST(MainWindow, AfterALongDumpTheViewIsAsItWasDropAfterDrop) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const auto form = NewWindow();
    RECT frame{}; // not the design size, so the place kept is the one the layout gave
    GetWindowRect(form->hWnd(), &frame);
    SetWindowPos(form->hWnd(), nullptr, 0, 0, frame.right - frame.left - 137,
                 frame.bottom - frame.top + 23, SWP_NOMOVE | SWP_NOZORDER);
    const TempFolder folder;
    const std::wstring longFile = folder.Write(L"long.bin", std::string(4000, 'A')); // 20K chars
    const std::wstring next = folder.Write(L"next.bin", "next file");
    for (int round = 0; round < 3; ++round) {
        DropFile(form->rtfOctolume(), longFile);
        ASSERT_EQ(WindowText(form->rtfOctolume()), ExpectedViewText(std::string(4000, 'A')));
        SetFocus(form->rtfOctolume());
        const HWND longView = form->rtfOctolume();
        const auto setup = ViewSetup(longView);
        DropFile(longView, next);
        EXPECT_FALSE(IsWindow(longView));
        const HWND view = form->rtfOctolume();
        EXPECT_EQ(ViewSetup(view), setup);
        EXPECT_EQ(WindowText(view) + L"|" + WindowText(form->lblFileName()),
                  ExpectedViewText("next file") + L"|" + next);
        // Dump lines wider than the view stay whole: a header and a line of bytes.
        EXPECT_EQ(SendMessageW(view, EM_GETLINECOUNT, 0, 0), 3);
    }
}

// The close box, File > Exit and the end of the session each run the exit sequence: every
// load reference of the engine released, the view emptied (a long text's control is swapped
// for an empty one, since emptying it in place takes minutes), the program ended once, with 0.
TEST(MainWindow, ExitReleasesTheEngineEmptiesTheViewAndEndsOnce) {
    for (const auto& [message, command, longText] :
         {std::tuple{UINT(WM_SYSCOMMAND), WPARAM(SC_CLOSE), false},
          {UINT(WM_COMMAND), WPARAM(IDM_FILE_EXIT), true},
          {UINT(WM_ENDSESSION), WPARAM(TRUE), false}}) {
        const auto form = NewWindow();
        for (int reference = 0; reference < 3; ++reference)
            ASSERT_NE(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()), nullptr);
        ReplaceViewText(form->rtfOctolume(), std::wstring(longText ? 200000 : 10, L'x'));
        SendMessageW(form->hWnd(), WM_ENDSESSION, FALSE, 0); // the session goes on
        EXPECT_EQ(endCalls, 0);
        SendMessageW(form->hWnd(), message, command, 0);
        SendMessageW(form->hWnd(), WM_CLOSE, 0, 0); // a second request is no second exit
        EXPECT_EQ(std::pair(endCalls, exitCode), std::pair(1, 0u)) << message;
        EXPECT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
        EXPECT_EQ(WindowText(form->rtfOctolume()), L"");
        EXPECT_EQ(GetDlgItem(form->hWnd(), IDC_RTF_OCTOLUME), form->rtfOctolume());
        EXPECT_TRUE(IsWindowVisible(form->rtfOctolume()));
    }
}

} // namespace octolume::test
