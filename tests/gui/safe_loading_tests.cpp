// The program loads and opens only what it was given. planted_marker.dll, planted under a
// library's name, leaves "<its path>.ran" when anything loads it.
#include "driver.h"

#include "expected_dumps.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

constexpr wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\Octolume32.exe\\DllOverrides";
// DLLs that the program or the system libraries it uses load at start-up or on a drop.
// (riched20 and usp10 came with the rich-edit control the view once was: nothing loads
// them now.)
constexpr const wchar_t* kPlanted[] = {L"version", L"uxtheme",  L"imm32",
                                       L"msimg32", L"oleaut32", L"oleacc"};

// Removed again at the end, and at the start of every test run after a run that was killed.
struct OverridesRemoved {
    ~OverridesRemoved() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kOverrides); }
};

TEST(SafeLoading, NoPlantedLibraryIsLoadedAndADroppedNameIsNotTurnedIntoALookAlike) {
    TempFolder folder;
    const std::wstring exe = folder.CopyIn(BuiltFile(L"Octolume32.exe"), L"Octolume32.exe");
    folder.CopyIn(BuiltFile(L"octolume.dll"), L"octolume.dll");
    const OverridesRemoved removed;
    for (const wchar_t* name : kPlanted) {
        folder.CopyIn(BuiltFile(L"planted_marker.dll"), name + std::wstring(L".dll"));
        // Wine then prefers a DLL of this name found beside the program over its own, as
        // Windows does for every DLL that is not a known DLL. (WINEDLLOVERRIDES in the
        // program's environment would not do: Wine 8 reads it from the Linux environment,
        // which a Windows parent does not set.) A planted library that is loaded may crash
        // the program: the test prefix shows no crash dialog that could hold it.
        const wchar_t order[] = L"native,builtin";
        ASSERT_EQ(
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, name, REG_SZ, order, sizeof order),
            ERROR_SUCCESS);
    }
    const std::wstring dropped = folder.Write(L"dropped.txt", "dropped");
    folder.Write(L"a.txt", "the look-alike");
    // In ANSI with best fit, this name would be a.txt's.
    const std::wstring unicode = folder.Write(L"\u0101.txt", "outside the ANSI code page");
    {
        Process program(exe, folder.Path());
        const HWND window = program.Find(IsMainWindow);
        ASSERT_NE(window, nullptr) << "no main window";
        const HWND label = ::GetDlgItem(window, IDC_LBL_FILE_NAME);
        EXPECT_TRUE(Drop(window, dropped));
        EXPECT_EQ(WindowText(label), dropped);
        for (const wchar_t* way : {L"--files \"", L"--text \""}) {
            SCOPED_TRACE(way[2] == L'f' ? "dropped as a file" : "dropped as text");
            // Shown as itself, never as its look-alike.
            const auto source = StartDrag(window, way + unicode + L"\"");
            ASSERT_NE(source, nullptr);
            EXPECT_EQ(source->ExitCode(), 0u);
            EXPECT_EQ(WindowText(::GetDlgItem(window, IDC_RTF_OCTOLUME)),
                      ExpectedViewText(std::string_view("outside the ANSI code page")));
            EXPECT_EQ(WindowText(label), unicode);
            EXPECT_TRUE(Drop(window, dropped));
        }
    }
    for (const std::wstring name : kPlanted)
        EXPECT_FALSE(Exists(folder.Path() + L"\\" + name + L".dll.ran"))
            << "the planted " << name << ".dll was loaded";
}

} // namespace
} // namespace octolume::test
