// The wrapper against Wine's real common item dialog: whole showings, with a script
// acting inside the modal Show. They check the method slots and argument orders against
// the real interfaces.

#include "dialog_script.h"
#include "dialogs/file_dialog.h"

#include <windows.h>
#include <commctrl.h>

namespace octolume::test {
namespace {

constexpr std::int32_t kEditingName = static_cast<std::int32_t>(0x8004C000u);

class LiveDialog : public ShownDialogTest {
protected:
    // A step that waits until the dialog's window is shown.
    Step WaitForWindow() {
        return [this] {
            window_ = dialog_.DialogHWND();
            return window_ != nullptr && ::IsWindowVisible(window_);
        };
    }
    std::int32_t Show(std::int32_t mode, std::vector<Step> steps, const std::wstring& title = L"") {
        return RunScript(
            std::move(steps), [this] { dialog_.DialogClose(true); },
            [&] { return dialog_.DialogShow(nullptr, mode, title); });
    }
    std::wstring NameOf(const ComPtr<IUnknown>& item) {
        return dialog_.IShellItem_GetDisplayName(item.Get(), kEditingName, true);
    }
    void ExpectNoResult() {
        EXPECT_EQ(dialog_.Results(), nullptr);
        EXPECT_EQ(dialog_.ResultsCount(), 0);
    }

