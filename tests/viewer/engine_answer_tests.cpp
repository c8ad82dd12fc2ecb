#include "app/load_and_display.h"
#include "app/mouse_pointer.h"

#include "support/report_error.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

// Loads the scripted stand-in under the engine's module name, as start-up loads the real one.
class EngineAnswerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = LoadLibraryW(BuiltFile(L"scripted_engine\\octolume.dll").c_str());
    }
    static void TearDownTestSuite() { FreeLibrary(engine_); }
    void SetUp() override { ASSERT_NE(nullptr, engine_); }
    void TearDown() override { SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", nullptr); }

    void Load(const wchar_t* script, const std::wstring& path) {
        SetEnvironmentVariableW(L"OCTOLUME_SCRIPTED_ENGINE", script);
        GetAndDisplayOctolume({window_.Dump(), window_.Label()}, path);
    }

    ViewerWindow window_;

private:
    static inline HMODULE engine_ = nullptr;
};

TEST_F(EngineAnswerTest, OtherFailuresAreReportedWithTheSystemText) {
    MessageBoxCapture boxes;
    Load(L"fail 5", L"C:\\denied.bin");
    ASSERT_EQ(1u, boxes.Boxes().size());
    const std::wstring systemText = GetDllErrorText(5);
    EXPECT_EQ(L"Unexpected Error in frmOctolume.GetAndDisplayOctolume", boxes.Boxes()[0].title);
    EXPECT_EQ(0u,
              boxes.Boxes()[0].text.find(L"DLL Error: " + systemText + L"\r\nError: " + systemText +
                                         L"\r\nSource: "
                                         L"frmOctolume.GetAndDisplayOctolume\r\n"
                                         L"No: 5\r\n"));
    EXPECT_EQ(L"Loading...", WindowText(window_.View())) << "the view keeps what it showed";
    EXPECT_EQ(L"File:", WindowText(window_.Label()));
    EXPECT_EQ(MousePointer::Default, CurrentMousePointer());
}

TEST_F(EngineAnswerTest, CannotDumpCodeGivesTheOwnMessage) {
    MessageBoxCapture boxes;
    Load(L"fail 0x20000009", L"C:\\empty.bin");
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(std::wstring(kUnableToLoadMessage), boxes.Boxes()[0].text);
    EXPECT_EQ(L"", WindowText(window_.View()));
}

TEST_F(EngineAnswerTest, NoTextWithoutFailureIsAnEmptyDump) {
    MessageBoxCapture boxes;
    Load(L"empty", L"C:\\nothing.bin");
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(L"", WindowText(window_.View()));
    EXPECT_EQ(L"C:\\nothing.bin", WindowText(window_.Label()));
}

TEST_F(EngineAnswerTest, TheLabelShowsThePathTheEngineHandedBack) {
    Load(L"rename Z:\\really\\here.bin", L"here.bin");
    EXPECT_EQ(L"scripted dump\r\n", WindowText(window_.View()));
    EXPECT_EQ(L"Z:\\really\\here.bin", WindowText(window_.Label()));
}

} // namespace
} // namespace octolume::test
