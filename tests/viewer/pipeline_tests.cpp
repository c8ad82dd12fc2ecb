#include "app/load_and_display.h"
#include "app/mouse_pointer.h"

#include "engine/engine_contract.h"
#include "expected_dumps.h"
#include "held_file.h"
#include "test_support.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace octolume::test {
namespace {

// The program loads its engine at start-up; the pipeline finds it already in the process.
class PipelineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = LoadLibraryW(BuiltFile(engine::kLibraryName).c_str());
        window_ = std::make_unique<ViewerWindow>();
    }
    static void TearDownTestSuite() {
        window_.reset();
        FreeLibrary(engine_);
    }
    void SetUp() override { ASSERT_NE(nullptr, engine_) << "octolume.dll beside the tests"; }

    void Load(const std::wstring& path) { GetAndDisplayOctolume(window_->Controls(), path); }
    std::wstring ViewText() const { return WindowText(window_->View()); }
    std::wstring LabelText() const { return WindowText(window_->Label()); }

    TempFolder folder_;

private:
    static inline HMODULE engine_ = nullptr;
    static inline std::unique_ptr<ViewerWindow> window_;
};

TEST_F(PipelineTest, ShowsTheWholeDumpAndTheFullPathThenTheNextFile) {
    MessageBoxCapture boxes;
    const std::vector<unsigned char> bytes = PatternBytes(70000); // more than one piece
    folder_.Write(L"data.bin", bytes);
    wchar_t previous[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder_.Path().c_str());
    Load(L"data.bin"); // relative: the engine makes it full
    SetCurrentDirectoryW(previous);

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(ExpectedViewText(bytes), ViewText());
    EXPECT_EQ(folder_.Path() + L"\\data.bin", LabelText());
    EXPECT_EQ(MousePointer::Default, CurrentMousePointer());

    const std::wstring second = folder_.Write(L"second.bin", PatternBytes(17));
    Load(second);
    EXPECT_EQ(std::wstring(kPattern17Dump.begin(), kPattern17Dump.end()), ViewText());
    EXPECT_EQ(second, LabelText());
}

// The dump of 2 MiB of random bytes takes the rich-edit control about 2.5 GB of address
// space under Wine: more than a plain 32-bit process has. A window of its own: replacing
// so long a text takes the view minutes.
TEST_F(PipelineTest, TheLargestDumpOfRandomBytesFitsTheView) {
    MessageBoxCapture boxes;
    ViewerWindow own;
    std::string bytes(2097152 + 100, '\0');
    unsigned state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    GetAndDisplayOctolume(own.Controls(), folder_.Write(L"random.bin", bytes));
    EXPECT_TRUE(boxes.Boxes().empty());
    const std::wstring text = WindowText(own.View());
    EXPECT_EQ(ExpectedViewText(bytes.substr(0, 2097152)) +
                  L"--- Dump truncated: showing the first 2097152 of 2097252 bytes ---\r\n",
              text);
}

TEST_F(PipelineTest, FilesTheEngineCannotDumpGiveTheOwnMessage) {
    // A dump long enough that it goes with its control before the engine runs.
    const std::wstring shown = folder_.Write(L"shown.bin", PatternBytes(5000));
    const std::wstring locked = folder_.Write(L"locked.bin", "held by another process");
    HeldFile holder(locked);
    Load(shown);

    for (const std::wstring& path : {folder_.Write(L"empty.bin", ""), locked,
                                     folder_.Path() + L"\\missing.bin", std::wstring()}) {
        MessageBoxCapture boxes;
        Load(path);
        ASSERT_EQ(1u, boxes.Boxes().size()) << path.size();
        EXPECT_EQ(kUnableText, boxes.Boxes()[0].text);
        EXPECT_EQ(L"Octolume32", boxes.Boxes()[0].title);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), boxes.Boxes()[0].style);
        EXPECT_EQ(L"", ViewText());
        EXPECT_EQ(shown, LabelText()) << "the label keeps the last file";
        EXPECT_EQ(MousePointer::Default, CurrentMousePointer());
    }
}

} // namespace
} // namespace octolume::test
