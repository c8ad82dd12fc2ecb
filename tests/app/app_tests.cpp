// Tests of app/ in process: start-up, the resources, the main window's layout and the real
// window, the dump view, the drop intake and the pipeline with the engine and a stand-in.
#include "shell/about_box.h"
#include "shell/layout.h"
#include "shell/main_window.h"
#include "shell/message_pump.h"
#include "shell/mouse_pointer.h"
#include "shell/picture_box.h"
#include "shell/resource.h"
#include "shell/startup.h"
#include "support/report_error.h"
#include "support/text.h"
#include "engine/core/dump_format.h"
#include "expected_dumps.h"
#include "hand_made_data.h"
#include "printers.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <cmath>
#include <functional>

namespace octolume::test {
using namespace MOctolume;

// As the program does before its window: the views register as drop targets.
[[maybe_unused]] const HRESULT kApartment = ::OleInitialize(nullptr);

// The text of the box that announces an error nothing else handled.
template <class Call> static std::wstring ErrorOf(Call call) {
    try {
        call();
    } catch (const AppError& error) {
        return FatalErrorText(error);
    }
    return L"no error";
}

// The engine is looked for beside the program. Its path goes through LoadLibraryA: one outside
// the ANSI code page fails even where a library is, which loads by its real name. Start-up
// leaves one reference, which the exit sequence releases.
TEST(LoadEngineLibrary, FromTheProgramsFolderInAnsiLeavingOneReference) {
    EXPECT_EQ(EngineLibraryPath(FolderOfPath(L"C:\\Program Files\\O\\Octolume32.exe")),
              L"C:\\Program Files\\O\\octolume.dll");
    EXPECT_EQ(FolderOfPath(L"D:\\Octolume32.exe"), L"D:\\");
    EXPECT_EQ(EngineLibraryPath(L"D:\\"), L"D:\\octolume.dll");
    EXPECT_EQ(FolderOfPath(L"\\\\server\\share\\Octolume32.exe"), L"\\\\server\\share");
    const TempFolder temp;
    const std::wstring copy = temp.CopyIn(BuiltFile(L"octolume.dll"), L"\u0398\u03a9 engine.dll");
    EXPECT_NE(LibraryHandle(LoadLibraryW(copy.c_str())), nullptr);
    for (const std::wstring& path : {std::wstring(L"C:\\no such folder\\octolume.dll"), copy})
        EXPECT_EQ(ErrorOf([&] { LoadEngineLibrary(path); }),
                  L"Run-time error '-2147221504':\r\n\r\nError loading DLL - octolume.dll");
    ASSERT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
    LoadEngineLibrary(EngineLibraryPath(MOctolume::ProgramFolder()));
    const HMODULE loaded = GetModuleHandleW(L"octolume.dll");
    EXPECT_NE(GetProcAddress(loaded, "DoOctolume"), nullptr);
    FreeLibrary(loaded);
    EXPECT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
}

TEST(ProgramResources, ManifestAndVersion) {
    const std::wstring path = BuiltFile(L"Octolume32.exe");
    const LibraryHandle program(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const HRSRC found = FindResourceW(program.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    const std::string_view manifest(
        static_cast<const char*>(LockResource(LoadResource(program.get(), found))),
        SizeofResource(program.get(), found));
    // Visual styles, no elevation and no scaling by the system, for the design's pixels.
    for (const char* expected : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                                 "level=\"asInvoker\"", ">true</dpiAware>"})
        EXPECT_NE(manifest.find(expected), std::string_view::npos) << expected;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, info.size(), info.data()));
    auto value = [&](const std::wstring& name) {
        void* found = nullptr;
        UINT length = 0;
        VerQueryValueW(info.data(), name.c_str(), &found, &length);
        return found;
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    EXPECT_EQ(std::tuple(fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                         fixed->dwProductVersionLS),
              std::tuple(0x20000ul, 0ul, 0x20000ul, 0ul)); // 2.0.0.0
    std::wstring texts;
    for (const std::wstring name : {L"ProductName", L"FileDescription", L"ProductVersion"})
        texts += static_cast<const wchar_t*>(value(L"\\StringFileInfo\\040904B0\\" + name)) +
                 std::wstring(L"|");
    EXPECT_EQ(texts, L"Octolume32|Binary content viewer|2.00|");
    // About reports a module without a version resource instead of showing a box.
    const LibraryHandle engine(
        LoadLibraryExW(BuiltFile(L"octolume.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_EQ(ErrorOf([&] { ReadProgramVersion(engine.get()); }),
              L"Run-time error '326':\r\n\r\nResource with identifier '1' not found");
}

// The controls start at 120 and share one width: the client width less 240 and the scroll-bar
// width, a pixel count taken as twips (17 + 240, not 17 * 15 + 240). The label sits on the bottom,
// the view reaches to 50 above it; rounded half to even (the view's height from the label's
// rounded top), clamped at 0. Each case: client width and height, scroll bar, label height (348:
// 29 pixels at 120 dpi), then the width (past the banner's 17235), view height and label top.
TEST(MainWindowLayout, FollowsTheClientAreaInTwipsAndPixelsAtTheDpi) {
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
    const double twips[] = {9615, 1140, 345, 112.5, 97.5, 9358, 9615, 9615, 345};
    const int dpi[] = {96, 96, 96, 96, 96, 96, 120, 144, 120};
    const int pixels[] = {641, 76, 23, 8, 6, 624, 801, 962, 29};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(TwipsToPixels(twips[i], dpi[i]), pixels[i]) << twips[i] << " at " << dpi[i];
    EXPECT_EQ(std::pair(PixelsToTwips(641, 96), PixelsToTwips(10, 144)), std::pair(9615.0, 100.0));
    EXPECT_EQ(TwipsRectToPixels({120, 1200, 9358, 4825}, 96, 120), (PixelRect{8, 100, 624, 402}));
    // 9.75 points at 120 dpi are 16.25 pixels; 8.25 at 144 are 16.5, to even.
    EXPECT_EQ(std::vector({FontHeightForPoints(9.75, 96), FontHeightForPoints(8.25, 96),
                           FontHeightForPoints(9.75, 120), FontHeightForPoints(8.25, 144)}),
              std::vector({13, 11, 16, 16}));
}

static int endCalls = 0, exitCode = 0;

// Ending the program only records the call, so the window survives for inspection.
static std::unique_ptr<frmOctolume> NewWindow() {
    endCalls = 0;
    try {
        return frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT code) {
            ++endCalls;
            exitCode = code;
        });
    } catch (const AppError& error) { // what() alone does not say which
        ADD_FAILURE() << ToAnsi(error.Description()) << ", error " << error.Number()
                      << ", last library error " << error.LastLibraryErrorCode();
        throw;
    }
}

static PixelRect PlaceOf(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

static std::tuple<std::wstring, LONG, LONG, BYTE, int> FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return {font.lfFaceName, font.lfHeight, font.lfWeight, font.lfCharSet,
            font.lfItalic | font.lfUnderline | font.lfStrikeOut};
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
        {form->rtfOctolume(), IDC_RTF_OCTOLUME, OCTOLUME_TEXT_VIEW_CLASS},
        {form->lblFileName(), IDC_LBL_FILE_NAME, L"Static"},
        {form->pctBanner(), IDC_PCT_BANNER, OCTOLUME_PICTURE_BOX_CLASS}};
    HWND child = GetWindow(window, GW_CHILD); // in the tab order
    for (const auto& [control, id, className] : controls) {
        EXPECT_EQ(std::pair(child, GetDlgCtrlID(child)), std::pair(control, id)) << className;
        EXPECT_EQ(lstrcmpiW(ClassNameOf(control).c_str(), className), 0) << ClassNameOf(control);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
    // The view is the program's own: no rich-edit library comes into the process.
    for (const wchar_t* richEdit : {L"msftedit.dll", L"riched20.dll", L"usp10.dll"})
        EXPECT_EQ(GetModuleHandleW(richEdit), nullptr) << richEdit;

    const HWND view = form->rtfOctolume();
    EXPECT_EQ(GetWindowLongW(view, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL | ES_READONLY),
              WS_HSCROLL | WS_VSCROLL | ES_READONLY);
    SetWindowTextW(view, std::wstring(2000, L'A').c_str()); // far wider than the view: one line
    EXPECT_EQ(SendMessageW(view, EM_GETLINECOUNT, 0, 0), 1);
    // Over the view: its I-beam, or the hourglass while a file loads.
    const auto cursorOverView = [&] {
        SendMessageW(view, WM_SETCURSOR, WPARAM(view), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorOverView(), LoadCursorW(nullptr, IDC_IBEAM));
    SetMousePointer(MousePointer::Hourglass);
    EXPECT_EQ(cursorOverView(), LoadCursorW(nullptr, IDC_WAIT));
    SetMousePointer(MousePointer::Default);
    // 9.75 points at 96 dpi are 13 pixels; 8.25 points 11.
    EXPECT_EQ(FontOf(view), std::tuple(std::wstring(L"Courier New"), -13L, 400L, BYTE(0), 0));
    const HWND label = form->lblFileName();
    EXPECT_EQ(FontOf(label), std::tuple(std::wstring(L"Segoe UI"), -11L, 400L, BYTE(0), 0));
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

// Drops through the target the window registers on its view, as the system's drag loop calls it.
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

// The same view takes file after file, long and short, keeping its focus.
TEST(MainWindow, DropsLoadOneAfterAnotherIntoTheSameView) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const auto form = NewWindow();
    const HWND view = form->rtfOctolume();
    SetFocus(view);
    const TempFolder folder;
    const std::vector<unsigned char> longBytes = PatternBytes(300000);
    const std::wstring longFile = folder.Write(L"long.bin", longBytes);
    const std::wstring next = folder.Write(L"next.bin", "next file");
    for (int round = 0; round < 3; ++round) {
        DropFile(view, longFile);
        ASSERT_EQ(WindowText(view), ExpectedViewText(longBytes));
        DropFile(view, next);
        EXPECT_EQ(WindowText(view) + L"|" + WindowText(form->lblFileName()),
                  ExpectedViewText("next file") + L"|" + next);
        // Dump lines wider than the view stay whole: a header, a line of bytes, the end.
        EXPECT_EQ(SendMessageW(view, EM_GETLINECOUNT, 0, 0), 3);
        EXPECT_EQ(std::pair(GetDlgItem(form->hWnd(), IDC_RTF_OCTOLUME), GetFocus()),
                  std::pair(view, view));
    }
}

// A drop taken while another load lets pending messages through runs a load of its own to
// its end; the first is still loading after it, and Find stays refused until it ends.
TEST(MainWindow, FindWaitsForEveryLoadToEndAlsoALoadInsideAnother) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const auto form = NewWindow();
    const TempFolder folder;
    const std::wstring outer = folder.Write(L"outer.bin", "outer"),
                       inner = folder.Write(L"inner.bin", "inner");
    const auto findShown = [&] {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
            if (GetWindow(w, GW_OWNER) == form->hWnd() && IsWindowVisible(w) &&
                WindowText(w) == L"Find")
                return true;
        return false;
    };
    // A window of the test's own, whose posted message the outer load's pass of pending
    // messages delivers.
    static std::function<void()> onPosted;
    bool shownAfterInner = true;
    onPosted = [&] {
        form->GetAndDisplayOctolume(inner);
        SendMessageW(form->hWnd(), WM_COMMAND, IDM_FIND, 0);
        shownAfterInner = findShown();
    };
    const HWND helper =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(helper, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) {
                          if (m == WM_APP) {
                              onPosted();
                              return LRESULT{0};
                          }
                          return DefWindowProcW(w, m, wp, lp);
                      }));
    PostMessageW(helper, WM_APP, 0, 0);
    form->GetAndDisplayOctolume(outer);
    DestroyWindow(helper);
    EXPECT_FALSE(shownAfterInner) << "Find opened while the outer load still ran";
    EXPECT_EQ(WindowText(form->lblFileName()), outer);
    SendMessageW(form->hWnd(), WM_COMMAND, IDM_FIND, 0);
    EXPECT_TRUE(findShown()) << "Find refused after every load ended";
}

