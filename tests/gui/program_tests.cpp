// The real program started under Wine: from any folder that holds its engine, and from
// folders whose engine it may not load.
#include "driver.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

TEST(Program, StartsFromAnyFolderWithItsEngineAndEndsByTheCloseBox) {
    TempFolder folder, elsewhere;
    folder.CopyIn(BuiltFile(L"octolume.dll"), L"octolume.dll");
    Process program(folder.CopyIn(BuiltFile(L"Octolume32.exe"), L"Octolume32.exe"),
                    elsewhere.Path());
    const HWND window = program.Find(IsMainWindow);
    ASSERT_NE(window, nullptr) << "no main window"; // its make-up is tested in process
    EXPECT_EQ(WindowText(::GetDlgItem(window, IDC_LBL_FILE_NAME)), L"File:");

    // The close box at the right end of the caption that Wine draws.
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const int border = ::GetSystemMetrics(SM_CXFRAME) + ::GetSystemMetrics(SM_CXPADDEDBORDER);
    const int x = frame.right - border - ::GetSystemMetrics(SM_CXSIZE) / 2;
    const int y = frame.top + border + ::GetSystemMetrics(SM_CYCAPTION) / 2;
    ASSERT_TRUE(Xdotool(window, L"mousemove --sync " + std::to_wstring(x) + L" " +
                                    std::to_wstring(y) + L" click 1"));
    EXPECT_EQ(program.ExitCode(), 0u) << "the close box did not end the program";
}

// planted_marker.dll, planted as octolume.dll in the current directory, leaves
// "octolume.dll.ran" if the program loads it. No engine beside the program; or an engine
// in a folder outside the ANSI code page, whose best-fit name is the planted one's folder.
TEST(Program, WithoutAnEngineItMayLoadShowsTheStartUpErrorAndNoWindow) {
    for (const auto& [name, withEngine] : {std::pair{L"p", false}, std::pair{L"\u0101", true}}) {
        SCOPED_TRACE(withEngine ? "engine in a folder outside the ANSI code page" : "no engine");
        TempFolder temp;
        const std::wstring lookAlike = temp.Subfolder(L"a"), folder = name + std::wstring(L"\\");
        temp.CopyIn(BuiltFile(L"planted_marker.dll"), L"a\\octolume.dll");
        temp.Subfolder(name);
        if (withEngine)
            temp.CopyIn(BuiltFile(L"octolume.dll"), folder + L"octolume.dll");
        Process program(temp.CopyIn(BuiltFile(L"Octolume32.exe"), folder + L"Octolume32.exe"),
                        lookAlike);
        const HWND box = program.Find(IsBox);
        ASSERT_NE(box, nullptr) << "no error box";
        EXPECT_EQ(WindowText(box), L"Octolume32");
        EXPECT_EQ(BoxText(box), L"Run-time error '-2147221504':\r\n\r\nError loading DLL - "
                                L"octolume.dll");
        EXPECT_EQ(program.Find(IsMainWindow, milliseconds{0}), nullptr);
        EXPECT_FALSE(Exists(lookAlike + L"\\octolume.dll.ran")) << "the planted engine was loaded";
        ASSERT_TRUE(Dismiss(box));
        EXPECT_EQ(program.ExitCode(), 1u);
    }
}

} // namespace
} // namespace octolume::test
