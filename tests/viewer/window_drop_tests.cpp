// Drops of hand-made data through the drop target that the real main window registers on
// its dump view, as the system's drag loop delivers them.
#include "app/load_and_display.h"
#include "app/main_window.h"

#include "hand_made_data.h"
#include "support/text.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

namespace octolume {
namespace {

using testing::ExpectedDump;
using testing::HandMadeData;
using testing::MessageBoxCapture;
using testing::TempFolder;
using testing::WindowText;

void KeepRunning(UINT) {}

class WindowDropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = LoadLibraryW((testing::ProgramFolder() / L"octolume.dll").c_str());
        form_ = frmOctolume::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL, &KeepRunning);
    }
    static void TearDownTestSuite() {
        form_.reset();
        FreeLibrary(engine_);
    }

    // What the system's drag loop calls when data is released over the view.
    void DropOnView(IDataObject* data) {
        auto* target =
            static_cast<IDropTarget*>(GetPropW(form_->rtfOctolume(), L"OleDropTargetInterface"));
        ASSERT_NE(nullptr, target) << "no drop target registered on the view";
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(S_OK, target->DragEnter(data, MK_LBUTTON, {}, &effect));
        EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect) << "the copy cursor while dragging";
        ASSERT_EQ(S_OK, target->Drop(data, 0, {}, &effect));
    }

    std::wstring ViewText() const { return WindowText(form_->rtfOctolume()); }
    std::wstring LabelText() const { return WindowText(form_->lblFileName()); }

    TempFolder folder_;
    static inline HMODULE engine_ = nullptr;
    static inline std::unique_ptr<frmOctolume> form_;
};

TEST_F(WindowDropTest, OfThreeFilesTheFirstIsShown) {
    HandMadeData data;
    data.files = {folder_.Write(L"one.bin", "first file").wstring(),
                  folder_.Write(L"two.bin", "second file").wstring(),
                  folder_.Write(L"three.bin", "third file").wstring()};
    DropOnView(&data);
    EXPECT_EQ(ExpectedDump("first file"), ViewText());
    EXPECT_EQ(data.files[0], LabelText());
}

TEST_F(WindowDropTest, TextDecidesOverFiles) {
    HandMadeData data;
    const std::wstring fromText = folder_.Write(L"text.bin", "named by text").wstring();
    data.text = ToAnsi(fromText);
    data.files = {folder_.Write(L"file.bin", "named by the list").wstring()};
    DropOnView(&data);
    EXPECT_EQ(ExpectedDump("named by text"), ViewText());
    EXPECT_EQ(fromText, LabelText());
}

TEST_F(WindowDropTest, AFolderOrDataWithNeitherFormatCannotBeDumped) {
    const std::wstring shown = folder_.Write(L"shown.bin", "shown").wstring();
    HandMadeData file;
    file.files = {shown};
    DropOnView(&file);
    ASSERT_EQ(shown, LabelText());

    HandMadeData folder;
    folder.files = {folder_.Path().wstring()};
    HandMadeData neither;
    for (HandMadeData* data : {&folder, &neither}) {
        MessageBoxCapture boxes;
        DropOnView(data);
        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ(std::wstring(kUnableToLoadMessage), boxes.Boxes()[0].text);
        EXPECT_EQ(L"", ViewText());
        EXPECT_EQ(shown, LabelText());
    }
}

} // namespace
} // namespace octolume