// The close box, File > Exit and the end of the session each run the exit sequence: every load
// reference of the engine released, the view emptied, the program ended once, with 0.
TEST(MainWindow, ExitReleasesTheEngineEmptiesTheViewAndEndsOnce) {
    for (const auto& [message, command] : {std::pair{UINT(WM_SYSCOMMAND), WPARAM(SC_CLOSE)},
                                           {UINT(WM_COMMAND), WPARAM(IDM_FILE_EXIT)},
                                           {UINT(WM_ENDSESSION), WPARAM(TRUE)}}) {
        const auto form = NewWindow();
        for (int reference = 0; reference < 3; ++reference)
            ASSERT_NE(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()), nullptr);
        SetWindowTextW(form->rtfOctolume(), std::wstring(200000, L'x').c_str());
        SendMessageW(form->hWnd(), WM_ENDSESSION, FALSE, 0); // the session goes on
        EXPECT_EQ(endCalls, 0);
        SendMessageW(form->hWnd(), message, command, 0);
        SendMessageW(form->hWnd(), WM_CLOSE, 0, 0); // a second request is no second exit
        EXPECT_EQ(std::pair(endCalls, exitCode), std::pair(1, 0)) << message;
        EXPECT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
        EXPECT_EQ(WindowText(form->rtfOctolume()), L"");
    }
}

