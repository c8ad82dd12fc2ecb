#include "support/clipboard.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"
#include "support/report_error.h"
#include "support/text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

extern "C" void* __stack_chk_guard;

namespace octolume::test {
namespace {

TEST(ReportError, BoxTextsAndTheHandlerBoxWhenReportingFails) {
    wchar_t system[512] = {}; // the system's own text for code 2, its line break kept
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0, system, 512, nullptr);
    const std::tuple<AppError, const wchar_t*, std::wstring> cases[] = {
        {{53, L"Gone", 0}, L"f.G", L"Error: Gone\r\nSource: f.G\r\nNo: 53"},
        {{-2147221504, L"", 0}, L"", L"Error: \r\nSource: \r\nNo: -2147221504"},
        {{9, L"x", 2},
         L"m",
         L"DLL Error: " + std::wstring(system) + L"\r\nError: x\r\nSource: m\r\nNo: 2"},
        {{9, L"x", ~0u},
         L"m",
         L"DLL Error: Error (-1) not defined.\r\nError: x\r\nSource: m\r\nNo: -1"}};
    for (const auto& [error, source, text] : cases) {
        MessageBoxCapture boxes;
        ReportError(error, source);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].title + L": " + boxes.Boxes()[0].text,
                  L"Unexpected Error in " + std::wstring(source) + L": " + text +
                      L"\r\n\r\n* If this problem persists, please contact our technical "
                      L"support staff for assistance.\r\n  (Refer to the Troubleshooting "
                      L"section of the Help file for details.)");
        EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
    MessageBoxCapture boxes;
    boxes.FailNext(1);
    ReportError(AppError(9, L"anything", 0), L"frm.Get");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].title + L": " + boxes.Boxes()[0].text,
              L"Error in Error Handler: An error has occured in the error handler.\r\n5\r\n"
              L"Invalid procedure call or argument");
}

TEST(PendingError, CaughtExceptionsBecomeNumberedErrors) {
    const auto caught = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            const AppError error = CaughtError();
            return std::to_wstring(error.Number()) + L" " + error.Description();
        }
        return std::wstring();
    };
    EXPECT_EQ(caught([] { throw std::bad_alloc(); }), L"7 Out of memory");
    EXPECT_EQ(caught([] { std::wstring().reserve(std::wstring().max_size() + 1); }),
              L"7 Out of memory");
    EXPECT_EQ(caught([] { throw std::runtime_error("boom"); }), L"51 Internal error");
}

TEST(StringsEqual, LengthFirstThenExactOrIgnoringCase) {
    EXPECT_TRUE(StringsEqual(L"", L"", 0));
    EXPECT_FALSE(StringsEqual(L"abc", L"ABC", 0));
    EXPECT_FALSE(StringsEqual(std::wstring(L"a\0b", 3), std::wstring(L"a\0c", 3), 0));
    EXPECT_TRUE(StringsEqual(L"abc", L"ABC", 1));
    EXPECT_TRUE(StringsEqual(L"\u00e9t\u00e9", L"\u00c9T\u00c9", -7));
    EXPECT_FALSE(StringsEqual(L"abc", L"abd", 1));
    EXPECT_FALSE(StringsEqual(L"stra\u00dfe", L"STRASSE", 1)); // never at different lengths
}

