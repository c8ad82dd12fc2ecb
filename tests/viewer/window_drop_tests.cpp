// The real main window across drops, through the target it registers on its view, called as
// the system's drag loop calls it. After a long dump the next file gets a new control (the old
// would take minutes to empty), which must be the view in every respect.
#include "app/main_window.h"

#include "expected_dumps.h"
#include "hand_made_data.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <tuple>

namespace octolume::test {

static void DropFile(HWND view, const std::wstring& path) {
    HandMadeData data;
    data.files = {path};
    auto* target = static_cast<IDropTarget*>(GetPropW(view, L"OleDropTargetInterface"));
    ASSERT_NE(target, nullptr) << "no drop target on the view";
    DWORD enter = DROPEFFECT_COPY | DROPEFFECT_MOVE, over = DROPEFFECT_NONE, drop = enter;
    ASSERT_EQ(target->DragEnter(&data, MK_LBUTTON, {}, &enter), S_OK);
    ASSERT_EQ(target->DragOver(MK_LBUTTON, {}, &over), S_OK);
    ASSERT_EQ(target->Drop(&data, 0, {}, &drop), S_OK);
    EXPECT_EQ(std::tuple(enter, over, drop), std::tuple(1ul, 1ul, 1ul)) << "always a copy";
}

// What the view is beyond its text.
static auto ViewSetup(HWND view) {
    RECT r{};
    GetWindowRect(view, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(view), reinterpret_cast<POINT*>(&r), 2);
    CHARFORMAT2W font{};
    font.cbSize = sizeof font;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&font));
    return std::tuple(
        GetDlgCtrlID(view), ClassNameOf(view), GetWindow(GetParent(view), GW_CHILD) == view, r.left,
        r.top, r.right, r.bottom, std::wstring(font.szFaceName), font.yHeight,
        GetWindowLongW(view, GWL_STYLE), GetWindowLongW(view, GWL_EXSTYLE),
        SendMessageW(view, EM_GETTEXTMODE, 0, 0), SendMessageW(view, EM_GETLIMITTEXT, 0, 0),
        SendMessageW(view, EM_GETOPTIONS, 0, 0), GetFocus() == view);
}

TEST(WindowDrop, AfterALongDumpTheViewIsAsItWasDropAfterDrop) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const auto form = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, [](UINT) {});
    // Not the design size, so the place kept is the one the layout gave.
    RECT frame{};
    GetWindowRect(form->hWnd(), &frame);
    SetWindowPos(form->hWnd(), nullptr, 0, 0, frame.right - frame.left - 137,
                 frame.bottom - frame.top + 23, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const TempFolder folder;
    const std::string longBytes(4000, 'A'); // a dump of 20K characters
    const std::wstring longFile = folder.Write(L"long.bin", longBytes);
    const std::wstring next = folder.Write(L"next.bin", "next file");
    for (int round = 0; round < 3; ++round) {
        DropFile(form->rtfOctolume(), longFile);
        ASSERT_EQ(WindowText(form->rtfOctolume()), ExpectedViewText(longBytes));
        SetFocus(form->rtfOctolume());
        const HWND longView = form->rtfOctolume();
        const auto setup = ViewSetup(longView);

        DropFile(longView, next);
        EXPECT_FALSE(IsWindow(longView));
        const HWND view = form->rtfOctolume();
        EXPECT_EQ(ViewSetup(view), setup);
        const std::wstring text = WindowText(view);
        EXPECT_EQ(text, ExpectedViewText("next file"));
        EXPECT_EQ(WindowText(form->lblFileName()), next);
        // Dump lines wider than the view stay whole: one line per line break.
        EXPECT_EQ(SendMessageW(view, EM_GETLINECOUNT, 0, 0),
                  std::count(text.begin(), text.end(), L'\n') + 1);
    }
}

} // namespace octolume::test
