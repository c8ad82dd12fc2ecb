// Recording custom controls, with no dialog anywhere: keys, control IDs, group lists and
// records, and the defaults of the live members before any showing.

#include "fake_com.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

using Access = FileDialogTestAccess;
using Keys = std::vector<std::pair<std::wstring, std::wstring>>;
using Record = std::pair<std::wstring, std::int32_t>;

constexpr std::int32_t kComboBox = 1, kRadioButtonList = 2, kMenu = 3, kCheckButton = 10,
                       kEditBox = 11, kPushButton = 12, kText = 13;

TEST(CustomizeRecording, ComboBoxWithThreeItemsAsTheFirstControl) {
    IFileDialog dialog;
    ASSERT_TRUE(dialog.Customize_CreateGroup(kComboBox, L"combo", L"", {L"a", L"b", L"c"}));
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kCheckButton, L"check", L"Tick", true));
    // The group's own field holds 2^24 + 101 = 0x1000065; its items are 102 to 104.
    EXPECT_EQ(Access::Keys(dialog), (Keys{{L"combo", L"&H1000065&&H66&     &H67&     &H68&     "},
                                          {L"check", L"167772265"}})); // 10 * 2^24 + 105
    EXPECT_EQ(Access::IdsTaken(dialog), 5);
    EXPECT_EQ(Access::Record(dialog, 103), Record(L"b", 0));
    EXPECT_EQ(Access::Record(dialog, 104), Record(L"c", 0));
    EXPECT_EQ(Access::Record(dialog, 105), Record(L"Tick", 1));
}

TEST(CustomizeRecording, GroupsOfTheFourGroupTypesOnly) {
    IFileDialog dialog;
    EXPECT_FALSE(dialog.Customize_CreateGroup(0, L"end", L"", {L"a"}));
    EXPECT_FALSE(dialog.Customize_CreateGroup(5, L"visual", L"", {L"a"}));
    EXPECT_FALSE(dialog.Customize_CreateNonGroupItem(kRadioButtonList, L"radio"));
    EXPECT_FALSE(dialog.Customize_CreateNonGroupItem(15, L"fifteen"));
    EXPECT_EQ(Access::IdsTaken(dialog), 0);
    ASSERT_TRUE(dialog.Customize_CreateGroup(kRadioButtonList, L"radio", L""));
    ASSERT_TRUE(dialog.Customize_CreateGroup(kMenu, L"menu", L"Actions", {L"Go"}));
    EXPECT_EQ(Access::Keys(dialog),
              (Keys{{L"radio", L"&H2000065&"}, {L"menu", L"&H3000066&&H67&     "}}));
    EXPECT_EQ(Access::Record(dialog, 102), Record(L"Actions", 0));
}

TEST(CustomizeRecording, KeysAreCaseBlindAndMayNotBeginWithABlank) {
    IFileDialog dialog;
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kPushButton, L"name", L"Push"));
    EXPECT_FALSE(dialog.Customize_CreateNonGroupItem(kText, L"Name", L"Other"));
    EXPECT_FALSE(dialog.Customize_CreateContainer(L"NAME", L"Group"));
    EXPECT_FALSE(dialog.Customize_CreateGroup(kComboBox, L"nAmE", L"", {L"a"}));
    for (const std::wstring key : {L" lead", L"", L" "}) {
        EXPECT_FALSE(dialog.Customize_CreateContainer(key, L"Group"));
        EXPECT_FALSE(dialog.Customize_CreateGroup(kComboBox, key, L"", {L"a"}));
        EXPECT_FALSE(dialog.Customize_CreateNonGroupItem(kEditBox, key, L"text"));
    }
    // A blank inside or at the end is an ordinary character.
    EXPECT_TRUE(dialog.Customize_CreateNonGroupItem(kText, L"name ", L"Text"));
    EXPECT_EQ(Access::Keys(dialog), (Keys{{L"name", L"201326693"}, {L"name ", L"218103910"}}));
    EXPECT_EQ(Access::Record(dialog, 101), Record(L"Push", 0));
}

TEST(CustomizeRecording, TheLastControlIdIs0xFFFFFF) {
    IFileDialog dialog;
    // The next ID is 0xFFFFFD: room for a group with two items, not three.
    Access::TakeIds(dialog, 0xFFFFFD - 101);
    EXPECT_FALSE(dialog.Customize_CreateGroup(kComboBox, L"combo", L"", {L"a", L"b", L"c"}));
    ASSERT_TRUE(dialog.Customize_CreateGroup(kComboBox, L"combo", L"", {L"a", L"b"}));
    EXPECT_EQ(Access::Keys(dialog), (Keys{{L"combo", L"&H1FFFFFD&&HFFFFFE& &HFFFFFF& "}}));
    EXPECT_EQ(Access::IdsTaken(dialog), 16777115);
    EXPECT_FALSE(dialog.Customize_CreateNonGroupItem(kText, L"text", L"Text"));
    EXPECT_FALSE(dialog.Customize_CreateContainer(L"group", L"Group"));
    EXPECT_FALSE(dialog.Customize_AppendGroupItem(L"combo", L"c"));
    EXPECT_EQ(Access::IdsTaken(dialog), 16777115);
}

