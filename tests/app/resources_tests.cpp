// The program's own resources, read from the built Octolume32.exe.
#include "about_box.h"
#include "resource.h"
#include "support/app_error.h"
#include "support/owners.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace octolume::test {
namespace {

std::wstring ProgramPath() {
    return BuiltFile(L"Octolume32.exe");
}

class ProgramResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        program.reset(::LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_NE(program, nullptr) << "Octolume32.exe is not built";
    }

    std::string_view Resource(const wchar_t* type, int id) const {
        const HRSRC found = ::FindResourceW(program.get(), MAKEINTRESOURCEW(id), type);
        if (found == nullptr) {
            return {};
        }
        const auto* data =
            static_cast<const char*>(::LockResource(::LoadResource(program.get(), found)));
        return {data, ::SizeofResource(program.get(), found)};
    }

    LibraryHandle program;
};

TEST_F(ProgramResourcesTest, FirstIconHasA256Colour16AndA24Bit32Image) {
    const std::string_view directory = Resource(RT_GROUP_ICON, IDI_OCTOLUME32);
    ASSERT_GE(directory.size(), 6u);
    const auto* bytes = reinterpret_cast<const BYTE*>(directory.data());
    const WORD count = *reinterpret_cast<const WORD*>(bytes + 4);
    ASSERT_EQ(count, 2);
    ASSERT_EQ(directory.size(), 6u + 14u * count);
    struct Image {
        int width, height, bits;
        bool operator==(const Image&) const = default;
    };
    std::vector<Image> images;
    for (int index = 0; index < count; ++index) {
        const BYTE* entry = bytes + 6 + 14 * index;
        images.push_back({entry[0], entry[1], *reinterpret_cast<const WORD*>(entry + 6)});
    }
    EXPECT_EQ(images[0], (Image{16, 16, 8}));
    EXPECT_EQ(images[1], (Image{32, 32, 24}));
}

TEST_F(ProgramResourcesTest, ManifestAsksForVisualStylesDpiAwarenessAndNoElevation) {
    const std::string_view manifest = Resource(RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty());
    for (const std::string_view expected :
         {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "level=\"asInvoker\"",
          ">true</dpiAware>", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(expected), std::string_view::npos) << expected;
    }
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
        return {};
    }
    return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST(ProgramVersion, Is2000WithProductNameAndDescription) {
    const std::wstring path = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "Octolume32.exe is not built";
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 2));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 2));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Octolume32");
    EXPECT_EQ(VersionString(info, L"FileDescription"), L"Binary content viewer");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.00");
}

// The About command reports a missing version resource instead of showing a box.
TEST(AboutVersion, AModuleWithoutAVersionResourceIsAnError) {
    const LibraryHandle module(
        ::LoadLibraryExW(BuiltFile(L"octolume.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_NE(module, nullptr);
    try {
        ReadProgramVersion(module.get());
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), 326);
    }
}

} // namespace
} // namespace octolume::test
