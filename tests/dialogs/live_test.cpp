// The wrapper and the cFileDialog facade on Wine's real common item dialog: whole showings,
// with a script of steps acting inside the modal loop. They check the method slots and
// argument orders against the real interfaces.

#include "dialogs/classic_file_dialog.h"
#include "support/app_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace octolume::test {
namespace {

constexpr std::int32_t kEditingName = static_cast<std::int32_t>(0x8004C000u);
using Step = std::function<bool()>; // true when done, false to be asked again next tick

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
    if (ClassNameOf(window) != L"#32770" || !::IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
HWND ShownDialog() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindShownDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}
HWND Child(HWND parent, const std::function<bool(HWND)>& match) {
    for (const HWND child : Descendants(parent))
        if (match(child))
            return child;
    return nullptr;
}
HWND ChildWithText(HWND parent, const std::wstring& text) {
    return Child(parent, [&](HWND child) { return WindowText(child) == text; });
}
// The number of the AppError the call raises, or 0 when it raises none.
template <class Call> std::int32_t RaisedNumber(Call&& call) {
    try {
        call();
    } catch (const AppError& error) {
        return error.Number();
    }
    return 0;
}

class LiveDialog : public testing::Test {
protected:
    // Runs show with a thread timer working through the steps inside its modal loop.
    // Every wait is a bounded poll: after 10 s the dialog is cancelled, later every window
    // of the thread is closed, so the showing always ends.
    template <class Show> auto Run(std::vector<Step> steps, Show&& show) {
        steps_ = std::move(steps);
        next_ = ticks_ = 0;
        current_ = this;
        const struct Timer { // lives as long as the showing, also when it throws
            UINT_PTR id = ::SetTimer(nullptr, 0, 50, &OnTick);
            ~Timer() { ::KillTimer(nullptr, id), current_ = nullptr; }
        } timer;
        auto result = show();
        EXPECT_TRUE(next_ == steps_.size() && ticks_ <= 200) << next_ << " steps, " << ticks_;
        return result;
    }
    std::int32_t Show(std::int32_t mode, std::vector<Step> steps, const std::wstring& title = L"") {
        return Run(std::move(steps), [&] { return dialog_.DialogShow(nullptr, mode, title); });
    }
    std::wstring Show(std::wstring (cFileDialog::*show)(), std::vector<Step> steps) {
        return Run(std::move(steps), [&] { return (facade_.*show)(); });
    }
    Step WaitForWindow() {
        return [this] { return (window_ = ShownDialog()) != nullptr; };
    }
    Step Press(int command) {
        return [this, command] {
            return ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0) != 0;
        };
    }
    std::wstring NameOf(const ComPtr<IUnknown>& item) {
        return dialog_.IShellItem_GetDisplayName(item.Get(), kEditingName, true);
    }
    std::wstring MakeFile(const std::wstring& name) { return temp_.Write(name, "content"); }

    TempFolder temp_;
    const std::wstring folder_ = temp_.Path(); // in its long form, as the shell reports it
    HWND window_ = nullptr;
    IFileDialog dialog_;
    cFileDialog facade_;

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        LiveDialog* self = current_;
        if (self == nullptr || std::exchange(self->busy_, true)) // a step may pump messages
            return;
        if (++self->ticks_ > 300)
            ::EnumThreadWindows(::GetCurrentThreadId(), &CloseWindow, 0);
        else if (self->ticks_ > 200)
            ::PostMessageW(ShownDialog(), WM_COMMAND, IDCANCEL, 0);
        else if (self->next_ < self->steps_.size() && self->steps_[self->next_]())
            ++self->next_;
        self->busy_ = false;
    }
    static BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
        return ::PostMessageW(window, WM_CLOSE, 0, 0) || true;
    }

    static inline LiveDialog* current_ = nullptr;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    bool busy_ = false;
};

