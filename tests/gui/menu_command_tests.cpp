// File > Open File... and About on the real program: menus by keyboard, names typed into
// the system's open dialog, the boxes read back.
#include "driver.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace octolume::test {
namespace {

std::vector<HWND> Visible(HWND parent, const wchar_t* className) {
    std::vector<HWND> found;
    for (const HWND child : Descendants(parent))
        if (::IsWindowVisible(child) && ClassNameOf(child) == className)
            found.push_back(child);
    return found;
}

// The share of the icon's pixels on the screen that are clearly blue: the information
// icon is blue, the exclamation icon yellow (no other process gets the icon's handle).
double BlueShare(HWND icon) {
    RECT area{};
    ::GetWindowRect(icon, &area);
    const HDC screen = ::GetDC(nullptr);
    int blue = 0, all = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x, ++all) {
            const COLORREF pixel = ::GetPixel(screen, x, y);
            const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
            blue += b > 120 && b > r + 60 && b > g + 20;
        }
    ::ReleaseDC(nullptr, screen);
    return all == 0 ? 0 : double(blue) / all;
}

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
                if (const HWND dialog = program.Find(isOpenDialog, milliseconds{10000}))
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
    ASSERT_TRUE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &ignored));
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
    const std::vector<HWND> buttons = Visible(about, L"Button");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(::GetDlgCtrlID(buttons[0]), IDOK);
    EXPECT_EQ(WindowText(buttons[0]), L"OK");
    HWND icon = nullptr;
    for (const HWND candidate : Visible(about, L"Static"))
        if ((::GetWindowLongW(candidate, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = candidate;
    EXPECT_TRUE(WaitUntil([&] { return icon && BlueShare(icon) > 0.25; })) << "no information icon";
    ASSERT_TRUE(Dismiss(about));
    EXPECT_EQ(program.ExitCode(milliseconds{0}), STILL_ACTIVE);
}

} // namespace
} // namespace octolume::test
