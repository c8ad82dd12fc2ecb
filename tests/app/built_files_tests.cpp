// What start-up and About read from the built files: the engine and the program's resources.
#include "about_box.h"
#include "resource.h"
#include "startup.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {

template <class Call> void ExpectError(Call call, const std::wstring& fatalText) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(MOctolume::FatalErrorText(error), fatalText);
    }
}

// The path goes through LoadLibraryA: one outside the ANSI code page fails even where a
// library is, which loads by its real name.
TEST(LoadEngineLibrary, MissingOrOutsideTheAnsiCodePageIsTheLoadError) {
    const std::wstring loadError =
        L"Run-time error '-2147221504':\r\n\r\nError loading DLL - octolume.dll";
    ExpectError([] { MOctolume::LoadEngineLibrary(L"C:\\no such folder\\octolume.dll"); },
                loadError);
    const TempFolder temp;
    const std::wstring copy = temp.CopyIn(BuiltFile(L"octolume.dll"), L"\u0398\u03a9 engine.dll");
    const HMODULE direct = LoadLibraryW(copy.c_str());
    EXPECT_NE(direct, nullptr);
    FreeLibrary(direct);
    ExpectError([&] { MOctolume::LoadEngineLibrary(copy); }, loadError);
}

// The exit sequence releases the engine by name: start-up leaves exactly one reference.
TEST(LoadEngineLibrary, LoadsTheEngineBesideTheProgramWithOneReference) {
    ASSERT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
    MOctolume::LoadEngineLibrary(MOctolume::EngineLibraryPath(MOctolume::ProgramFolder()));
    const HMODULE loaded = GetModuleHandleW(L"octolume.dll");
    ASSERT_NE(loaded, nullptr);
    EXPECT_NE(GetProcAddress(loaded, "DoOctolume"), nullptr);
    FreeLibrary(loaded);
    EXPECT_EQ(GetModuleHandleW(L"octolume.dll"), nullptr);
}

std::string_view Resource(HMODULE module, const wchar_t* type, int id) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    return {static_cast<const char*>(LockResource(LoadResource(module, found))),
            found ? SizeofResource(module, found) : 0};
}

TEST(ProgramResources, IconsManifestAndVersion) {
    const std::wstring path = BuiltFile(L"Octolume32.exe");
    const LibraryHandle program(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_NE(program, nullptr);
    // A count at byte 4, then entries of 14 bytes: width, height, ..., bits at 6.
    const std::string_view icons = Resource(program.get(), RT_GROUP_ICON, IDI_OCTOLUME32);
    EXPECT_EQ(icons.substr(4, 2), std::string_view("\2\0", 2));
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
    ASSERT_NE(fixed, nullptr);
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
    ExpectError([&] { ReadProgramVersion(engine.get()); },
                L"Run-time error '326':\r\n\r\nResource with identifier '1' not found");
}

} // namespace octolume::test
