// The wrapper and the cFileDialog facade on Wine's real dialog: whole showings, acting inside
// the modal loop. They check the method slots and argument orders on the real interfaces.

#include "dialogs/classic_file_dialog.h"
#include "support/app_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <functional>

namespace octolume::test {
namespace {

// The common item dialog needs a single-threaded apartment.
[[maybe_unused]] const HRESULT kApartment = ::OleInitialize(nullptr);

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
HWND ChildWithText(HWND parent, const std::wstring& text) {
    for (const HWND child : Descendants(parent))
        if (WindowText(child) == text)
            return child;
    return nullptr;
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
    // Shows with `act` run inside the modal loop (a thread timer polls every 50 ms) once the
    // dialog is shown. Bounded: after 10 s (scaled) the thread's shown dialog (a message box
    // over it first) is cancelled at every tick. The timer lives as long as the showing, even when
    // it throws.
    struct Script {
        Script(LiveDialog& test, std::function<void()> act) {
            test.act_ = std::move(act), test.window_ = nullptr, test.timedOut_ = false;
            test.deadline_ = std::chrono::steady_clock::now() + kShowBound;
            current_ = &test;
        }
        ~Script() {
            ::KillTimer(nullptr, timer);
            EXPECT_TRUE(current_->window_ && !current_->act_ && !current_->timedOut_);
            current_ = nullptr;
        }
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &OnTick);
    };
    std::int32_t Show(std::int32_t mode, std::function<void()> act,
                      const std::wstring& title = L"") {
        const Script script(*this, std::move(act));
        return dialog_.DialogShow(nullptr, mode, title);
    }
    std::wstring Show(std::wstring (cFileDialog::*show)(), std::function<void()> act) {
        const Script script(*this, std::move(act));
        return (facade_.*show)();
    }
    void Press(int command) { ::PostMessageW(window_, WM_COMMAND, MAKEWPARAM(command, 0), 0); }
    std::wstring NameOf(const ComPtr<IUnknown>& item) {
        return dialog_.IShellItem_GetDisplayName(item.Get(), 0x8004C000, true); // full path
    }

    TempFolder temp_;
    const std::wstring folder_ = temp_.Path(); // in its long form, as the shell reports it
    HWND window_ = nullptr;
    IFileDialog dialog_;
    cFileDialog facade_;

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        if (LiveDialog* self = current_; self == nullptr)
            return;
        else if ((self->timedOut_ = std::chrono::steady_clock::now() > self->deadline_))
            ::PostMessageW(ShownDialog(), WM_COMMAND, IDCANCEL, 0);
        else if (self->act_ && (self->window_ = ShownDialog()) != nullptr)
            std::exchange(self->act_, nullptr)(); // it may pump messages: taken out first
    }

    // How long the dialog may take to show before it is cancelled.
    static inline const std::chrono::milliseconds kShowBound = Scaled(std::chrono::seconds{10});
    static inline LiveDialog* current_ = nullptr;
    std::function<void()> act_;
    std::chrono::steady_clock::time_point deadline_;
    bool timedOut_ = false;
};