// About shows the text the user-level test reads, in a box with one OK and the information icon.
TEST(MainWindow, AboutIsAnInformationBoxWithOneButton) {
    const auto form = NewWindow();
    const MessageBoxCapture boxes;
    SendMessageW(form->hWnd(), WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].title, L"Octolume32");
    EXPECT_EQ(boxes.Boxes()[0].style, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(boxes.Boxes()[0].text.starts_with(L"Octolume32 v2.0.0\r\n"));
}

// Text in either form wins over files, the Unicode form over the ANSI one. A path keeps
// what is inside the quotes and line breaks it was copied with; two lines stay two lines.
TEST(DropIntake, TextAsAPathElseTheFirstFileElseNothingQuietlyAndUnreadableDataReported) {
    const MessageBoxCapture boxes;
    HandMadeData text, twoLines, files, neither, unicodeOnly, both;
    text.text = " \"C:\\Some Folder\\file.bin \" \r\n";
    twoLines.unicodeText = L"\"C:\\a.bin\"\r\n\"C:\\b.bin\"\r\n";
    text.files = files.files =
        unicodeOnly.files = {L"C:\\data\\first.bin", L"C:\\data\\second.bin"};
    unicodeOnly.unicodeText = both.unicodeText = L"C:\\\u0101.txt";
    both.text = "C:\\a.txt";
    EXPECT_EQ(GetSingleItemFromDataObject(&text), L"C:\\Some Folder\\file.bin ");
    EXPECT_EQ(GetSingleItemFromDataObject(&twoLines), L"\"C:\\a.bin\"\r\n\"C:\\b.bin\"");
    EXPECT_EQ(GetSingleItemFromDataObject(&unicodeOnly) + L"|" + GetSingleItemFromDataObject(&both),
              L"C:\\\u0101.txt|C:\\\u0101.txt");
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

// The program's own box for a file the engine cannot dump, as Load tells it.
static const std::wstring kUnableBox = L"|Octolume32|" + std::wstring(kUnableText) + L"|" +
                                       std::to_wstring(MB_OK | MB_ICONEXCLAMATION);

// Loads a file; what the user then sees: the view, the label and each box's title, text (but a
// report's closing note) and style. The pointer is back to normal.
static std::wstring Load(ViewerWindow& window, const std::wstring& path) {
    const MessageBoxCapture boxes;
    GetAndDisplayOctolume(window.Controls(), path);
    std::wstring shown = WindowText(window.View()) + L"|" + WindowText(window.Label());
    for (const ShownBox& box : boxes.Boxes())
        shown += L"|" + box.title + L"|" + box.text + L"|" + std::to_wstring(box.style);
    EXPECT_EQ(CurrentMousePointer(), MousePointer::Default);
    return shown.substr(0, shown.find(L"\r\n* If this problem persists"));
}

// The pipeline finds the engine by name, as start-up loads it: a small file's dump held
// whole, a larger one's in pages, of any size (16 MiB here: the dump's 88 million characters
// are more than WM_GETTEXT gives), and a name outside the ANSI code page; then a short file
// again, exactly.
TEST(Pipeline, ShowsWholeFilesOfAnySizeWithTheirPathsAndTheOwnMessageForTheRest) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const TempFolder folder;
    ViewerWindow window;
    const std::vector<unsigned char> bytes = PatternBytes(70000); // in pages
    const std::wstring first = folder.Write(L"first.bin", bytes);
    const std::wstring second = folder.Write(L"second.bin", PatternBytes(17));
    const std::wstring pattern17 = Wide(kPattern17Dump);
    EXPECT_EQ(Load(window, first), ExpectedViewText(bytes) + L"|" + first);
    EXPECT_EQ(Load(window, second), pattern17 + L"|" + second);
    // The view emptied, the label keeps the last file.
    EXPECT_EQ(Load(window, folder.Path() + L"\\missing.bin"), L"|" + second + kUnableBox);
    // Two lines are no path, though each names a file.
    EXPECT_EQ(Load(window, first + L"\r\n" + second), L"|" + second + kUnableBox);
    const std::wstring unicode = folder.Write(L"\u0416\u4E2D.bin", PatternBytes(17));
    EXPECT_EQ(Load(window, unicode), pattern17 + L"|" + unicode);

    std::string random(16777216 + 100, '\0');
    unsigned state = 12345;
    for (char& byte : random)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 23);
    const std::wstring path = folder.Write(L"random.bin", random);
    const MessageBoxCapture boxes;
    GetAndDisplayOctolume(window.Controls(), path);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(WindowText(window.Label()), path);
    const HWND view = window.View();
    const LRESULT lines = SendMessageW(view, EM_GETLINECOUNT, 0, 0);
    ASSERT_EQ(lines, 1048576 + 7 + 2);
    EXPECT_EQ(SendMessageW(view, WM_GETTEXTLENGTH, 0, 0), LRESULT(64) << 20);
    // The last lines, past the old limit of 16 MiB, as the formatter writes them.
    std::string tail(DumpLinesSize(100, 16777216), '\0');
    tail.resize(FormatDumpLines({reinterpret_cast<const unsigned char*>(random.data()) + 16777216,
                                 100},
                                16777216, tail.data()) -
                tail.data());
    std::wstring shownTail;
    for (LRESULT line = lines - 8; line < lines - 1; ++line) {
        wchar_t text[100] = {99};
        text[SendMessageW(view, EM_GETLINE, line, LPARAM(text))] = 0;
        shownTail += text + std::wstring(L"\r\n");
    }
    EXPECT_EQ(shownTail, Wide(tail));
    EXPECT_EQ(Load(window, second), pattern17 + L"|" + second);
}