TEST_F(LiveDialog, OpeningOneFileWithEverySettingSeenOnTheDialog) {
    const std::wstring path = MakeFile(L"chosen.bin");
    dialog_.propFilters(L"Text files|*.txt|Everything|*.*");
    dialog_.propFilterIndex(1);
    dialog_.propStartupFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(L"start.txt");
    dialog_.propOKButtonCaption(L"Take it");
    dialog_.propFileLabelCaption(L"Name here:");
    std::wstring seen, selection;
    std::int32_t nested = 0;
    HWND list = nullptr;
    const auto look = [&] {
        seen = NameOf(dialog_.DialogGetCurrentFolder()) + L"|" + dialog_.DialogGetEditBoxText() +
               L"|" + std::to_wstring(dialog_.DialogGetFilterIndex()) + L"|" + WindowText(window_) +
               L"|" + WindowText(::GetDlgItem(window_, IDOK)) + L"|" +
               std::to_wstring(ChildWithText(window_, L"Name here:") != nullptr) + L"|" +
               std::to_wstring(dialog_.DialogHWND() == window_);
        nested = dialog_.DialogShow(nullptr);
        return true;
    };
    // The file is listed only under the second file type.
    const auto listed = [&] {
        list = Child(window_, [](HWND child) { return ClassNameOf(child) == WC_LISTVIEWW; });
        return list != nullptr && ListView_GetItemCount(list) == 1;
    };
    const auto select = [&] {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return true;
    };
    const auto selected = [&] {
        return !(selection = NameOf(dialog_.DialogGetCurrentSelection())).empty();
    };
    EXPECT_EQ(Show(IFileDialog::kModeOpen,
                   {WaitForWindow(), look, listed, select, selected, Press(IDOK)},
                   L"Octolume test title"),
              0);
    EXPECT_EQ(seen, folder_ + L"|start.txt|1|Octolume test title|Take it|1|1");
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(selection, path);
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    const ComPtr<IUnknown> item = dialog_.ResultsItem(1);
    EXPECT_EQ(item.Get(), dialog_.Results().Get());
    EXPECT_EQ(NameOf(item), path);
    EXPECT_EQ(dialog_.ResultsItem(2), nullptr);
    const ComPtr<IUnknown> parent = dialog_.IShellItem_GetParent(item.Get(), true);
    EXPECT_EQ(NameOf(parent), folder_);
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(item.Get(), parent.Get(), 0, true));
    EXPECT_TRUE(dialog_.IShellItem_AreEqual(item.Get(), dialog_.Results().Get(), 0, true));
    EXPECT_EQ(dialog_.DialogHWND(), nullptr); // idle again: nothing to talk to
}

TEST_F(LiveDialog, CustomControlsAreReadAndChangedWhileShown) {
    using D = IFileDialog;
    D& d = dialog_;
    ASSERT_TRUE(d.Customize_CreateContainer(L"group", L"Group label"));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemCheckButton, L"check", L"Tick", true));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemEditBox, L"edit", L"first text"));
    ASSERT_TRUE(d.Customize_CloseContainer(L"group"));
    ASSERT_TRUE(
        d.Customize_CreateGroup(D::kGroupRadioButtonList, L"radio", L"", {L"1", L"2", L"3"}));
    ASSERT_TRUE(d.Customize_CreateGroup(D::kGroupComboBox, L"combo", L"", {L"Alpha", L"Beta"}));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemPushButton, L"push", L"Push me"));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemText, L"text", L"Some text"));
    std::vector<std::int32_t> numbers;
    std::wstring texts;
    const auto act = [&] {
        const auto number = [&](std::int32_t value) { numbers.push_back(value); };
        number(d.CustomControl_GetSelected(L"check"));
        d.CustomControl_SetSelected(L"check", 0, false);
        number(d.CustomControl_GetSelected(L"check"));
        texts = d.CustomControl_GetTextBoxText(L"edit") + L"|" +
                d.CustomControl_GetTextBoxText(L"check");
        d.CustomControl_SetTextBoxText(L"edit", L"second text");
        texts += L"|" + d.CustomControl_GetTextBoxText(L"edit");
        d.CustomControl_SetSelected(L"radio", 1);
        number(d.CustomControl_GetSelected(L"radio"));
        number(d.CustomControl_GetSelected(L"nowhere"));
        // An item appended while shown is selectable; removing one shifts the others.
        number(d.Customize_AppendGroupItem(L"combo", L"Gamma"));
        d.CustomControl_SetSelected(L"combo", 2);
        number(d.CustomControl_GetSelected(L"combo"));
        number(d.Customize_RemoveGroupItem(L"combo", 0));
        number(d.Customize_RemoveGroupItem(L"combo", 2)); // beyond the list
        number(d.CustomControl_GetSelected(L"combo"));
        d.CustomControl_SetControlCaption(L"push", L"Pushed");
        const HWND push = ChildWithText(window_, L"Pushed");
        number(d.CustomControl_SetState(L"push", false, true));
        number(push != nullptr && ::IsWindowEnabled(push));
        number(d.CustomControl_GetState(L"push"));
        d.CustomControl_SetState(L"combo", false, true, 0);
        number(d.CustomControl_GetState(L"combo", 0));
        number(d.CustomControl_GetState(L"combo", 5));
        for (const wchar_t* shown : {L"Group label", L"Some text", L"Tick"})
            number(ChildWithText(window_, shown) != nullptr);
        // Nothing is recorded while shown.
        number(d.Customize_CreateContainer(L"late", L"Late") ||
               d.Customize_CreateGroup(D::kGroupComboBox, L"late", L"", {L"x"}) ||
               d.Customize_CreateNonGroupItem(D::kItemText, L"late", L"Late") ||
               d.Customize_CloseContainer(L"group"));
        d.DialogClose(true);
        return true;
    };
    const std::int32_t shown = Show(IFileDialog::kModeOpen, {WaitForWindow(), act});
    // Windows' Show answers the close code -1 itself; Wine's answers E_FAIL.
    EXPECT_TRUE(shown == -1 || shown == E_FAIL) << std::hex << shown;
    EXPECT_EQ(dialog_.Results(), nullptr);
    EXPECT_EQ(numbers,
              (std::vector<std::int32_t>{1, 0, 1, -1, 1, 2, 1, 0, 1, 1, 0, 2, 2, 0, 1, 1, 1, 0}));
    EXPECT_EQ(texts, L"first text||second text");
}

