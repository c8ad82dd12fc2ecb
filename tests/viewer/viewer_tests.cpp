// The viewer in process: the dump view, the drop intake and the load pipeline, with the engine
// and with a scripted stand-in that gives each of the engine's answers.
#include "app/mouse_pointer.h"
#include "support/report_error.h"

#include "expected_dumps.h"
#include "hand_made_data.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>
#include <richedit.h>

namespace octolume::test {

// Texts go in in pieces of 64K characters: a cut right there would part this text's CR at
// 65535 from its LF, and its long line is longer than a piece. A text longer than
// kLongestTextEmptiedInPlace goes with its control: Wine's rich edit takes minutes to empty it
// in place (a long text and then a short one once hung the program for good).
TEST(DumpView, ShowsTextsWholeFromTheTopAndNeverEmptiesALongOneInPlace) {
    ViewerWindow window;
    const std::wstring text =
        L"ab\r\n" + std::wstring(65531, L'x') + L"\r\n" + std::wstring(70000, L'y') + L"\r\ntail";
    window.Dump().ShowText(std::wstring(kLongestTextEmptiedInPlace, L'x'));
    for (int load = 0; load < 3; ++load) {
        const HWND view = window.View();
        window.Dump().ShowText(L"short");
        EXPECT_EQ(window.View(), view);
        window.Dump().ShowText(text);
        SendMessageW(view, EM_UNDO, 0, 0);
        EXPECT_EQ(WindowText(view), text);
        DWORD start = 1, end = 1;
        SendMessageW(view, EM_GETSEL, WPARAM(&start), LPARAM(&end));
        EXPECT_EQ(start + end + SendMessageW(view, EM_GETFIRSTVISIBLELINE, 0, 0), 0u);
        window.Dump().ShowText(L"short");
        EXPECT_FALSE(IsWindow(view));
        EXPECT_EQ(WindowText(window.View()), L"short");
    }
}

TEST(DropIntake, TextWholeElseTheFirstFileElseNothingQuietlyAndUnreadableDataReported) {
    const MessageBoxCapture boxes;
    HandMadeData text, files, neither;
    text.text = " \"C:\\Some Folder\\file.bin\" \r\n";
    text.files = files.files = {L"C:\\data\\first.bin", L"C:\\data\\second.bin"};
    EXPECT_EQ(GetSingleItemFromDataObject(&text), L" \"C:\\Some Folder\\file.bin\" \r\n");
    EXPECT_EQ(GetSingleItemFromDataObject(&files), L"C:\\data\\first.bin");
    EXPECT_EQ(GetSingleItemFromDataObject(&neither) + GetSingleItemFromDataObject(nullptr), L"");
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(text.references + files.references, 2u) << "a reference kept";
    text.failGetData = true;
    EXPECT_EQ(GetSingleItemFromDataObject(&text), L"");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].title,
              L"Unexpected Error in frmOctolume.GetSingleItemFromDataObject");
    EXPECT_NE(boxes.Boxes()[0].text.find(L"No: -2147024882\r\n"), std::wstring::npos);
}

// The program's own box for a file the engine cannot dump, as Load tells it.
static const std::wstring kUnableBox = L"|Octolume32|" + std::wstring(kUnableText) + L"|" +
                                       std::to_wstring(MB_OK | MB_ICONEXCLAMATION);

// Loads a file into the window; what the user then sees: the view, the label and each box's
// title, text (without the closing note of a report) and style. The pointer is back to normal.
static std::wstring Load(ViewerWindow& window, const std::wstring& path) {
    const MessageBoxCapture boxes;
    GetAndDisplayOctolume(window.Controls(), path);
    std::wstring shown = WindowText(window.View()) + L"|" + WindowText(window.Label());
    for (const ShownBox& box : boxes.Boxes())
        shown += L"|" + box.title + L"|" + box.text + L"|" + std::to_wstring(box.style);
    EXPECT_EQ(CurrentMousePointer(), MousePointer::Default);
    return shown.substr(0, shown.find(L"\r\n* If this problem persists"));
}

// The engine is loaded as start-up loads it; the pipeline finds it by its name.
TEST(Pipeline, ShowsWholeDumpsWithTheirPathsAndTheOwnMessageForWhatCannotBeDumped) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const TempFolder folder;
    ViewerWindow window;
    const std::vector<unsigned char> bytes = PatternBytes(70000); // a dump of several pieces
    const std::wstring first = folder.Write(L"first.bin", bytes);
    const std::wstring second = folder.Write(L"second.bin", PatternBytes(17));
    EXPECT_EQ(Load(window, first), ExpectedViewText(bytes) + L"|" + first);
    EXPECT_EQ(Load(window, second),
              std::wstring(kPattern17Dump.begin(), kPattern17Dump.end()) + L"|" + second);
    // The view emptied, the label keeps the last file.
    EXPECT_EQ(Load(window, folder.Path() + L"\\missing.bin"), L"|" + second + kUnableBox);
}

// The dump of 2 MiB of random bytes takes Wine's rich edit about 2.5 GB of address space: more
// than a 32-bit process has unless it is large-address-aware.
TEST(Pipeline, TheLargestDumpOfRandomBytesFitsTheView) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"octolume.dll").c_str()));
    const TempFolder folder;
    ViewerWindow window;
    std::string bytes(2097152 + 100, '\0');
    unsigned state = 12345;
    for (char& byte : bytes)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 23);
    const std::wstring path = folder.Write(L"random.bin", bytes);
    EXPECT_EQ(Load(window, path),
              ExpectedViewText(bytes.substr(0, 2097152)) +
                  L"--- Dump truncated: showing the first 2097152 of 2097252 bytes ---\r\n|" +
                  path);
}

// The stand-in answers as OCTOLUME_SCRIPTED_ENGINE says, for a file it is asked for.
TEST(EngineAnswers, EachAsTheUserReadsIt) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"scripted_engine\\octolume.dll").c_str()));
    ASSERT_NE(engine, nullptr);
    const std::wstring denied = GetDllErrorText(5);
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        // Other failures in the system's words; the view and the label keep what they showed.
        {L"fail 5", L"Loading...|File:|Unexpected Error in frmOctolume.GetAndDisplayOctolume|"
                    L"DLL Error: " +
                        denied + L"\r\nError: " + denied +
                        L"\r\nSource: frmOctolume.GetAndDisplayOctolume\r\nNo: 5\r\n"},
        {L"fail 0x20000009", L"|File:" + kUnableBox},
        {L"empty", L"|C:\\asked.bin"}, // no text and no failure: an empty dump
        {L"rename Z:\\really\\here.bin", L"scripted dump\r\n|Z:\\really\\here.bin"}};
    for (const auto& [script, expected] : cases) {
        SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", script);
        ViewerWindow window;
        EXPECT_EQ(Load(window, L"C:\\asked.bin"), expected) << script;
    }
    SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", nullptr);
}

} // namespace octolume::test
