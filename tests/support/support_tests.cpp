#include "support/app_error.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/report_error.h"
#include "support/text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace octolume::test {
namespace {

TEST(ReportError, BoxTextsAndTheHandlerBoxWhenReportingFails) {
    wchar_t system[512] = {}; // the system's own text for ERROR_FILE_NOT_FOUND, line break kept
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 2, 0,
                   system, 512, nullptr);
    const struct {
        AppError error;
        const wchar_t* source;
        std::wstring text;
    } cases[] = {{{53, L"File not found", 0},
                  L"frm.Get",
                  L"Error: File not found\r\nSource: frm.Get\r\nNo: 53"},
                 {{-2147221504, L"", 0}, L"", L"Error: \r\nSource: \r\nNo: -2147221504"},
                 {{9, L"Out of range", 2},
                  L"m.S",
                  L"DLL Error: " + std::wstring(system) +
                      L"\r\nError: Out of range\r\nSource: m.S\r\nNo: 2"},
                 {{9, L"x", 0xFFFFFFFF},
                  L"m.S",
                  L"DLL Error: Error (-1) not defined.\r\nError: x\r\nSource: m.S\r\nNo: -1"}};
    for (const auto& [error, source, text] : cases) {
        MessageBoxCapture boxes;
        ReportError(error, source);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text,
                  text + L"\r\n\r\n* If this problem persists, please contact our technical "
                         L"support staff for assistance.\r\n  (Refer to the Troubleshooting "
                         L"section of the Help file for details.)");
        EXPECT_EQ(boxes.Boxes()[0].title, L"Unexpected Error in " + std::wstring(source));
        EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
    MessageBoxCapture boxes;
    boxes.FailNext(1);
    ReportError(AppError(9, L"anything", 0), L"frm.Get");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(
        boxes.Boxes()[0].text,
        L"An error has occured in the error handler.\r\n5\r\nInvalid procedure call or argument");
    EXPECT_EQ(boxes.Boxes()[0].title, L"Error in Error Handler");
}

TEST(PendingError, TakesTheCodeOfTheLastExternalCallAndNumbersCaughtExceptions) {
    for (const DWORD code : {DWORD{ERROR_ACCESS_DENIED}, DWORD{0}}) {
        External([code] { SetLastError(code); });
        EXPECT_EQ(AppError(9, L"x").LastLibraryErrorCode(), code);
    }
    const auto caught = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            const AppError error = CaughtError();
            return std::to_wstring(error.Number()) + L" " + error.Description();
        }
        return std::wstring(L"nothing thrown");
    };
    EXPECT_EQ(caught([] { throw std::bad_alloc(); }), L"7 Out of memory");
    EXPECT_EQ(caught([] { throw std::runtime_error("boom"); }), L"51 Internal error");
    EXPECT_EQ(caught([] { throw AppError(32755, L"Cancel", 0); }), L"32755 Cancel");
}

TEST(StringsEqual, LengthFirstThenExactOrIgnoringCase) {
    const struct {
        std::wstring a, b;
        int ignoreCase;
        bool equal;
    } cases[] = {{L"abc", L"ABC", 0, false},  {L"", L"", 0, true},
                 {L"abc", L"abcd", 0, false}, {{L"a\0b", 3}, {L"a\0c", 3}, 0, false},
                 {L"abc", L"ABC", 1, true},   {L"\u00e9t\u00e9", L"\u00c9T\u00c9", -7, true},
                 {L"abc", L"abd", 1, false},  {L"stra\u00dfe", L"STRASSE", 1, false}};
    for (const auto& [a, b, ignoreCase, equal] : cases)
        EXPECT_EQ(StringsEqual(a, b, ignoreCase), equal) << a << " " << b << " " << ignoreCase;
}

TEST(SafeUBound, BoundsInDimensionOrderNoArrayAndOverflow) {
    SAFEARRAYBOUND bounds[] = {{5, 1}, {10, 0}};
    SafeArrayOwner owner(SafeArrayCreate(VT_I4, 2, bounds));
    SAFEARRAY* array = owner.get();
    SAFEARRAY* none = nullptr;
    EXPECT_EQ(SafeUBound(&array, 1), 5);
    EXPECT_EQ(SafeUBound(&array, 2), 9);
    EXPECT_EQ(SafeUBound(&array, 0), -1);
    EXPECT_EQ(SafeUBound(&array, 3), -1);
    EXPECT_EQ(SafeUBound(&none, 1), -1);
    EXPECT_EQ(SafeUBound(nullptr, 1), -1);
    ASSERT_EQ(SafeArrayAllocDescriptor(1, &none), S_OK);
    none->rgsabound[0] = {0, 0};
    EXPECT_EQ(SafeUBound(&none, 1), -1);
    none->rgsabound[0] = {1, 0x7FFFFFFF};
    EXPECT_EQ(SafeUBound(&none, 1), 0x7FFFFFFF);
    none->rgsabound[0] = {2, 0x7FFFFFFF};
    try {
        SafeUBound(&none, 1);
        ADD_FAILURE() << "no overflow";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), 6);
    }
    SafeArrayDestroyDescriptor(none);
}

TEST(SetRedraw, TurnsRedrawOffAndOnAndOnAGoneWindowRecordsTheCodeWithoutABox) {
    // The system's own handling hides and shows the window's style to do it.
    const HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                      nullptr, nullptr, nullptr);
    for (const bool redraw : {false, true}) {
        SetRedraw(window, redraw);
        EXPECT_EQ((GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0, redraw);
    }
    DestroyWindow(window);
    MessageBoxCapture boxes;
    SetRedraw(window, true);
    EXPECT_EQ(LastLibraryError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(ToAnsiExactly, CodePage1252ExactlyOrNotAtAll) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are those of code page 1252";
    EXPECT_EQ(ToAnsiExactly(L"C:\\caf\u00e9 \u20ac.txt"), "C:\\caf\xe9 \x80.txt");
    EXPECT_EQ(ToAnsiExactly(L""), std::string());
    // ā has a best fit (a), Ω none, a lone surrogate is no character at all.
    for (const wchar_t* path : {L"C:\\\u0101\\octolume.dll", L"C:\\\u03a9.txt", L"C:\\\xd800.txt"})
        EXPECT_EQ(ToAnsiExactly(path), std::nullopt);
    EXPECT_EQ(ToAnsi(L"\u0101.txt"), "?.txt"); // where converted anyway, shown as missing
}

} // namespace
} // namespace octolume::test