TEST_F(LiveDialog, CloseWithoutErrorCodeReturnsSuccessWithoutAChoice) {
    const auto close = [&] { return dialog_.DialogClose(false), true; };
    EXPECT_EQ(Show(IFileDialog::kModeOpen, {WaitForWindow(), close}), 0);
    EXPECT_EQ(dialog_.ResultsCount(), 0);
}

TEST_F(LiveDialog, PickingAFolderInTheDefaultFolder) {
    const std::wstring inner = temp_.Subfolder(L"inner");
    dialog_.propDefaultFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(inner);
    std::wstring folder;
    const auto look = [&] { return (folder = NameOf(dialog_.DialogGetCurrentFolder())), true; };
    EXPECT_EQ(Show(IFileDialog::kModePickFolder, {WaitForWindow(), look, Press(IDOK)}), 0);
    EXPECT_EQ(folder, folder_);
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    EXPECT_EQ(NameOf(dialog_.ResultsItem(1)), inner);
}

TEST_F(LiveDialog, FacadeOverSeveralShowings) {
    const std::wstring first = MakeFile(L"first.bin"), second = MakeFile(L"second.bin");
    const SelectedFileList& selected = facade_.SelectedFiles();
    facade_.FileName(first);
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDOK)}), first);
    // The user picks the first file type and types another name; the settings stay.
    facade_.Filter(L"Binary|*.bin|Everything|*.*");
    facade_.FilterIndex(1);
    const auto pickFirstType = [&] {
        const HWND types = ::FindWindowExW(window_, nullptr, L"ComboBox", nullptr);
        ::SendMessageW(types, CB_SETCURSEL, 0, 0);
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(types), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(types));
        return ::SetWindowTextW(::FindWindowExW(window_, nullptr, L"Edit", nullptr),
                                second.c_str());
    };
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), pickFirstType, Press(IDOK)}), second);
    EXPECT_EQ(facade_.FileName(), first);
    EXPECT_EQ(facade_.FilterIndex(), 1);
    EXPECT_EQ(std::vector<std::wstring>(selected.begin(), selected.end()),
              (std::vector<std::wstring>{first, second}));
    EXPECT_EQ(selected.Item(2), second);
    EXPECT_EQ(RaisedNumber([&] { selected.Item(0); }) + RaisedNumber([&] { selected.Item(3); }),
              18);
    // A showing inside a showing is refused (-1) and raised; the cancel is quiet, or error
    // 32755 when asked for; the chosen files stay.
    std::int32_t nested = 0;
    const auto showAgain = [&] {
        return (nested = RaisedNumber([&] { facade_.ShowOpen(); })), true;
    };
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), showAgain, Press(IDCANCEL)}), L"");
    EXPECT_EQ(nested, -1);
    facade_.CancelError(true);
    EXPECT_EQ(RaisedNumber([&] {
                  Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDCANCEL)});
              }),
              32755);
    EXPECT_EQ(selected.Count(), 2);
}

TEST_F(LiveDialog, FacadeJoinsSeveralFilesByNul) {
    const std::vector<std::wstring> files = {MakeFile(L"one.bin"), MakeFile(L"two.bin"),
                                             MakeFile(L"three.bin")};
    facade_.Flags(0x200 | 0x1800); // several files, which must exist
    facade_.InitDir(folder_);
    facade_.FileName(L"\"one.bin\" \"two.bin\" \"three.bin\"");
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDOK)}),
              files[0] + L'\0' + files[1] + L'\0' + files[2]);
    EXPECT_EQ(
        std::vector<std::wstring>(facade_.SelectedFiles().begin(), facade_.SelectedFiles().end()),
        files);
}

TEST_F(LiveDialog, FacadeSavesToTheChosenPath) {
    facade_.FileName(folder_ + L"\\saved.bin");
    EXPECT_EQ(Show(&cFileDialog::ShowSave, {WaitForWindow(), Press(IDOK)}), facade_.FileName());
    EXPECT_EQ(facade_.SelectedFiles().Count(), 0);
}

TEST(FacadeSettings, DefaultExtensionLosesOneLeadingDot) {
    cFileDialog dialog;
    std::wstring kept;
    for (const wchar_t* set : {L".txt", L"txt", L"..txt", L"", L"."}) {
        dialog.DefaultExtension(set);
        kept += dialog.DefaultExtension() + L"|";
    }
    EXPECT_EQ(kept, L"txt|txt|.txt|||");
}

} // namespace
} // namespace octolume::test
