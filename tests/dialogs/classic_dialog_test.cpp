// cFileDialog's ShowOpen and ShowSave on Wine's real dialog, with a script acting inside.

#include "dialog_script.h"
#include "dialogs/classic_file_dialog.h"
#include "support/app_error.h"

#include <windows.h>

namespace octolume::test {
namespace {

BOOL CALLBACK MatchShownDialog(HWND window, LPARAM found) {
    wchar_t className[16] = L"";
    ::GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The dialog this thread shows, if any: the facade keeps its wrapper to itself.
HWND ShownDialogOfThisThread() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchShownDialog,
                        reinterpret_cast<LPARAM>(&found));
    return found;
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

class ClassicDialog : public ShownDialogTest {
protected:
    Step WaitForWindow() {
        return [this] { return (window_ = ShownDialogOfThisThread()) != nullptr; };
    }
    // The user types a name into the file name box.
    Step TypeName(const std::wstring& name) {
        return [this, name] {
            return ::SetWindowTextW(::FindWindowExW(window_, nullptr, L"Edit", nullptr),
                                    name.c_str()) != FALSE;
        };
    }
    // The user picks another entry of the file type list.
    Step PickFileType(int index) {
        return [this, index] {
            const HWND types = ::FindWindowExW(window_, nullptr, L"ComboBox", nullptr);
            ::SendMessageW(types, CB_SETCURSEL, index, 0);
            ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(types), CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(types));
            return true;
        };
    }
    std::wstring Show(std::wstring (cFileDialog::*show)(), std::vector<Step> steps) {
        return RunScript(
            std::move(steps),
            [] { ::PostMessageW(ShownDialogOfThisThread(), WM_COMMAND, IDCANCEL, 0); },
            [&] { return (dialog_.*show)(); });
    }

    cFileDialog dialog_;
};

TEST_F(ClassicDialog, OneObjectOverSeveralShowings) {
    const std::wstring first = MakeFile(L"first.bin"), second = MakeFile(L"second.bin");
    const SelectedFileList& selected = dialog_.SelectedFiles();
    dialog_.FileName(first);
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDOK)}), first);

    // The user takes another file of another file type; the settings keep what was set.
    dialog_.Filter(L"Binary|*.bin|Everything|*.*");
    dialog_.FilterIndex(1);
    EXPECT_EQ(Show(&cFileDialog::ShowOpen,
                   {WaitForWindow(), PickFileType(0), TypeName(second), Press(IDOK)}),
              second);
    EXPECT_EQ(dialog_.FileName(), first);
    EXPECT_EQ(dialog_.FilterIndex(), 1);
    ASSERT_EQ(selected.Count(), 2);
    EXPECT_EQ(selected.Item(1), first);
    EXPECT_EQ(selected.Item(2), second);
    EXPECT_EQ(RaisedNumber([&] { selected.Item(0); }), 9);
    EXPECT_EQ(RaisedNumber([&] { selected.Item(3); }), 9);

    // A cancel is quiet, or error 32755 when asked for; the chosen files stay.
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDCANCEL)}), L"");
    dialog_.CancelError(true);
    EXPECT_EQ(RaisedNumber([&] {
                  Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDCANCEL)});
              }),
              32755);
    EXPECT_EQ(selected.Count(), 2);
}

TEST_F(ClassicDialog, ThreeFilesAreJoinedByNulAndKeptInOrder) {
    const std::vector<std::wstring> expected = {MakeFile(L"one.bin"), MakeFile(L"two.bin"),
                                                MakeFile(L"three.bin")};
    dialog_.Flags(0x200 | 0x1800); // several files, which must exist
    dialog_.InitDir(folder_);
    dialog_.FileName(L"\"one.bin\" \"two.bin\" \"three.bin\"");
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDOK)}),
              expected[0] + L'\0' + expected[1] + L'\0' + expected[2]);
    EXPECT_EQ(
        std::vector<std::wstring>(dialog_.SelectedFiles().begin(), dialog_.SelectedFiles().end()),
        expected);
}

TEST_F(ClassicDialog, SaveGivesTheChosenPathAndLeavesTheSelectedFiles) {
    dialog_.FileName(folder_ + L"\\saved.bin");
    EXPECT_EQ(Show(&cFileDialog::ShowSave, {WaitForWindow(), Press(IDOK)}), dialog_.FileName());
    EXPECT_EQ(dialog_.SelectedFiles().Count(), 0);
}

// The wrapper refuses a second showing while one is open (-1); the facade raises that.
TEST_F(ClassicDialog, AWrapperFailureIsRaisedWithItsNumber) {
    std::int32_t nested = 0;
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(),
                                            [&] {
                                                nested = RaisedNumber([&] { dialog_.ShowOpen(); });
                                                return true;
                                            },
                                            Press(IDCANCEL)}),
              L"");
    EXPECT_EQ(nested, -1);
}

TEST(ClassicDialogSettings, DefaultExtensionLosesOneLeadingDot) {
    cFileDialog dialog;
    for (const auto& [set, kept] : {std::pair{L".txt", L"txt"},
                                    {L"txt", L"txt"},
                                    {L"..txt", L".txt"},
                                    {L"", L""},
                                    {L".", L""}}) {
        dialog.DefaultExtension(set);
        EXPECT_EQ(dialog.DefaultExtension(), kept);
    }
}

} // namespace
} // namespace octolume::test
