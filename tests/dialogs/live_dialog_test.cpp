// The wrapper against Wine's real common item dialog on the virtual display, with a
// script of steps acting inside the modal Show.

#include "dialogs/file_dialog.h"
#include "shown_dialog_test.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace octolume::test {
namespace {

constexpr std::int32_t kEditingName = static_cast<std::int32_t>(0x8004C000u); // desktop-absolute

class Script : public DialogScript {
public:
    Script(IFileDialog& dialog, std::vector<Step> steps)
        : DialogScript(std::move(steps), [&dialog] { dialog.DialogClose(true); }), dialog_(dialog) {
    }

    // Runs DialogShow with the script acting inside its modal loop.
    std::int32_t Show(std::int32_t mode, const std::wstring& title = std::wstring()) {
        return Run([&] { return dialog_.DialogShow(nullptr, mode, title); });
    }

private:
    IFileDialog& dialog_;
};

// The first descendant for which the condition holds, or nullptr.
HWND DescendantWhere(HWND parent, const std::function<bool(HWND)>& condition) {
    for (const HWND child : Descendants(parent)) {
        if (condition(child))
            return child;
    }
    return nullptr;
}

HWND ChildWithText(HWND parent, const std::wstring& text) {
    return DescendantWhere(parent, [&](HWND child) { return WindowText(child) == text; });
}

HWND ListViewOf(HWND dialog) {
    return DescendantWhere(dialog, [](HWND child) { return ClassNameOf(child) == WC_LISTVIEWW; });
}

// The combo box that lists an item with this text.
HWND ComboBoxListing(HWND dialog, const std::wstring& item) {
    return DescendantWhere(dialog, [&](HWND child) {
        return ClassNameOf(child) == WC_COMBOBOXW &&
               ::SendMessageW(child, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(item.c_str())) != CB_ERR;
    });
}

class LiveDialog : public ShownDialogTest {
protected:
    // A step that waits until the dialog's window is shown.
    Step WaitForWindow() {
        return [this] {
            window_ = dialog_.DialogHWND();
            return window_ != nullptr && ::IsWindowVisible(window_);
        };
    }
    void ExpectNoResult() {
        EXPECT_EQ(dialog_.Results(), nullptr);
        EXPECT_EQ(dialog_.ResultsCount(), 0);
        EXPECT_EQ(dialog_.ResultsItem(1), nullptr);
    }

