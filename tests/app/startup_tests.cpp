// Start-up: where the engine is looked for, how it is loaded and how a failed load reads.
#include "startup.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace octolume::test {
namespace {

using namespace MOctolume;

TEST(EngineLibraryPath, AddsOneBackslashOnlyWhenTheFolderLacksIt) {
    EXPECT_EQ(EngineLibraryPath(L"C:\\Program Files\\Octolume32"),
              L"C:\\Program Files\\Octolume32\\octolume.dll");
    EXPECT_EQ(EngineLibraryPath(L"C:\\"), L"C:\\octolume.dll");
    EXPECT_EQ(EngineLibraryPath(L"\\\\server\\share"), L"\\\\server\\share\\octolume.dll");
}

TEST(FolderOfPath, KeepsTheBackslashOfADriveRootOnly) {
    EXPECT_EQ(FolderOfPath(L"C:\\Tools\\Octolume32.exe"), L"C:\\Tools");
    EXPECT_EQ(FolderOfPath(L"C:\\Octolume32.exe"), L"C:\\");
    EXPECT_EQ(FolderOfPath(L"\\\\server\\share\\Octolume32.exe"), L"\\\\server\\share");
    EXPECT_EQ(EngineLibraryPath(FolderOfPath(L"D:\\Octolume32.exe")), L"D:\\octolume.dll");
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
    wchar_t self[MAX_PATH]{};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const std::wstring folder = ProgramFolder();
    EXPECT_EQ(std::wstring(self).rfind(folder + L"\\", 0), 0u) << folder;
    EXPECT_NE(folder.back(), L'\\');
}

void ExpectEngineLoadError(const std::wstring& path) {
    try {
        LoadEngineLibrary(path);
        ADD_FAILURE() << "no error for " << std::string(path.begin(), path.end());
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), -2147221504);
        EXPECT_EQ(error.Description(), L"Error loading DLL - octolume.dll");
    }
}

TEST(LoadEngineLibrary, MissingLibraryRaisesTheLoadError) {
    ExpectEngineLoadError(L"C:\\no such folder\\octolume.dll");
}

// The path crosses into LoadLibraryA: a name outside the ANSI code page does not
// survive, so even an existing library there cannot be loaded.
TEST(LoadEngineLibrary, FolderOutsideTheAnsiCodePageFails) {
    const TempFolder temp;
    const std::wstring copy =
        temp.CopyIn(BuiltFile(L"octolume.dll"), L"\u0398\u03a9 viewer engine.dll");

    // By its real name the copy loads; through the ANSI conversion it does not.
    const HMODULE direct = ::LoadLibraryW(copy.c_str());
    EXPECT_NE(direct, nullptr);
    if (direct != nullptr) {
        ::FreeLibrary(direct);
    }
    ExpectEngineLoadError(copy);
}

TEST(LoadEngineLibrary, LoadsTheBuiltEngineAndLeavesOneReference) {
    const std::wstring engine = EngineLibraryPath(ProgramFolder());
    ASSERT_EQ(::GetModuleHandleW(L"octolume.dll"), nullptr);
    LoadEngineLibrary(engine);
    const HMODULE loaded = ::GetModuleHandleW(L"octolume.dll");
    ASSERT_NE(loaded, nullptr);
    EXPECT_NE(::GetProcAddress(loaded, "DoOctolume"), nullptr);
    ::FreeLibrary(loaded);
    EXPECT_EQ(::GetModuleHandleW(L"octolume.dll"), nullptr);
}

TEST(FatalErrorText, ShowsTheNumberAndTheDescription) {
    const AppError error(static_cast<std::int32_t>(0x80040000u),
                         L"Error loading DLL - octolume.dll", 126);
    EXPECT_EQ(FatalErrorText(error),
              L"Run-time error '-2147221504':\r\n\r\nError loading DLL - octolume.dll");
}

} // namespace
} // namespace octolume::test
