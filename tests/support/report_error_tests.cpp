#include "support/app_error.h"
#include "support/external_call.h"
#include "support/report_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace octolume::test {
namespace {

const std::wstring kTrailer =
    L"\r\n* If this problem persists, please contact our technical support "
    L"staff for assistance.\r\n  (Refer to the Troubleshooting section of "
    L"the Help file for details.)";

class ReportErrorTest : public ::testing::Test {
protected:
    const ShownBox& OnlyBox() {
        EXPECT_EQ(1u, boxes_.Boxes().size());
        return boxes_.Boxes().at(0);
    }

    MessageBoxCapture boxes_;
};

TEST_F(ReportErrorTest, WithoutLibraryCodeShowsDescriptionSourceAndNumber) {
    ReportError(AppError(53, L"File not found", 0), L"frmOctolume.GetFileToDump");
    const ShownBox& box = OnlyBox();
    EXPECT_EQ(L"Error: File not found\r\nSource: frmOctolume.GetFileToDump\r\nNo: 53\r\n" +
                  kTrailer,
              box.text);
    EXPECT_EQ(L"Unexpected Error in frmOctolume.GetFileToDump", box.title);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), box.style);
}

TEST_F(ReportErrorTest, EmptyDescriptionAndNegativeNumber) {
    ReportError(AppError(-2147221504, L"", 0), L"frmOctolume.GetAndDisplayOctolume");
    const ShownBox& box = OnlyBox();
    EXPECT_EQ(0u, box.text.find(L"Error: \r\nSource: frmOctolume.GetAndDisplayOctolume\r\n"));
    EXPECT_NE(std::wstring::npos, box.text.find(L"\r\nNo: -2147221504\r\n"));
}

TEST_F(ReportErrorTest, LibraryCodeReplacesTheNumberAndLeadsWithTheSystemText) {
    ReportError(AppError(9, L"Subscript out of range", 2), L"modOctolumeMisc.SetRedraw");
    const ShownBox& box = OnlyBox();
    const std::wstring systemText = GetDllErrorText(2);
    EXPECT_EQ(std::wstring::npos, systemText.find(L"not defined"));
    EXPECT_EQ(L"DLL Error: " + systemText +
                  L"\r\nError: Subscript out of range\r\n"
                  L"Source: modOctolumeMisc.SetRedraw\r\nNo: 2\r\n" +
                  kTrailer,
              box.text);
    EXPECT_EQ(std::wstring::npos, box.text.find(L"No: 9"));
}

TEST_F(ReportErrorTest, LibraryCodeWithoutSystemText) {
    ReportError(AppError(9, L"Cannot dump", 0x20000009), L"frmOctolume.GetAndDisplayOctolume");
    EXPECT_EQ(0u, OnlyBox().text.find(L"DLL Error: Error (536870921) not defined.\r\nError: "));
}

TEST_F(ReportErrorTest, EmptySourceAndNoTrailingLineBreak) {
    ReportError(AppError(1, L"x", 0), L"");
    const ShownBox& box = OnlyBox();
    EXPECT_EQ(L"Unexpected Error in ", box.title);
    EXPECT_NE(std::wstring::npos, box.text.find(L"\r\nSource: \r\n"));
    ASSERT_GE(box.text.size(), 13u);
    EXPECT_EQ(L"for details.)", box.text.substr(box.text.size() - 13));
}

TEST_F(ReportErrorTest, FailureWhileReportingShowsTheErrorHandlerBox) {
    boxes_.FailNext(1);
    ReportError(AppError(9, L"anything", 0), L"frmOctolume.GetFileToDump");
    const ShownBox& box = OnlyBox();
    EXPECT_EQ(L"An error has occured in the error handler.\r\n5\r\n"
              L"Invalid procedure call or argument",
              box.text);
    EXPECT_EQ(L"Error in Error Handler", box.title);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), box.style);
}

TEST(GetDllErrorText, KnownCodeKeepsTheSystemLineBreak) {
    const std::wstring text = GetDllErrorText(2);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(L"\r\n", text.substr(text.size() - 2));
}

TEST(GetDllErrorText, UnknownCodes) {
    EXPECT_EQ(L"Error (536870921) not defined.", GetDllErrorText(0x20000009));
    EXPECT_EQ(L"Error (-1) not defined.", GetDllErrorText(-1));
}

TEST(PendingError, TakesTheCodeRecordedAfterTheLastExternalCall) {
    External([] { SetLastError(ERROR_ACCESS_DENIED); });
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), AppError(9, L"x").LastLibraryErrorCode());
    External([] { SetLastError(0); });
    EXPECT_EQ(0u, AppError(9, L"x").LastLibraryErrorCode());
}

TEST(PendingError, CaughtExceptionsBecomeNumberedErrors) {
    auto caught = [](auto&& thrower) {
        try {
            thrower();
        } catch (...) {
            return CaughtError();
        }
        return AppError(0, L"nothing thrown");
    };
    const AppError memory = caught([] { throw std::bad_alloc(); });
    EXPECT_EQ(7, memory.Number());
    EXPECT_EQ(L"Out of memory", memory.Description());
    const AppError other = caught([] { throw std::runtime_error("boom"); });
    EXPECT_EQ(51, other.Number());
    EXPECT_EQ(L"Internal error", other.Description());
    const AppError own = caught([] { throw AppError(32755, L"Cancel", 0); });
    EXPECT_EQ(32755, own.Number());
}

} // namespace
} // namespace octolume::test
