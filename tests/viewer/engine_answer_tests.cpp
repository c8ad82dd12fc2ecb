// The viewer's side of each engine answer, from a scripted stand-in loaded under the engine's
// name as start-up loads the real one.
#include "app/load_and_display.h"
#include "app/mouse_pointer.h"

#include "support/report_error.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {

TEST(EngineAnswer, EachAsTheUserReadsIt) {
    const LibraryHandle engine(LoadLibraryW(BuiltFile(L"scripted_engine\\octolume.dll").c_str()));
    ASSERT_NE(engine, nullptr);
    const std::wstring denied = GetDllErrorText(5);
    struct Case {
        const wchar_t* script;
        std::wstring box, view, label; // box: its title, a line break, then its text or its start
    };
    const Case cases[] = {
        // Other failures in the system's words; the view and the label keep what they showed.
        {L"fail 5",
         L"Unexpected Error in frmOctolume.GetAndDisplayOctolume\nDLL Error: " + denied +
             L"\r\nError: " + denied +
             L"\r\nSource: frmOctolume.GetAndDisplayOctolume\r\nNo: 5\r\n",
         L"Loading...", L"File:"},
        {L"fail 0x20000009", std::wstring(L"Octolume32\n") + kUnableText, L"", L"File:"},
        {L"empty", L"", L"", L"C:\\asked.bin"}, // no text and no failure: an empty dump
        {L"rename Z:\\really\\here.bin", L"", L"scripted dump\r\n", L"Z:\\really\\here.bin"}};
    for (const Case& c : cases) {
        const MessageBoxCapture boxes;
        ViewerWindow window;
        SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", c.script);
        GetAndDisplayOctolume(window.Controls(), L"C:\\asked.bin");
        std::wstring shown;
        for (const ShownBox& box : boxes.Boxes())
            shown += box.title + L"\n" + box.text;
        EXPECT_EQ(boxes.Boxes().size(), c.box.empty() ? 0u : 1u) << c.script;
        EXPECT_EQ(shown.substr(0, c.box.size()), c.box);
        EXPECT_EQ(WindowText(window.View()), c.view) << c.script;
        EXPECT_EQ(WindowText(window.Label()), c.label) << c.script;
        EXPECT_EQ(CurrentMousePointer(), MousePointer::Default);
    }
    SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", nullptr);
}

} // namespace octolume::test
