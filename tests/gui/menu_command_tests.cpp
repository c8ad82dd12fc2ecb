// File > Open File... and About on the real program: menus by keyboard, names typed into
// the system's open dialog, the boxes read back.
#include "driver.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace octolume::test {
namespace {

TEST(Menus, OpenFileShowsATypedNameRefusesAMissingOneAndAboutShowsTheVersion) {
    TempFolder folder;
    const std::wstring path = folder.Write(L"all bytes.bin", AllByteValues());
    Process program(BuiltFile(L"Octolume32.exe"), folder.Path());
    const HWND window = program.Find(IsMainWindow);
    ASSERT_NE(window, nullptr);
    const HWND label = ::GetDlgItem(window, IDC_LBL_FILE_NAME);
    // Wine can lose the first key press while it hands the focus back from a closed
    // dialog: then Escape leaves whatever menu is open and the command is typed once more.
    const auto openDialog = [&] {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const auto isOpenDialog = [](HWND w) {
                return IsBox(w) && WindowText(w) == L"Load File";
            };
            if (Xdotool(window, L"key --clearmodifiers alt+f o"))
                if (const HWND dialog = program.Find(isOpenDialog, Scaled(milliseconds{10000})))
                    return dialog;
            std::fprintf(stderr, "the Open command went unanswered: Escape, then once more\n");
            Xdotool(nullptr, L"key --clearmodifiers Escape");
        }
        return HWND{};
    };

    // A bare name is found in the folder the dialog opens in: the current directory.
    HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr) << "no dialog titled Load File";
    ASSERT_TRUE(Xdotool(dialog, L"type --clearmodifiers -- 'all bytes.bin'"));
    ASSERT_TRUE(Xdotool(dialog, L"key --clearmodifiers Return"));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(label) == path; }));
    EXPECT_EQ(WindowText(::GetDlgItem(window, IDC_RTF_OCTOLUME)), Wide(kAllByteValuesDump));

    // The dialog refuses a name that does not exist and stays open; Escape then changes
    // nothing and shows no box.
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Xdotool(dialog, L"type --clearmodifiers -- '" + folder.Path() + L"\\missing'"));
    ASSERT_TRUE(Xdotool(dialog, L"key --clearmodifiers Return"));
    const HWND refusal =
        program.Find([&](HWND w) { return IsBox(w) && ::GetWindow(w, GW_OWNER) == dialog; });
    ASSERT_NE(refusal, nullptr) << "the missing name was not refused";
    ASSERT_TRUE(Dismiss(refusal));
    EXPECT_TRUE(::IsWindowVisible(dialog));
    ASSERT_TRUE(Xdotool(dialog, L"key --clearmodifiers Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }));
    // Answered once the command has returned, or from inside a box it shows.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                      static_cast<UINT>(kTimeout.count()), &ignored));
    EXPECT_EQ(program.Find(IsBox, milliseconds{0}), nullptr) << "a box appeared";
    EXPECT_EQ(WindowText(label), path);
    EXPECT_EQ(WindowText(::GetDlgItem(window, IDC_RTF_OCTOLUME)), Wide(kAllByteValuesDump));

    ASSERT_TRUE(Xdotool(window, L"key --clearmodifiers alt+a"));
    const HWND about = program.Find(IsBox);
    ASSERT_NE(about, nullptr) << "no About box";
    EXPECT_EQ(WindowText(about), L"Octolume32");
    EXPECT_EQ(BoxText(about), L"Octolume32 v2.0.0\r\n\r\nDeveloped by Marrowind Software\r\n"
                              L"https://marrowind.example/octolume32\r\n\r\n"
                              L"This utility may be distributed and used at no cost.");
    // Its buttons and icon are checked in process.
    ASSERT_TRUE(Dismiss(about));
    EXPECT_EQ(program.ExitCode(milliseconds{0}), STILL_ACTIVE);
}

} // namespace
} // namespace octolume::test
