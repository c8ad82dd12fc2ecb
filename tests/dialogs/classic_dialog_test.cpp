// cFileDialog on Wine's real common item dialog, with a script of steps acting inside
// ShowOpen and ShowSave.

#include "dialogs/classic_file_dialog.h"
#include "shown_dialog_test.h"
#include "support/app_error.h"

#include <windows.h>

#include <string>
#include <vector>

namespace octolume::test {
namespace {

constexpr std::int32_t kOpenOptions = 0x1800;  // path and file must exist
constexpr std::int32_t kMultipleFiles = 0x200; // FOS_ALLOWMULTISELECT

BOOL CALLBACK MatchShownDialog(HWND window, LPARAM parameter) {
    wchar_t className[16] = L"";
    ::GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(parameter) = window;
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
    using ShowFunction = std::wstring (cFileDialog::*)();

    Step WaitForWindow() {
        return [this] {
            window_ = ShownDialogOfThisThread();
            return window_ != nullptr;
        };
    }
    // The user types a name into the dialog's file name box.
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

    // Runs ShowOpen or ShowSave with the steps acting inside it.
    std::wstring Show(ShowFunction show, std::vector<Step> steps) {
        DialogScript script(std::move(steps), [] {
            ::PostMessageW(ShownDialogOfThisThread(), WM_COMMAND, IDCANCEL, 0);
        });
        std::wstring result = script.Run([&] { return (dialog_.*show)(); });
        EXPECT_FALSE(script.TimedOut());
        EXPECT_TRUE(script.Finished());
        return result;
    }

    cFileDialog dialog_;
};

TEST_F(ClassicDialog, OneObjectOverSeveralShowings) {
    const std::wstring first = MakeFile(L"first.bin");
    const std::wstring second = MakeFile(L"second.bin");
    const SelectedFileList& selected = dialog_.SelectedFiles();

    dialog_.FileName(first);
    EXPECT_EQ(Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDOK)}), first);

    // The user takes another file and another file type; the settings keep what was set.
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
    const std::wstring expected[] = {MakeFile(L"one.bin"), MakeFile(L"two.bin"),
                                     MakeFile(L"three.bin")};
    dialog_.Flags(kMultipleFiles | kOpenOptions);
    dialog_.InitDir(folder_);
    dialog_.FileName(L"\"one.bin\" \"two.bin\" \"three.bin\"");
    const std::wstring result = Show(&cFileDialog::ShowOpen, {WaitForWindow(), Press(IDOK)});

    const SelectedFileList& selected = dialog_.SelectedFiles();
    ASSERT_EQ(selected.Count(), 3);
    EXPECT_EQ(result, selected.Item(1) + L'\0' + selected.Item(2) + L'\0' + selected.Item(3));
    EXPECT_EQ(std::vector<std::wstring>(selected.begin(), selected.end()),
              std::vector<std::wstring>(std::begin(expected), std::end(expected)));
}

TEST_F(ClassicDialog, SaveGivesTheChosenPathAndLeavesTheSelectedFiles) {
    const std::wstring path = folder_ + L"\\saved.bin";
    dialog_.FileName(path);
    EXPECT_EQ(Show(&cFileDialog::ShowSave, {WaitForWindow(), Press(IDOK)}), path);
    EXPECT_EQ(dialog_.SelectedFiles().Count(), 0);
}

// A second showing while one is open is refused by the wrapper (-1), which the facade
// raises as it is.
TEST_F(ClassicDialog, AWrapperFailureIsRaisedWithItsNumber) {
    std::int32_t nested = 0;
    const std::wstring result =
        Show(&cFileDialog::ShowOpen, {WaitForWindow(),
                                      [&] {
                                          nested = RaisedNumber([&] { dialog_.ShowOpen(); });
                                          return true;
                                      },
                                      Press(IDCANCEL)});
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(result, L"");
}

TEST(ClassicDialogSettings, DefaultExtensionLosesOneLeadingDot) {
    cFileDialog dialog;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L".txt", L"txt"}, {L"txt", L"txt"}, {L"..txt", L".txt"}, {L"", L""}, {L".", L""}};
    for (const auto& [set, stored] : cases) {
        dialog.DefaultExtension(set);
        EXPECT_EQ(dialog.DefaultExtension(), stored) << std::string(set.begin(), set.end());
    }
}

} // namespace
} // namespace octolume::test