TEST_F(LiveDialog, OpeningOneFileWithEverySettingSeenOnTheDialog) {
    const std::wstring path = temp_.Write(L"chosen.bin", "x");
    dialog_.propFilters(L"Text files|*.txt|Everything|*.*");
    dialog_.propFilterIndex(1);
    dialog_.propStartupFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(L"chosen.bin");
    dialog_.propOKButtonCaption(L"Take it");
    dialog_.propFileLabelCaption(L"Name here:");
    std::wstring seen;
    const auto look = [&] {
        seen = NameOf(dialog_.DialogGetCurrentFolder()) + L"|" + dialog_.DialogGetEditBoxText() +
               L"|" + std::to_wstring(dialog_.DialogGetFilterIndex()) + L"|" + WindowText(window_) +
               L"|" + WindowText(::GetDlgItem(window_, IDOK)) + L"|" +
               std::to_wstring(ChildWithText(window_, L"Name here:") != nullptr) + L"|" +
               std::to_wstring(dialog_.DialogHWND() == window_);
        Press(IDOK);
    };
    EXPECT_EQ(Show(IFileDialog::kModeOpen, look, L"Octolume test title"), 0);
    EXPECT_EQ(seen, folder_ + L"|chosen.bin|1|Octolume test title|Take it|1|1");
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    const ComPtr<IUnknown> item = dialog_.ResultsItem(1);
    EXPECT_EQ(NameOf(item), path);
    const ComPtr<IUnknown> parent = dialog_.IShellItem_GetParent(item.Get(), true);
    EXPECT_EQ(NameOf(parent), folder_);
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(item.Get(), parent.Get(), 0, true));
    // Not every asked attribute is set (S_FALSE): the bits that are still count.
    EXPECT_EQ(dialog_.IShellItem_GetAttributes(item.Get(), SFGAO_FILESYSTEM | SFGAO_FOLDER),
              SFGAO_FILESYSTEM);
    EXPECT_TRUE(dialog_.IShellItem_AreEqual(item.Get(), dialog_.Results().Get(), 0, true));
}

TEST_F(LiveDialog, CustomControlsAreReadAndChangedWhileShown) {
    using D = IFileDialog;
    D& d = dialog_;
    ASSERT_TRUE(d.Customize_CreateContainer(L"group", L"Group label"));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemCheckButton, L"check", L"Tick", true));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemEditBox, L"edit", L"first text"));
    ASSERT_TRUE(d.Customize_CloseContainer(L"group"));
    ASSERT_TRUE(d.Customize_CreateGroup(D::kGroupRadioButtonList, L"radio", L"", {L"1", L"2"}));
    ASSERT_TRUE(d.Customize_CreateGroup(D::kGroupComboBox, L"combo", L"", {L"Alpha", L"Beta"}));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemPushButton, L"push", L"Push me"));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemText, L"text", L"Some text"));
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(D::kItemCheckButton, L"plain", L"Plain"));
    d.Customize_MakeControlProminent(L"plain"); // and still unchecked
    std::vector<std::int32_t> got;
    std::wstring texts;
    const auto act = [&] {
        got.push_back(d.CustomControl_GetSelected(L"plain"));
        got.push_back(d.CustomControl_GetSelected(L"check"));
        d.CustomControl_SetSelected(L"check", 0, false);
        got.push_back(d.CustomControl_GetSelected(L"check"));
        texts = d.CustomControl_GetTextBoxText(L"edit");
        d.CustomControl_SetTextBoxText(L"edit", L"second text");
        texts += L"|" + d.CustomControl_GetTextBoxText(L"edit");
        d.CustomControl_SetSelected(L"radio", 1);
        got.push_back(d.CustomControl_GetSelected(L"radio"));
        got.push_back(d.CustomControl_GetSelected(L"nowhere"));
        // An item appended while shown is selectable; removing one shifts the others.
        got.push_back(d.Customize_AppendGroupItem(L"combo", L"Gamma"));
        d.CustomControl_SetSelected(L"combo", 2);
        got.push_back(d.CustomControl_GetSelected(L"combo"));
        got.push_back(d.Customize_RemoveGroupItem(L"combo", 0));
        got.push_back(d.CustomControl_GetSelected(L"combo"));
        d.CustomControl_SetControlCaption(L"push", L"Pushed");
        const HWND push = ChildWithText(window_, L"Pushed");
        got.push_back(d.CustomControl_SetState(L"push", false, true));
        got.push_back(push != nullptr && ::IsWindowEnabled(push));
        got.push_back(d.CustomControl_GetState(L"push"));
        d.CustomControl_SetState(L"combo", false, true, 0);
        got.push_back(d.CustomControl_GetState(L"combo", 0));
        for (const wchar_t* shown : {L"Group label", L"Some text", L"Tick"})
            got.push_back(ChildWithText(window_, shown) != nullptr);
        // Nothing is recorded while shown.
        got.push_back(d.Customize_CreateContainer(L"late", L"Late") ||
                      d.Customize_CreateGroup(D::kGroupComboBox, L"late", L"", {L"x"}) ||
                      d.Customize_CreateNonGroupItem(D::kItemText, L"late", L"Late") ||
                      d.Customize_CloseContainer(L"group"));
        d.DialogClose(false);
    };
    // Closed without an error code, Show succeeds with nothing chosen.
    EXPECT_EQ(Show(IFileDialog::kModeOpen, act), 0);
    EXPECT_EQ(dialog_.Results(), nullptr);
    EXPECT_EQ(got, (std::vector<std::int32_t>{0, 1, 0, 1, -1, 1, 2, 1, 1, 1, 0, 2, 2, 1, 1, 1, 0}));
    EXPECT_EQ(texts, L"first text|second text");
}

