// The program as the release zip delivers it, unpacked into a folder whose name has blanks
// (the folder comes from the release_zip test, relative to the build folder).
#include "driver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace octolume::test {
namespace {

std::wstring ReleaseFolder() {
    const wchar_t* relative = _wgetenv(L"OCTOLUME_RELEASE_FOLDER");
    std::wstring folder = BuildFolder() + L"\\" + (relative ? relative : L"");
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    return folder;
}

TEST(ReleaseZip, TheUnpackedProgramShowsADroppedFile) {
    const std::wstring folder = ReleaseFolder();
    ASSERT_NE(folder.find(L' '), std::wstring::npos);
    ProgramProcess program(folder + L"\\Octolume32.exe", folder);
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr) << "the unpacked program showed no window";

    TempFolder files;
    const std::wstring path = files.Write(L"hello from the zip.txt", "Hello from the zip!");
    ASSERT_TRUE(OpenFileByDrop(window, path));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(ControlOf(window, IDC_LBL_FILE_NAME)) == path; },
                          kWindowTimeout));
    EXPECT_EQ(ViewText(ControlOf(window, IDC_RTF_OCTOLUME)),
              L"Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
              L"00000000  48 65 6C 6C 6F 20 66 72  6F 6D 20 74 68 65 20 7A  |Hello from the z|\r\n"
              L"00000010  69 70 21" +
                  std::wstring(42, L' ') + L"|ip!|\r\n");
    EXPECT_TRUE(TakeScreenshot(window, BuildFolder() + L"\\screenshots\\release_program.png"));
}

} // namespace
} // namespace octolume::test
