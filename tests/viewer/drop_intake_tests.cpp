#include "app/drop_intake.h"

#include "hand_made_data.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

TEST(GetSingleItemFromDataObject, TextIsTakenWholeAndUnchanged) {
    MessageBoxCapture boxes;
    HandMadeData data;
    data.text = "  \"C:\\Some Folder\\file.bin\" \r\n";
    EXPECT_EQ(L"  \"C:\\Some Folder\\file.bin\" \r\n", GetSingleItemFromDataObject(&data));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(1u, data.references);
}

TEST(GetSingleItemFromDataObject, FirstFileOfTheList) {
    HandMadeData one;
    one.files = {L"C:\\data\\one.bin"};
    EXPECT_EQ(L"C:\\data\\one.bin", GetSingleItemFromDataObject(&one));

    HandMadeData three;
    three.files = {L"C:\\data\\first.bin", L"C:\\data\\second.bin", L"C:\\data\\third.bin"};
    EXPECT_EQ(L"C:\\data\\first.bin", GetSingleItemFromDataObject(&three));

    HandMadeData folder;
    folder.files = {L"C:\\windows"};
    EXPECT_EQ(L"C:\\windows", GetSingleItemFromDataObject(&folder));
}

TEST(GetSingleItemFromDataObject, TextWinsOverFiles) {
    HandMadeData data;
    data.text = "C:\\from\\text.txt";
    data.files = {L"C:\\from\\files.bin"};
    EXPECT_EQ(L"C:\\from\\text.txt", GetSingleItemFromDataObject(&data));
}

TEST(GetSingleItemFromDataObject, NeitherTextNorFilesGivesAnEmptyItemQuietly) {
    MessageBoxCapture boxes;
    HandMadeData data;
    EXPECT_EQ(L"", GetSingleItemFromDataObject(&data));
    EXPECT_EQ(L"", GetSingleItemFromDataObject(nullptr));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(GetSingleItemFromDataObject, UnreadableDataIsReported) {
    MessageBoxCapture boxes;
    HandMadeData data;
    data.text = "C:\\x";
    data.failGetData = true;
    EXPECT_EQ(L"", GetSingleItemFromDataObject(&data));
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(L"Unexpected Error in frmOctolume.GetSingleItemFromDataObject",
              boxes.Boxes()[0].title);
    EXPECT_NE(std::wstring::npos, boxes.Boxes()[0].text.find(L"No: -2147024882\r\n"));
}

TEST(ViewDropTarget, AcceptsEveryDropAsACopyAndHandsOverTheData) {
    IDataObject* received = nullptr;
    int drops = 0;
    ViewDropTarget target([&](IDataObject* data) {
        received = data;
        ++drops;
    });
    HandMadeData data;
    DWORD effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(S_OK, target.DragEnter(&data, MK_LBUTTON, {}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    effect = DROPEFFECT_NONE;
    EXPECT_EQ(S_OK, target.DragOver(MK_LBUTTON, {}, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    EXPECT_EQ(0, drops);
    EXPECT_EQ(S_OK, target.Drop(&data, 0, {}, &effect));
    EXPECT_EQ(1, drops);
    EXPECT_EQ(&data, received);
}

} // namespace
} // namespace octolume::test
