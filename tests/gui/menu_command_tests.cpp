// File > Open File... and About on the real program, driven like a user: the menus by
// keyboard, names typed into the system's open dialog, and the boxes read back.
#include "driver.h"
#include "resource.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace octolume::test {
namespace {

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// The About text for the version in the built program's own version resource, so a
// version bump cannot pass with a stale text.
std::wstring ExpectedAboutText() {
    const std::wstring program = BuiltProgramPath();
    DWORD ignored = 0;
    std::vector<BYTE> info(::GetFileVersionInfoSizeW(program.c_str(), &ignored));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (info.empty() ||
        !::GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
        return L"(no version resource)";
    }
    // Major, minor and revision: the first, second and fourth of the four numbers.
    const std::wstring version = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(LOWORD(fixed->dwFileVersionLS));
    return L"Octolume32 v" + version +
           L"\r\n"
           L"\r\n"
           L"Developed by Marrowind Software\r\n"
           L"https://marrowind.example/octolume32\r\n"
           L"\r\n"
           L"This utility may be distributed and used at no cost.";
}

// The share of the box's icon that is blue (the information icon) and yellow (the
// exclamation icon), as the screen shows it.
struct IconColours {
    double blue = 0;
    double yellow = 0;
};

IconColours ColoursOfTheIcon(HWND box) {
    HWND icon = nullptr;
    for (const HWND candidate : ChildrenOfClass(box, L"Static")) {
        if ((::GetWindowLongW(candidate, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = candidate;
        }
    }
    const Picture picture = CaptureWindow(box);
    if (icon == nullptr || picture.pixels.empty()) {
        return {};
    }
    RECT frame{}, area{};
    ::GetWindowRect(box, &frame);
    ::GetWindowRect(icon, &area);
    int blue = 0, yellow = 0, all = 0;
    for (int y = area.top - frame.top; y < area.bottom - frame.top; ++y) {
        for (int x = area.left - frame.left; x < area.right - frame.left; ++x) {
            if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
                continue;
            }
            const COLORREF pixel = picture.At(x, y);
            const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
            blue += b > 120 && b > r + 60 && b > g + 20;
            yellow += r > 160 && g > 140 && b < 100;
            ++all;
        }
    }
    return all == 0 ? IconColours{} : IconColours{double(blue) / all, double(yellow) / all};
}

class MenuCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(program_.window, nullptr); }

    // The program's current directory is the test folder.
    TempFolder folder_;
    ShownProgram program_{folder_.Path()};
};

TEST_F(MenuCommandTest, OpenFileShowsTypedFilesRefusesMissingOnesAndEscapeChangesNothing) {
    const std::wstring first = folder_.Write(L"all bytes.bin", AllByteValues());
    const std::wstring second = folder_.Write(L"pattern.bin", PatternBytes(33));

    // A bare name is found in the folder the dialog opens in: the current directory.
    ASSERT_TRUE(OpenFileThroughDialog(program_.window, L"all bytes.bin"));
    ASSERT_TRUE(program_.LabelBecomes(first));
    EXPECT_EQ(ViewText(program_.View()), Widen(kAllByteValuesDump));
    ASSERT_TRUE(OpenFileThroughDialog(program_.window, second));
    ASSERT_TRUE(program_.LabelBecomes(second));
    EXPECT_EQ(ViewText(program_.View()), Widen(kPattern33Dump));

    ASSERT_TRUE(TypeKeys(program_.window, {L"alt+f", L"o"}));
    const HWND dialog = WaitForDialog(program_.window, L"Load File");
    ASSERT_NE(dialog, nullptr) << "no dialog titled Load File";
    const std::vector<HWND> fileTypes = ChildrenOfClass(dialog, L"ComboBox");
    ASSERT_EQ(fileTypes.size(), 1u);
    EXPECT_EQ(WindowText(fileTypes.front()), L"All Files");
    TakeScreenshot(dialog, BuildFolder() + L"\\screenshots\\open_file_dialog.png");

    // The dialog itself refuses a name that does not exist, and stays open.
    ASSERT_TRUE(TypeText(dialog, folder_.Path() + L"\\missing.bin"));
    ASSERT_TRUE(TypeKeys(dialog, {L"Return"}));
    const HWND refusal = WaitForOwnedDialog(dialog);
    ASSERT_NE(refusal, nullptr) << "the missing name was not refused";
    ASSERT_TRUE(DismissMessageBox(refusal));
    EXPECT_TRUE(::IsWindowVisible(dialog));

    // Escape: the dialog goes, nothing changes and no box appears.
    ASSERT_TRUE(TypeKeys(dialog, {L"Escape"}));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, kWindowTimeout));
    // Answered once the command has returned, or from inside a box it shows.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(
        ::SendMessageTimeoutW(program_.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &ignored));
    for (const HWND window : program_.process.TopLevelWindows()) {
        EXPECT_NE(ClassNameOf(window), L"#32770") << "a box appeared: " << WindowText(window);
    }
    EXPECT_EQ(WindowText(program_.label), second);
    EXPECT_EQ(ViewText(program_.View()), Widen(kPattern33Dump));
}

TEST_F(MenuCommandTest, AboutShowsTheVersionAndMakerInAnInformationBox) {
    ASSERT_TRUE(TypeKeys(program_.window, {L"alt+a"}));
    const HWND box = WaitForDialog(program_.window, L"Octolume32");
    ASSERT_NE(box, nullptr) << "no About box";
    EXPECT_EQ(ReadMessageBox(box).text, ExpectedAboutText());
    const std::vector<HWND> buttons = ChildrenOfClass(box, L"Button");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(::GetDlgCtrlID(buttons.front()), IDOK);
    EXPECT_EQ(WindowText(buttons.front()), L"OK");
    const IconColours icon = ColoursOfTheIcon(box);
    EXPECT_GT(icon.blue, 0.25) << "no information icon";
    EXPECT_LT(icon.yellow, 0.02);
    TakeScreenshot(box, BuildFolder() + L"\\screenshots\\about_box.png");

    ASSERT_TRUE(DismissMessageBox(box));
    EXPECT_TRUE(program_.process.IsRunning());
}

} // namespace
} // namespace octolume::test