// The stand-in answers as OCTOLUME_SCRIPTED_ENGINE says, for a file it is asked for.
TEST(EngineAnswers, EachAsTheUserReadsIt) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"scripted_engine\\octolume.dll").c_str()));
    ASSERT_NE(engine, nullptr);
    const std::wstring denied = GetDllErrorText(5);
    const std::wstring report = L"Loading...|File:|Unexpected Error in frmOctolume.GetAndDisplayOctolume|"
                                L"DLL Error: " +
                                denied + L"\r\nError: " + denied +
                                L"\r\nSource: frmOctolume.GetAndDisplayOctolume\r\nNo: 5\r\n";
    const std::wstring pattern17 = Wide(kPattern17Dump);
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        // Other failures in the system's words; the view and the label keep what they showed.
        {L"fail 5", report},
        {L"dofail 5", report},
        {L"fail 0x20000009", L"|File:" + kUnableBox},
        {L"dofail 0x20000009", L"|File:" + kUnableBox},
        {L"rename Z:\\really\\here.bin", pattern17 + L"|Z:\\really\\here.bin"},
        // The file changed between the two reads: shown from its pages.
        {L"changed", pattern17 + L"|C:\\asked.bin"},
        {L"", pattern17 + L"|C:\\asked.bin"}};
    for (const auto& [script, expected] : cases) {
        SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", script);
        ViewerWindow window;
        EXPECT_EQ(Load(window, L"C:\\asked.bin"), expected) << script;
    }
    SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", nullptr);
}

} // namespace octolume::test