TEST(CustomizeRecording, ClosingAVisualGroupAndMarkingProminence) {
    IFileDialog dialog;
    ASSERT_TRUE(dialog.Customize_CreateContainer(L"group", L"Options"));
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kCheckButton, L"inside", L"Inside"));
    EXPECT_FALSE(dialog.Customize_CloseContainer(L"inside"));
    EXPECT_FALSE(dialog.Customize_CloseContainer(L"nowhere"));
    EXPECT_TRUE(dialog.Customize_CloseContainer(L"group"));
    EXPECT_FALSE(dialog.Customize_CloseContainer(L"GROUP"));
    // The end of the group is a type-0 control under the reserved key, carrying the
    // group's ID.
    EXPECT_EQ(Access::Keys(dialog),
              (Keys{{L"group", L"83886181"}, {L"inside", L"167772262"}, {L" group", L"103"}}));
    EXPECT_EQ(Access::Record(dialog, 103), Record(L"", 101));
    dialog.Customize_MakeControlProminent(L"INSIDE");
    dialog.Customize_MakeControlProminent(L" group");
    dialog.Customize_MakeControlProminent(L"nowhere");
    EXPECT_EQ(Access::Record(dialog, 102), Record(L"Inside", 0x10000000));
    EXPECT_EQ(Access::Record(dialog, 103), Record(L"", 101));
}

TEST(CustomizeRecording, AppendingBeforeShowingMovesTheGroupToTheEnd) {
    IFileDialog dialog;
    ASSERT_TRUE(dialog.Customize_CreateGroup(kComboBox, L"combo", L"", {L"a"}));
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kPushButton, L"push", L"Push"));
    EXPECT_TRUE(dialog.Customize_AppendGroupItem(L"Combo", L"b"));
    EXPECT_TRUE(dialog.Customize_AppendGroupItem(L"combo", L"c"));
    EXPECT_FALSE(dialog.Customize_AppendGroupItem(L"push", L"x"));
    EXPECT_FALSE(dialog.Customize_AppendGroupItem(L"nowhere", L"x"));
    EXPECT_EQ(
        Access::Keys(dialog),
        (Keys{{L"push", L"201326695"}, {L"combo", L"&H1000065&&H66&     &H68&     &H69&     "}}));
    EXPECT_EQ(Access::Record(dialog, 104), Record(L"b", 0));
    EXPECT_EQ(Access::Record(dialog, 105), Record(L"c", 0));
    // The next control takes the next ID.
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kText, L"text"));
    EXPECT_EQ(Access::Keys(dialog).back(),
              (std::pair<std::wstring, std::wstring>{L"text", L"218103914"})); // 13 * 2^24 + 106
}

TEST(CustomizeRecording, LiveMembersBeforeShowingGiveTheirDefaults) {
    IFileDialog dialog;
    ASSERT_TRUE(dialog.Customize_CreateGroup(kComboBox, L"combo", L"", {L"a", L"b"}));
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kCheckButton, L"check", L"Tick", true));
    ASSERT_TRUE(dialog.Customize_CreateNonGroupItem(kEditBox, L"edit", L"text"));
    EXPECT_EQ(dialog.CustomControl_GetTextBoxText(L"edit"), L"");
    EXPECT_EQ(dialog.CustomControl_SetTextBoxText(L"edit", L"new"), L"");
    EXPECT_EQ(dialog.CustomControl_SetControlCaption(L"check", L"new"), L"");
    EXPECT_EQ(dialog.CustomControl_GetState(L"check"), 0);
    EXPECT_EQ(dialog.CustomControl_GetState(L"combo", 0), 0);
    EXPECT_FALSE(dialog.CustomControl_SetState(L"check", true, true));
    EXPECT_EQ(dialog.CustomControl_GetSelected(L"check"), 0);
    EXPECT_EQ(dialog.CustomControl_GetSelected(L"nowhere"), 0);
    EXPECT_EQ(dialog.CustomControl_SetSelected(L"combo", 1), 0);
    EXPECT_FALSE(dialog.Customize_RemoveGroupItem(L"combo", 0));
    // Nothing above changed the record.
    EXPECT_EQ(Access::Keys(dialog), (Keys{{L"combo", L"&H1000065&&H66&     &H67&     "},
                                          {L"check", L"167772264"},
                                          {L"edit", L"184549481"}}));
}

} // namespace
} // namespace octolume::test
