// The program as the release zip delivers it, unpacked by the release_zip test into a
// folder whose name has blanks. Its picture is the README's screenshot.
#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace octolume::test {
namespace {

TEST(ReleaseZip, TheUnpackedProgramShowsADroppedFile) {
    const wchar_t* relative = _wgetenv(L"OCTOLUME_RELEASE_FOLDER");
    ASSERT_NE(relative, nullptr);
    std::wstring folder = ProgramFolder();
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\" + relative;
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    ASSERT_NE(folder.find(L' '), std::wstring::npos);
    Process program(folder + L"\\Octolume32.exe", folder);
    const HWND window = program.Find(IsMainWindow);
    ASSERT_NE(window, nullptr) << "the unpacked program showed no window";

    TempFolder files;
    const std::wstring path = files.Write(L"hello from the zip.txt", "Hello from the zip!");
    ASSERT_TRUE(Drop(window, path));
    EXPECT_EQ(WindowText(::GetDlgItem(window, IDC_LBL_FILE_NAME)), path);
    EXPECT_EQ(WindowText(::GetDlgItem(window, IDC_RTF_OCTOLUME)),
              L"Offset    00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  ASCII\r\n"
              L"00000000  48 65 6C 6C 6F 20 66 72  6F 6D 20 74 68 65 20 7A  |Hello from the z|\r\n"
              L"00000010  69 70 21" +
                  std::wstring(42, L' ') + L"|ip!|\r\n");
    EXPECT_TRUE(Screenshot(window, L"release_program.png"));
}

} // namespace
} // namespace octolume::test