TEST(SafeUBound, BoundsInDimensionOrderNoArrayAndOverflow) {
    SAFEARRAYBOUND bounds[] = {{5, 1}, {10, 0}};
    SafeArrayOwner owner(SafeArrayCreate(VT_I4, 2, bounds));
    SAFEARRAY *array = owner.get(), *none = nullptr;
    for (const auto& [dimension, bound] : {std::pair{1, 5}, {2, 9}, {0, -1}, {3, -1}})
        EXPECT_EQ(SafeUBound(&array, dimension), bound) << dimension;
    EXPECT_EQ(SafeUBound(&none, 1), -1);
    EXPECT_EQ(SafeUBound(nullptr, 1), -1);
    ASSERT_EQ(SafeArrayAllocDescriptor(1, &none), S_OK);
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

// On a gone window it must neither throw nor show a box, only record the code.
TEST(SetRedraw, OnAGoneWindowRecordsTheCodeWithoutABox) {
    MessageBoxCapture boxes;
    SetRedraw(reinterpret_cast<HWND>(0x1234), true);
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
}

// What another thread found of the record: before its own first call, and after it.
struct OtherThreadRecord {
    DWORD before = ~0u, after = ~0u;
};
DWORD WINAPI RecordOnAnotherThread(void* parameter) {
    auto& record = *static_cast<OtherThreadRecord*>(parameter);
    record.before = LastLibraryError();
    External(::SetLastError, ERROR_INVALID_PARAMETER);
    record.after = LastLibraryError();
    return 0;
}

// Two threads that call the system each read the code of their own last call.
TEST(LastLibraryError, EachThreadReadsItsOwnCalls) {
    External(::SetLastError, ERROR_ACCESS_DENIED);
    OtherThreadRecord other;
    const UniqueHandle thread(CreateThread(nullptr, 0, RecordOnAnotherThread, &other, 0, nullptr));
    ASSERT_TRUE(thread);
    const auto bound = static_cast<DWORD>(Scaled(std::chrono::seconds{10}).count());
    ASSERT_EQ(WaitForSingleObject(thread.get(), bound), WAIT_OBJECT_0);
    EXPECT_EQ(other.before, 0u);
    EXPECT_EQ(other.after, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(LastLibraryError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// The stack protector's guard is set before main, with the kernel alone: the CryptoAPI that
// the compiler's own set-up used (30 ms of start-up under Wine) is not loaded.
TEST(StackGuard, SetBeforeMainWithoutTheCryptoApi) {
    EXPECT_NE(__stack_chk_guard, nullptr);
    EXPECT_EQ(GetModuleHandleW(L"rsaenh.dll"), nullptr);
}

// Opens the clipboard, says so, and holds it until told to let go.
struct ClipboardHolder {
    UniqueHandle held{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};
DWORD WINAPI HoldClipboard(void* parameter) {
    auto& holder = *static_cast<ClipboardHolder*>(parameter);
    const BOOL opened = OpenClipboard(nullptr);
    SetEvent(holder.held.get());
    WaitForSingleObject(holder.release.get(), INFINITE); // the test always lets go
    if (opened)
        CloseClipboard();
    return opened;
}

// The AppError the call raises, if it raises one.
template <class Call> std::optional<AppError> RaisedError(Call&& call) {
    try {
        call();
    } catch (const AppError& error) {
        return error;
    }
    return std::nullopt;
}

// Another program holds the clipboard (here a thread of the test's own): the copy tries
// again for a moment, then says the clipboard is busy and leaves it as it was. A text the
// system refuses once the clipboard is emptied is said to be refused, with the refusing
// call's code, and the clipboard is left empty and closed.
TEST(Clipboard, TextGoesOnItABusyClipboardAndARefusedTextAreReported) {
    const HWND owner =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    PutTextOnClipboard(owner, L"before");
    EXPECT_EQ(ClipboardText(), L"before");

    ClipboardHolder holder;
    const auto bound = static_cast<DWORD>(Scaled(std::chrono::seconds{10}).count());
    const UniqueHandle thread(CreateThread(nullptr, 0, HoldClipboard, &holder, 0, nullptr));
    ASSERT_TRUE(thread);
    DWORD opened = 0;
    {
        const ScopeExit released([&] {
            SetEvent(holder.release.get());
            EXPECT_EQ(WaitForSingleObject(thread.get(), bound), WAIT_OBJECT_0);
        });
        ASSERT_EQ(WaitForSingleObject(holder.held.get(), bound), WAIT_OBJECT_0);
        const auto busy = RaisedError([&] { PutTextOnClipboard(owner, L"after"); });
        EXPECT_EQ(busy ? busy->Description() : L"(taken)",
                  L"The clipboard is in use by another program");
    }
    EXPECT_TRUE(GetExitCodeThread(thread.get(), &opened) && opened)
        << "the holder had no clipboard";
    EXPECT_EQ(ClipboardText(), L"before");

    const UINT kNoFormat = 0;
    const auto refused = RaisedError([&] { PutTextOnClipboardAs(owner, L"after", kNoFormat); });
    EXPECT_EQ(refused ? refused->Description() : L"(taken)",
              L"The text could not be put on the clipboard.");
    EXPECT_NE(refused ? refused->LastLibraryErrorCode() : 0u, 0u);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    EXPECT_EQ(ClipboardText(), L"");
    DestroyWindow(owner);
}

} // namespace
} // namespace octolume::test
