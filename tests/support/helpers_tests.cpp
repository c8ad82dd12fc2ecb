#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"

#include <gtest/gtest.h>

#include <vector>

namespace octolume::test {
namespace {

TEST(StringsEqual, ExactComparison) {
    EXPECT_FALSE(StringsEqual(L"abc", L"ABC", 0));
    EXPECT_TRUE(StringsEqual(L"", L"", 0));
    EXPECT_FALSE(StringsEqual(L"abc", L"abcd", 0));
    EXPECT_TRUE(StringsEqual(L"{00000000-0000-0000-0000-000000000000}",
                             L"{00000000-0000-0000-0000-000000000000}", 0));
    EXPECT_FALSE(StringsEqual(L"a\0b", std::wstring(L"a\0c", 3), 0));
}

TEST(StringsEqual, IgnoringCase) {
    EXPECT_TRUE(StringsEqual(L"abc", L"ABC", 1));
    EXPECT_TRUE(StringsEqual(L"\u00e9t\u00e9", L"\u00c9T\u00c9", -7));
    EXPECT_FALSE(StringsEqual(L"abc", L"abd", 1));
    // Different lengths never match, whatever the locale's rules would say.
    EXPECT_FALSE(StringsEqual(L"stra\u00dfe", L"STRASSE", 1));
}

SafeArrayOwner MakeArray(std::initializer_list<SAFEARRAYBOUND> bounds) {
    std::vector<SAFEARRAYBOUND> list(bounds);
    return SafeArrayOwner(SafeArrayCreate(VT_I4, static_cast<UINT>(list.size()), list.data()));
}

TEST(SafeUBound, OneDimension) {
    SafeArrayOwner owner = MakeArray({{4, 0}});
    SAFEARRAY* array = owner.get();
    EXPECT_EQ(3, SafeUBound(&array, 1));
    EXPECT_EQ(-1, SafeUBound(&array, 0));
    EXPECT_EQ(-1, SafeUBound(&array, 2));
}

TEST(SafeUBound, TwoDimensionsAgreeWithThePlatform) {
    SafeArrayOwner owner = MakeArray({{5, 1}, {10, 0}});
    SAFEARRAY* array = owner.get();
    EXPECT_EQ(5, SafeUBound(&array, 1));
    EXPECT_EQ(9, SafeUBound(&array, 2));
    for (UINT dimension : {1u, 2u}) {
        LONG platformBound = 0;
        ASSERT_EQ(S_OK, SafeArrayGetUBound(array, dimension, &platformBound));
        EXPECT_EQ(platformBound, SafeUBound(&array, static_cast<std::int32_t>(dimension)));
    }
}

TEST(SafeUBound, NoStorage) {
    SafeArrayOwner empty = MakeArray({{0, 0}});
    SAFEARRAY* allocatedWithoutElements = empty.get();
    EXPECT_EQ(-1, SafeUBound(&allocatedWithoutElements, 1));

    SAFEARRAY* neverAllocated = nullptr;
    EXPECT_EQ(-1, SafeUBound(&neverAllocated, 1));
    EXPECT_EQ(-1, SafeUBound(nullptr, 1));

    SAFEARRAY* erased = MakeArray({{3, 0}}).release();
    SafeArrayDestroy(erased);
    erased = nullptr;
    EXPECT_EQ(-1, SafeUBound(&erased, 1));
}

TEST(SafeUBound, BoundPastTheSignedRangeRaisesOverflow) {
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAllocDescriptor(1, &array));
    array->rgsabound[0].lLbound = 0x7FFFFFFF;
    array->rgsabound[0].cElements = 2;
    try {
        SafeUBound(&array, 1);
        ADD_FAILURE() << "no overflow raised";
    } catch (const AppError& error) {
        EXPECT_EQ(6, error.Number());
    }
    array->rgsabound[0].cElements = 1;
    EXPECT_EQ(0x7FFFFFFF, SafeUBound(&array, 1));
    SafeArrayDestroyDescriptor(array);
}

LRESULT CALLBACK RecordRedraw(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETREDRAW) {
        SetPropW(window, L"redraw", reinterpret_cast<HANDLE>(wParam + 100));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(SetRedraw, SendsOneAndZeroAndRecordsTheLastError) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = RecordRedraw;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"RedrawRecorder";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"RedrawRecorder", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    SetRedraw(window, true);
    EXPECT_EQ(reinterpret_cast<HANDLE>(101), GetPropW(window, L"redraw"));
    SetRedraw(window, false);
    EXPECT_EQ(reinterpret_cast<HANDLE>(100), GetPropW(window, L"redraw"));
    RemovePropW(window, L"redraw");
    DestroyWindow(window);

    SetRedraw(window, true); // the window is gone: no report, but the code is recorded
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), LastLibraryError());
}

} // namespace
} // namespace octolume::test
