// Start-up: where the engine is looked for and how it loads; the built program's resources.
#include "about_box.h"
#include "resource.h"
#include "startup.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {

using namespace MOctolume;

TEST(EngineLibraryPath, OneBackslashBeforeTheNameAndADriveRootKeepsItsOwn) {
    EXPECT_EQ(EngineLibraryPath(FolderOfPath(L"C:\\Program Files\\O\\Octolume32.exe")),
              L"C:\\Program Files\\O\\octolume.dll");
    EXPECT_EQ(FolderOfPath(L"D:\\Octolume32.exe"), L"D:\\");
    EXPECT_EQ(EngineLibraryPath(L"D:\\"), L"D:\\octolume.dll");
    EXPECT_EQ(FolderOfPath(L"\\\\server\\share\\Octolume32.exe"), L"\\\\server\\share");
}

// The error's text in the box that announces an error nothing else handled.
template <class Call> static std::wstring ErrorOf(Call call) {
    try {
        call();
    } catch (const AppError& error) {
        return FatalErrorText(error);
    }
    return L"no error";
}

// The path goes through LoadLibraryA: one outside the ANSI code page fails even where a
// library is, which loads by its real name. Start-up leaves one reference, which the exit
// sequence releases.
TEST(LoadEngineLibrary, FailsWhenMissingOrOutsideTheAnsiCodePageAndLeavesOneReference) {
    const TempFolder temp;
    const std::wstring copy = temp.CopyIn(BuiltFile(L"octolume.dll"), L"\u0398\u03a9 engine.dll");
    const LibraryHandle direct(LoadLibraryW(copy.c_str()));
    EXPECT_NE(direct, nullptr);
    for (const std::wstring& path : {std::wstring(L"C:\\no such folder\\octolume.dll"), copy})
        EXPECT_EQ(ErrorOf([&] { LoadEngineLibrary(path); }),
                  L"Run-time error '-2147221504':\r\n\r\nError loading DLL - octolume.dll");

    ASSERT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
    LoadEngineLibrary(EngineLibraryPath(MOctolume::ProgramFolder()));
    const HMODULE loaded = GetModuleHandleW(L"octolume.dll");
    EXPECT_NE(GetProcAddress(loaded, "DoOctolume"), nullptr);
    FreeLibrary(loaded);
    EXPECT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
}

static std::string_view Resource(HMODULE module, const wchar_t* type, int id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    return {static_cast<const char*>(LockResource(LoadResource(module, found))),
            found ? SizeofResource(module, found) : 0};
}

TEST(ProgramResources, IconsManifestAndVersion) {
    const std::wstring path = BuiltFile(L"Octolume32.exe");
    const LibraryHandle program(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    // A count at byte 4, then entries of 14 bytes: width, height, ..., bits at 6.
    const std::string_view icons = Resource(program.get(), RT_GROUP_ICON, IDI_OCTOLUME32);
    ASSERT_EQ(icons.size(), 6u + 2 * 14);
    EXPECT_EQ(std::string(icons.substr(6, 2)) + icons[12], "\x10\x10\x08");  // 16 x 16, 256 colours
    EXPECT_EQ(std::string(icons.substr(20, 2)) + icons[26], "\x20\x20\x18"); // 32 x 32, 24 bit
    const std::string_view manifest = Resource(program.get(), RT_MANIFEST, 1);
    for (const char* expected :
         {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "level=\"asInvoker\"",
          ">true</dpiAware>", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(expected), std::string_view::npos) << expected;

    std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, info.size(), info.data()));
    auto value = [&](const std::wstring& name) {
        void* found = nullptr;
        UINT length = 0;
        VerQueryValueW(info.data(), name.c_str(), &found, &length);
        return found;
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    EXPECT_EQ(std::tuple(fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                         fixed->dwProductVersionLS),
              std::tuple(0x20000ul, 0ul, 0x20000ul, 0ul)); // 2.0.0.0
    std::wstring texts;
    for (const std::wstring name : {L"ProductName", L"FileDescription", L"ProductVersion"})
        texts += static_cast<const wchar_t*>(value(L"\\StringFileInfo\\040904B0\\" + name)) +
                 std::wstring(L"|");
    EXPECT_EQ(texts, L"Octolume32|Binary content viewer|2.00|");
    // About reports a module without a version resource instead of showing a box.
    const LibraryHandle engine(
        LoadLibraryExW(BuiltFile(L"octolume.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_EQ(ErrorOf([&] { ReadProgramVersion(engine.get()); }),
              L"Run-time error '326':\r\n\r\nResource with identifier '1' not found");
}

} // namespace octolume::test