    IFileDialog dialog_;
};

TEST_F(LiveDialog, OpeningOneFileWithEverySettingSeenOnTheDialog) {
    const std::wstring path = MakeFile(L"chosen.bin");
    dialog_.propFilters(L"Text files|*.txt|Everything|*.*");
    dialog_.propFilterIndex(1);
    dialog_.propStartupFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(L"start.txt");
    dialog_.propOKButtonCaption(L"Take it");
    dialog_.propFileLabelCaption(L"Name here:");
    std::wstring folder, editText, title, okText, selection;
    std::int32_t filterIndex = -5, nested = 0;
    bool labelFound = false;
    HWND list = nullptr;
    const std::int32_t shown =
        Show(IFileDialog::kModeOpen,
             {WaitForWindow(),
              [&] {
                  folder = NameOf(dialog_.DialogGetCurrentFolder());
                  editText = dialog_.DialogGetEditBoxText();
                  filterIndex = dialog_.DialogGetFilterIndex();
                  title = WindowText(window_);
                  okText = WindowText(::GetDlgItem(window_, IDOK));
                  labelFound = ChildWithText(window_, L"Name here:") != nullptr;
                  nested = dialog_.DialogShow(nullptr);
                  return true;
              },
              // Listed only under the second file type.
              [&] {
                  const auto lists = Descendants(window_);
                  for (const HWND child : lists) {
                      if (ClassNameOf(child) == WC_LISTVIEWW) {
                          list = child;
                      }
                  }
                  return list != nullptr && ListView_GetItemCount(list) == 1;
              },
              [&] {
                  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED,
                                        LVIS_SELECTED | LVIS_FOCUSED);
                  return true;
              },
              [&] {
                  selection = NameOf(dialog_.DialogGetCurrentSelection());
                  return !selection.empty();
              },
              Press(IDOK)},
             L"Octolume test title");
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(folder, folder_);
    EXPECT_EQ(editText, L"start.txt");
    EXPECT_EQ(filterIndex, 1);
    EXPECT_EQ(title, L"Octolume test title");
    EXPECT_EQ(okText, L"Take it");
    EXPECT_TRUE(labelFound);
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
    // Idle again: nothing to talk to.
    EXPECT_EQ(dialog_.DialogHWND(), nullptr);
}

TEST_F(LiveDialog, CustomControlsAreReadAndChangedWhileShown) {
    using D = IFileDialog;
    ASSERT_TRUE(dialog_.Customize_CreateContainer(L"group", L"Group label"));
    ASSERT_TRUE(dialog_.Customize_CreateNonGroupItem(D::kItemCheckButton, L"check", L"Tick", true));
    ASSERT_TRUE(dialog_.Customize_CreateNonGroupItem(D::kItemEditBox, L"edit", L"first text"));
    ASSERT_TRUE(dialog_.Customize_CloseContainer(L"group"));
    ASSERT_TRUE(dialog_.Customize_CreateGroup(D::kGroupRadioButtonList, L"radio", L"",
                                              {L"One", L"Two", L"Three"}));
    ASSERT_TRUE(
        dialog_.Customize_CreateGroup(D::kGroupComboBox, L"combo", L"", {L"Alpha", L"Beta"}));
    ASSERT_TRUE(dialog_.Customize_CreateNonGroupItem(D::kItemPushButton, L"push", L"Push me"));
    ASSERT_TRUE(dialog_.Customize_CreateNonGroupItem(D::kItemText, L"text", L"Some text"));
    std::vector<std::int32_t> numbers;
    std::vector<std::wstring> texts;
    std::vector<bool> answers;
    const auto steps = [&] {
        D& d = dialog_;
        numbers = {d.CustomControl_GetSelected(L"check")};
        d.CustomControl_SetSelected(L"check", 0, false);
        numbers.push_back(d.CustomControl_GetSelected(L"check"));
        texts = {d.CustomControl_GetTextBoxText(L"edit"), d.CustomControl_GetTextBoxText(L"check")};
        d.CustomControl_SetTextBoxText(L"edit", L"second text");
        texts.push_back(d.CustomControl_GetTextBoxText(L"edit"));
        d.CustomControl_SetSelected(L"radio", 1);
        numbers.push_back(d.CustomControl_GetSelected(L"radio"));
        numbers.push_back(d.CustomControl_GetSelected(L"nowhere"));
        // An item appended while shown is selectable; removing one shifts the others.
        answers = {d.Customize_AppendGroupItem(L"combo", L"Gamma")};
        d.CustomControl_SetSelected(L"combo", 2);
        numbers.push_back(d.CustomControl_GetSelected(L"combo"));
        answers.push_back(d.Customize_RemoveGroupItem(L"combo", 0));
        answers.push_back(d.Customize_RemoveGroupItem(L"combo", 2));
        numbers.push_back(d.CustomControl_GetSelected(L"combo"));
        d.CustomControl_SetControlCaption(L"push", L"Pushed");
        const HWND push = ChildWithText(window_, L"Pushed");
        answers.push_back(d.CustomControl_SetState(L"push", false, true));
        answers.push_back(push != nullptr && ::IsWindowEnabled(push));
        numbers.push_back(d.CustomControl_GetState(L"push"));
        d.CustomControl_SetState(L"combo", false, true, 0);
        numbers.push_back(d.CustomControl_GetState(L"combo", 0));
        numbers.push_back(d.CustomControl_GetState(L"combo", 5)); // beyond the list
        for (const wchar_t* shown : {L"Group label", L"Some text", L"Tick"}) {
            answers.push_back(ChildWithText(window_, shown) != nullptr);
        }
        // Nothing is recorded while shown.
        answers.push_back(d.Customize_CreateContainer(L"late", L"Late") ||
                          d.Customize_CreateGroup(D::kGroupComboBox, L"late", L"", {L"x"}) ||
                          d.Customize_CreateNonGroupItem(D::kItemText, L"late", L"Late") ||
                          d.Customize_CloseContainer(L"group"));
        d.DialogClose(true);
        return true;
    };
    const std::int32_t shown = Show(IFileDialog::kModeOpen, {WaitForWindow(), steps});
    // Windows' Show answers the close code -1 itself; Wine's answers E_FAIL.
    EXPECT_TRUE(shown == -1 || shown == E_FAIL) << std::hex << shown;
    ExpectNoResult();
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 0, 1, -1, 2, 1, 2, 2, 0}));
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"first text", L"", L"second text"}));
    EXPECT_EQ(answers,
              (std::vector<bool>{true, true, false, true, false, true, true, true, false}));
}

TEST_F(LiveDialog, CloseWithoutErrorCodeReturnsSuccessWithoutAChoice) {
    EXPECT_EQ(Show(IFileDialog::kModeOpen, {WaitForWindow(),
                                            [&] {
                                                dialog_.DialogClose(false);
                                                return true;
                                            }}),
              0);
    ExpectNoResult();
}

TEST_F(LiveDialog, PickingAFolderInTheDefaultFolder) {
    const std::wstring inner = temp_.Subfolder(L"inner");
    dialog_.propDefaultFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(inner);
    std::wstring folder;
    EXPECT_EQ(Show(IFileDialog::kModePickFolder, {WaitForWindow(),
                                                  [&] {
                                                      folder =
                                                          NameOf(dialog_.DialogGetCurrentFolder());
                                                      return true;
                                                  },
                                                  Press(IDOK)}),
              0);
    EXPECT_EQ(folder, folder_);
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    EXPECT_EQ(NameOf(dialog_.ResultsItem(1)), inner);
}

} // namespace
} // namespace octolume::test