    IFileDialog dialog_;
};

TEST_F(LiveDialog, LiveOperationsSeeTheRealDialog) {
    dialog_.propFilters(L"Text files|*.txt|Everything|*.*");
    dialog_.propStartupFolder_Set(Variant(folder_));
    dialog_.propInitialFileName(L"start.txt");
    dialog_.propOKButtonCaption(L"Take it");
    dialog_.propFileLabelCaption(L"Name here:");
    std::wstring folderName, editText, title, okText, selection;
    std::int32_t filterIndex = -5;
    bool labelFound = false;
    std::int32_t nested = 0;
    Script script(dialog_, {WaitForWindow(), [&] {
                                folderName = dialog_.IShellItem_GetDisplayName(
                                    dialog_.DialogGetCurrentFolder().Get(), kEditingName, true);
                                editText = dialog_.DialogGetEditBoxText();
                                filterIndex = dialog_.DialogGetFilterIndex();
                                selection = dialog_.IShellItem_GetDisplayName(
                                    dialog_.DialogGetCurrentSelection().Get(), kEditingName, true);
                                title = WindowText(window_);
                                okText = WindowText(::GetDlgItem(window_, IDOK));
                                labelFound = ChildWithText(window_, L"Name here:") != nullptr;
                                nested = dialog_.DialogShow(nullptr);
                                dialog_.DialogClose(true);
                                return true;
                            }});
    const std::int32_t result = script.Show(IFileDialog::kModeOpen, L"Octolume test title");
    EXPECT_FALSE(script.TimedOut());
    EXPECT_TRUE(script.Finished());
    // Windows' Show answers the close code -1 itself; Wine's answers E_FAIL.
    EXPECT_TRUE(result == -1 || result == E_FAIL) << std::hex << result;
    EXPECT_EQ(folderName, folder_);
    EXPECT_EQ(editText, L"start.txt");
    EXPECT_EQ(selection, L""); // nothing is selected in the list yet
    EXPECT_EQ(filterIndex, 0);
    EXPECT_EQ(title, L"Octolume test title");
    EXPECT_EQ(okText, L"Take it");
    EXPECT_TRUE(labelFound);
    EXPECT_EQ(nested, -1);
    ExpectNoResult();
    // Idle again: nothing to talk to.
    EXPECT_EQ(dialog_.DialogHWND(), nullptr);
    EXPECT_EQ(dialog_.DialogGetEditBoxText(), L"");
}

TEST_F(LiveDialog, CustomControlsAreReadAndChangedWhileShown) {
    ASSERT_TRUE(dialog_.Customize_CreateNonGroupItem(IFileDialog::kItemCheckButton, L"check",
                                                     L"Tick me", true));
    ASSERT_TRUE(
        dialog_.Customize_CreateNonGroupItem(IFileDialog::kItemEditBox, L"edit", L"first text"));
    ASSERT_TRUE(dialog_.Customize_CreateGroup(IFileDialog::kGroupRadioButtonList, L"radio", L"",
                                              {L"One", L"Two", L"Three"}));
    ASSERT_TRUE(dialog_.Customize_CreateGroup(IFileDialog::kGroupComboBox, L"combo", L"",
                                              {L"Alpha", L"Beta"}));
    ASSERT_TRUE(
        dialog_.Customize_CreateNonGroupItem(IFileDialog::kItemPushButton, L"push", L"Push me"));
    std::int32_t checkedAtStart = -5, checkedAfter = -5, radioSelected = -5, unknown = -5;
    std::wstring textAtStart, textAfter;
    std::vector<std::wstring> comboItems;
    std::int32_t selectedAfterAppend = -5, selectedAfterRemoval = -5;
    bool appended = false, removed = false, removedBeyond = true, stateSet = false;
    bool relabelled = false, pushEnabled = true;
    std::int32_t pushState = -5, itemState = -5;
    Script script(dialog_, {WaitForWindow(), [&] {
                                checkedAtStart = dialog_.CustomControl_GetSelected(L"check");
                                dialog_.CustomControl_SetSelected(L"check", 0, false);
                                checkedAfter = dialog_.CustomControl_GetSelected(L"check");
                                textAtStart = dialog_.CustomControl_GetTextBoxText(L"edit");
                                dialog_.CustomControl_SetTextBoxText(L"edit", L"second text");
                                textAfter = dialog_.CustomControl_GetTextBoxText(L"edit");
                                dialog_.CustomControl_SetSelected(L"radio", 1);
                                radioSelected = dialog_.CustomControl_GetSelected(L"radio");
                                unknown = dialog_.CustomControl_GetSelected(L"nowhere");

                                appended = dialog_.Customize_AppendGroupItem(L"combo", L"Gamma");
                                dialog_.CustomControl_SetSelected(L"combo", 2);
                                selectedAfterAppend = dialog_.CustomControl_GetSelected(L"combo");
                                removed = dialog_.Customize_RemoveGroupItem(L"combo", 0);
                                removedBeyond = dialog_.Customize_RemoveGroupItem(L"combo", 2);
                                selectedAfterRemoval = dialog_.CustomControl_GetSelected(L"combo");
                                if (HWND combo = ComboBoxListing(window_, L"Gamma")) {
                                    const auto count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
                                    for (LRESULT item = 0; item < count; ++item) {
                                        wchar_t text[64] = L"";
                                        ::SendMessageW(combo, CB_GETLBTEXT,
                                                       static_cast<WPARAM>(item),
                                                       reinterpret_cast<LPARAM>(text));
                                        comboItems.push_back(text);
                                    }
                                }

                                dialog_.CustomControl_SetControlCaption(L"push", L"Pushed");
                                HWND push = ChildWithText(window_, L"Pushed");
                                relabelled = push != nullptr;
                                stateSet = dialog_.CustomControl_SetState(L"push", false, true);
                                pushState = dialog_.CustomControl_GetState(L"push");
                                pushEnabled = push != nullptr && ::IsWindowEnabled(push);
                                dialog_.CustomControl_SetState(L"combo", false, true, 0);
                                itemState = dialog_.CustomControl_GetState(L"combo", 0);
                                dialog_.DialogClose(true);
                                return true;
                            }});
    script.Show(IFileDialog::kModeOpen);
    EXPECT_FALSE(script.TimedOut());
    EXPECT_EQ(checkedAtStart, 1);
    EXPECT_EQ(checkedAfter, 0);
    EXPECT_EQ(textAtStart, L"first text");
    EXPECT_EQ(textAfter, L"second text");
    EXPECT_EQ(radioSelected, 1);
    EXPECT_EQ(unknown, -1);
    EXPECT_TRUE(appended);
    EXPECT_EQ(selectedAfterAppend, 2);
    EXPECT_TRUE(removed);
    EXPECT_FALSE(removedBeyond);
    EXPECT_EQ(selectedAfterRemoval, 1);
    EXPECT_EQ(comboItems, (std::vector<std::wstring>{L"Beta", L"Gamma"}));
    EXPECT_TRUE(relabelled);
    EXPECT_TRUE(stateSet);
    EXPECT_EQ(pushState, 2);
    EXPECT_FALSE(pushEnabled);
    EXPECT_EQ(itemState, 2);
}

TEST_F(LiveDialog, CurrentSelectionFollowsTheList) {
    const std::wstring path = MakeFile(L"listed.bin");
    dialog_.propStartupFolder_Set(Variant(folder_));
    HWND list = nullptr;
    std::wstring selection;
    Script script(dialog_, {WaitForWindow(),
                            [&] {
                                list = ListViewOf(window_);
                                return list != nullptr && ListView_GetItemCount(list) == 1;
                            },
                            [&] {
                                ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED,
                                                      LVIS_SELECTED | LVIS_FOCUSED);
                                return true;
                            },
                            [&] {
                                selection = dialog_.IShellItem_GetDisplayName(
                                    dialog_.DialogGetCurrentSelection().Get(), kEditingName, true);
                                return !selection.empty();
                            },
                            [&] {
                                dialog_.DialogClose(true);
                                return true;
                            }});
    script.Show(IFileDialog::kModeOpen);
    EXPECT_FALSE(script.TimedOut());
    EXPECT_EQ(selection, path);
}

