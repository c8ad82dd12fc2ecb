// The real main window, made in this process from the program's own resources. Expected
// values are for the test machine's 96 dpi; other DPIs are tested on the rules alone.
#include "main_window.h"
#include "message_pump.h"
#include "picture_box.h"
#include "resource.h"

#include "printers.h"
#include "test_support.h"
#include "view_text.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <cmath>
#include <memory>

namespace octolume::test {

int endCalls = 0;
UINT exitCode = 12345;

// Ending the program only records the call, so the window survives for inspection.
std::unique_ptr<frmOctolume> NewWindow() {
    endCalls = 0;
    exitCode = 12345;
    return frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT code) {
        ++endCalls;
        exitCode = code;
    });
}

PixelRect PlaceOf(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TEST(MainWindow, AsDesigned) {
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
            menus +=
                text + (L" " + std::to_wstring(static_cast<int>(GetMenuItemID(menu, i)))) + L";";
        }
    EXPECT_EQ(menus, L"&File -1;&About " + std::to_wstring(IDM_ABOUT) + L";&Open File... " +
                         std::to_wstring(IDM_FILE_OPEN_FILE) + L";E&xit " +
                         std::to_wstring(IDM_FILE_EXIT) + L";");

    const std::tuple<HWND, int, const wchar_t*> controls[] = {
        {form->rtfOctolume(), IDC_RTF_OCTOLUME, L"RICHEDIT50W"},
        {form->lblFileName(), IDC_LBL_FILE_NAME, L"Static"},
        {form->pctBanner(), IDC_PCT_BANNER, OCTOLUME_PICTURE_BOX_CLASS}};
    HWND child = GetWindow(window, GW_CHILD); // the tab order
    for (const auto& [control, id, className] : controls) {
        EXPECT_EQ(child, control) << className;
        EXPECT_EQ(GetDlgCtrlID(control), id);
        EXPECT_EQ(lstrcmpiW(ClassNameOf(control).c_str(), className), 0) << ClassNameOf(control);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
    // Never a msftedit.dll planted beside the program or in the current directory.
    wchar_t system[MAX_PATH]{}, richEdit[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    GetModuleFileNameW(GetModuleHandleW(L"msftedit.dll"), richEdit, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(richEdit, (system + std::wstring(L"\\msftedit.dll")).c_str()), 0)
        << richEdit;

    const HWND view = form->rtfOctolume();
    EXPECT_TRUE(SendMessageW(view, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
    EXPECT_TRUE(SendMessageW(view, EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT);
    EXPECT_EQ(GetWindowLongW(view, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);
    ReplaceViewText(view, std::wstring(2000, L'A')); // far wider than the view: one line
    EXPECT_EQ(SendMessageW(view, EM_GETLINECOUNT, 0, 0), 1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(
        std::tuple(std::wstring(format.szFaceName), format.yHeight,
                   format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT)),
        std::tuple(std::wstring(L"Courier New"), 195L, 0ul)); // 9.75 points, in twips

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
}

// Where the controls belong, worked out apart from the program: the client width less 240
// twips and the scroll-bar width taken as twips, the 23-pixel label on the bottom, the view
// from 80 pixels down to 50 twips above the label. 1250 pixels are wider than the banner.
TEST(MainWindow, ControlsFollowResizeMinimizeAndRestore) {
    const auto form = NewWindow();
    if (form->DotsPerInchX() != 96)
        GTEST_SKIP() << "not 96 dpi";
    const HWND window = form->hWnd();
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(641L, 428L)); // 9615 x 6420 twips
    for (const SIZE frame : {SIZE{0, 0}, {1250, 600}, {20, 60}, {900, 700}}) {
        if (frame.cx > 0)
            SetWindowPos(window, nullptr, 0, 0, frame.cx, frame.cy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(window, &client);
        const int width = std::lround(
            std::max(client.right * 15.0 - GetSystemMetrics(SM_CXVSCROLL) - 240, 0.0) / 15);
        const int labelTop = std::max<int>(client.bottom - 23, 0);
        const int viewHeight = std::lround(std::max(labelTop * 15.0 - 1250, 0.0) / 15);
        EXPECT_EQ(PlaceOf(form->pctBanner()), (PixelRect{8, 0, width, 76})) << frame.cx;
        EXPECT_EQ(PlaceOf(form->rtfOctolume()), (PixelRect{8, 80, width, viewHeight}));
        EXPECT_EQ(PlaceOf(form->lblFileName()), (PixelRect{8, labelTop, width, 23}));
    }
    const PixelRect before = PlaceOf(form->rtfOctolume());
    ShowWindow(window, SW_MINIMIZE);
    ProcessPendingMessages();
    EXPECT_EQ(PlaceOf(form->rtfOctolume()), (PixelRect{8, 80, 0, 0}));
    ShowWindow(window, SW_RESTORE);
    ProcessPendingMessages();
    EXPECT_EQ(PlaceOf(form->rtfOctolume()), before);
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
        std::wstring text = L"00000000  4F 63 74 6F\r\n";
        while (longText && text.size() < 200000)
            text += text;
        ReplaceViewText(form->rtfOctolume(), text);
        SendMessageW(form->hWnd(), WM_ENDSESSION, FALSE, 0); // the session goes on
        EXPECT_EQ(endCalls, 0);
        SendMessageW(form->hWnd(), message, command, 0);
        EXPECT_EQ(std::pair(endCalls, exitCode), std::pair(1, 0u)) << message;
        EXPECT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
        EXPECT_EQ(WindowText(form->rtfOctolume()), L"");
        EXPECT_EQ(GetDlgItem(form->hWnd(), IDC_RTF_OCTOLUME), form->rtfOctolume());
        EXPECT_TRUE(IsWindowVisible(form->rtfOctolume()));
        SendMessageW(form->hWnd(), WM_CLOSE, 0, 0); // a second request is no second exit
        EXPECT_EQ(endCalls, 1);
    }
}

} // namespace octolume::test