TEST_F(LiveDialog, PickingAFolderInTheDefaultFolder) {
    const std::wstring inner = temp_.Subfolder(L"inner");
    dialog_.propDefaultFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(inner);
    std::wstring folder;
    const auto look = [&] {
        folder = NameOf(dialog_.DialogGetCurrentFolder());
        Press(IDOK);
    };
    EXPECT_EQ(Show(IFileDialog::kModePickFolder, look), 0);
    EXPECT_EQ(folder, folder_);
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    EXPECT_EQ(NameOf(dialog_.ResultsItem(1)), inner);
}

TEST_F(LiveDialog, FacadeOpensSeveralTimesAndSaves) {
    const std::wstring first = temp_.Write(L"first.bin", "x"),
                       second = temp_.Write(L"second.bin", "x");
    const SelectedFileList& selected = facade_.SelectedFiles();
    facade_.FileName(first);
    facade_.DialogTitle(L"Facade title");
    facade_.Filter(L"Binary|*.bin|Everything|*.*");
    facade_.FilterIndex(1);
    std::wstring seen;
    const auto look = [&] {
        seen = WindowText(window_) + L"|" +
               WindowText(::FindWindowExW(window_, nullptr, L"ComboBox", nullptr));
        Press(IDOK);
    };
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, look), first);
    EXPECT_EQ(seen, L"Facade title|Everything");
    // Several files come joined by NUL and are kept, in order, after the earlier ones.
    facade_.Flags(0x200 | 0x1800);
    facade_.InitDir(folder_);
    facade_.FileName(L"\"second.bin\" \"first.bin\"");
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, [&] { Press(IDOK); }), second + L'\0' + first);
    EXPECT_EQ(std::vector<std::wstring>(selected.begin(), selected.end()),
              (std::vector<std::wstring>{first, second, first}));
    EXPECT_EQ(selected.Item(2), second);
    EXPECT_EQ(RaisedNumber([&] { selected.Item(0); }) + RaisedNumber([&] { selected.Item(4); }),
              18);
    // A showing inside a showing is refused (-1) and raised; a cancel is quiet, or error
    // 32755 when asked for; saving gives the path; the chosen files stay.
    std::int32_t nested = 0;
    const auto showAgain = [&] {
        nested = RaisedNumber([&] { facade_.ShowOpen(); });
        Press(IDCANCEL);
    };
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, showAgain), L"");
    EXPECT_EQ(nested, -1);
    facade_.Flags(0);
    facade_.FileName(folder_ + L"\\saved.bin");
    EXPECT_EQ(Show(&cFileDialog::ShowSave, [&] { Press(IDOK); }), facade_.FileName());
    facade_.DefaultExtension(L"..bin"); // loses one leading dot
    EXPECT_EQ(facade_.DefaultExtension(), L".bin");
    facade_.CancelError(true);
    EXPECT_EQ(RaisedNumber([&] { Show(&cFileDialog::ShowOpen, [&] { Press(IDCANCEL); }); }), 32755);
    EXPECT_EQ(selected.Count(), 3);
}

} // namespace
} // namespace octolume::test