TEST_F(LiveDialog, ChoosingOneFile) {
    const std::wstring path = MakeFile(L"chosen.bin");
    dialog_.propInitialFileName(path);
    Script script(dialog_, {WaitForWindow(), Press(IDOK)});
    EXPECT_EQ(script.Show(IFileDialog::kModeOpen), 0);
    EXPECT_FALSE(script.TimedOut());
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    ComPtr<IUnknown> item = dialog_.ResultsItem(1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item.Get(), dialog_.Results().Get());
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(item.Get(), kEditingName, true), path);
    EXPECT_EQ(dialog_.ResultsItem(2), nullptr);
    // The item's parent is the folder it lies in.
    ComPtr<IUnknown> parent = dialog_.IShellItem_GetParent(item.Get(), true);
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(parent.Get(), kEditingName, true), folder_);
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(item.Get(), parent.Get(), 0, true));
    EXPECT_TRUE(dialog_.IShellItem_AreEqual(item.Get(), item.Get(), 0, true));
}

TEST_F(LiveDialog, CloseWithoutErrorCodeReturnsSuccessWithoutAChoice) {
    Script script(dialog_, {WaitForWindow(), [&] {
                                dialog_.DialogClose(false);
                                return true;
                            }});
    EXPECT_EQ(script.Show(IFileDialog::kModeOpen), 0);
    EXPECT_FALSE(script.TimedOut());
    // Nothing was chosen, so the dialog has no result to give.
    ExpectNoResult();
}

TEST_F(LiveDialog, PickingAFolder) {
    const std::wstring inner = folder_ + L"\\inner";
    std::filesystem::create_directories(inner);
    dialog_.propInitialFileName(inner);
    Script script(dialog_, {WaitForWindow(), Press(IDOK)});
    EXPECT_EQ(script.Show(IFileDialog::kModePickFolder), 0);
    EXPECT_FALSE(script.TimedOut());
    ASSERT_EQ(dialog_.ResultsCount(), 1);
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(dialog_.ResultsItem(1).Get(), kEditingName, true),
              inner);
}

TEST_F(LiveDialog, StartupFolderFromTheCallersItemIdList) {
    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(::SHILCreateFromPath(folder_.c_str(), &list, nullptr), S_OK);
    dialog_.propStartupFolder_Set(
        Variant(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(list))));
    std::wstring seen;
    Script script(dialog_, {WaitForWindow(), [&] {
                                seen = dialog_.IShellItem_GetDisplayName(
                                    dialog_.DialogGetCurrentFolder().Get(), kEditingName, true);
                                dialog_.DialogClose(true);
                                return true;
                            }});
    script.Show(IFileDialog::kModeOpen);
    EXPECT_FALSE(script.TimedOut());
    EXPECT_EQ(seen, folder_);
    // The list is still the caller's to free.
    EXPECT_GT(::ILGetSize(list), 0u);
    ::CoTaskMemFree(list);
}

TEST_F(LiveDialog, StartupFolderAsVirtualFolderAndLinuxPath) {
    std::wstring computer, linuxFolder;
    const auto showIn = [&](const Variant& folder, std::wstring& seen) {
        dialog_.propStartupFolder_Set(folder);
        Script script(dialog_, {WaitForWindow(), [&] {
                                    seen = dialog_.IShellItem_GetDisplayName(
                                        dialog_.DialogGetCurrentFolder().Get(), 0, true);
                                    dialog_.DialogClose(true);
                                    return true;
                                }});
        script.Show(IFileDialog::kModeOpen);
        EXPECT_FALSE(script.TimedOut());
    };
    showIn(Variant(L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}"), computer);
    // Linux folders appear under drive Z:.
    std::filesystem::create_directories(L"Z:\\tmp\\octolume_dialogs_z");
    showIn(Variant(L"Z:\\tmp\\octolume_dialogs_z"), linuxFolder);
    std::filesystem::remove_all(L"Z:\\tmp\\octolume_dialogs_z");
    EXPECT_EQ(computer, L"My Computer");
    EXPECT_EQ(linuxFolder, L"octolume_dialogs_z");
}

} // namespace
} // namespace octolume::test
