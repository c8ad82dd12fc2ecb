// The real main window's dump view across loads: drops of hand-made data through the
// drop target the window registers on its view, as the system's drag loop delivers them.
// Which data names which file is tested on the drop intake alone, and drops from another
// program at the user's level.
#include "app/main_window.h"
#include "resource.h"

#include "engine/engine_contract.h"
#include "expected_dumps.h"
#include "hand_made_data.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <tuple>

namespace octolume::test {
namespace {

void KeepRunning(UINT) {}

class WindowDropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = LoadLibraryW(BuiltFile(engine::kLibraryName).c_str());
        form_ = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, &KeepRunning);
    }
    static void TearDownTestSuite() {
        form_.reset();
        FreeLibrary(engine_);
    }

    // What the system's drag loop calls when data is released over the view.
    void DropOnView(IDataObject* data) {
        auto* target =
            static_cast<IDropTarget*>(GetPropW(form_->rtfOctolume(), L"OleDropTargetInterface"));
        ASSERT_NE(nullptr, target) << "no drop target registered on the view";
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(S_OK, target->DragEnter(data, MK_LBUTTON, {}, &effect));
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect) << "the copy cursor while dragging";
        ASSERT_EQ(S_OK, target->Drop(data, 0, {}, &effect));
    }

    std::wstring ViewText() const { return WindowText(form_->rtfOctolume()); }
    std::wstring LabelText() const { return WindowText(form_->lblFileName()); }

    TempFolder folder_;
    static inline HMODULE engine_ = nullptr;
    static inline std::unique_ptr<frmOctolume> form_;
};

// What the view is, beyond its text: what a new control in its place must keep.
auto ViewSetup(HWND view) {
    wchar_t className[64]{};
    GetClassNameW(view, className, 64);
    RECT rect{};
    GetWindowRect(view, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(view), reinterpret_cast<POINT*>(&rect), 2);
    CHARFORMAT2W font{};
    font.cbSize = sizeof font;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&font));
    return std::make_tuple(
        GetDlgCtrlID(view), std::wstring(className), GetWindow(GetParent(view), GW_CHILD) == view,
        rect.left, rect.top, rect.right, rect.bottom, std::wstring(font.szFaceName), font.yHeight,
        GetWindowLongW(view, GWL_STYLE), GetWindowLongW(view, GWL_EXSTYLE),
        SendMessageW(view, EM_GETTEXTMODE, 0, 0), SendMessageW(view, EM_GETLIMITTEXT, 0, 0),
        SendMessageW(view, EM_GETOPTIONS, 0, 0), GetFocus() == view);
}

// A dump of some hundred thousand characters would take the control minutes to empty in
// place. The next file gets a new control, which must be the view in every respect: the
// drop that follows lands on it and it shows every dump line unwrapped.
TEST_F(WindowDropTest, AfterALongDumpTheViewIsAsItWas) {
    std::string longBytes(20000, '\0');
    for (size_t i = 0; i < longBytes.size(); ++i)
        longBytes[i] = static_cast<char>(i * 13 + 7);
    HandMadeData longFile;
    longFile.files = {folder_.Write(L"long.bin", longBytes)};
    // Not the design size, so the place kept is the one the layout gave.
    RECT frame{};
    GetWindowRect(form_->hWnd(), &frame);
    SetWindowPos(form_->hWnd(), nullptr, 0, 0, frame.right - frame.left - 137,
                 frame.bottom - frame.top + 23, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DropOnView(&longFile);
    ASSERT_EQ(ExpectedViewText(longBytes), ViewText());
    SetFocus(form_->rtfOctolume());
    const HWND longView = form_->rtfOctolume();
    const auto setup = ViewSetup(longView);

    HandMadeData next;
    next.files = {folder_.Write(L"next.bin", "next file")};
    DropOnView(&next);
    EXPECT_NE(longView, form_->rtfOctolume());
    EXPECT_FALSE(IsWindow(longView));
    EXPECT_EQ(setup, ViewSetup(form_->rtfOctolume()));
    EXPECT_EQ(form_->rtfOctolume(), GetDlgItem(form_->hWnd(), IDC_RTF_OCTOLUME));
    EXPECT_EQ(ExpectedViewText("next file"), ViewText());

    const std::string shortBytes(4000, 'A'); // 250 lines, each wider than the view
    HandMadeData third;
    third.files = {folder_.Write(L"third.bin", shortBytes)};
    DropOnView(&third);
    const std::wstring text = ViewText();
    EXPECT_EQ(ExpectedViewText(shortBytes), text);
    EXPECT_EQ(third.files[0], LabelText());
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\n') + 1,
              SendMessageW(form_->rtfOctolume(), EM_GETLINECOUNT, 0, 0));
}

} // namespace
} // namespace octolume::test
