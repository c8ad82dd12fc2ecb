// The exact call sequence of DialogShow against a stand-in dialog, and that every
// reference it receives is released.

#include "fake_com.h"

#include <gtest/gtest.h>

#include <limits>

namespace octolume::test {
namespace {

constexpr int kShow = 3, kSetFileTypes = 4, kSetFileTypeIndex = 5, kSetOptions = 9,
              kSetDefaultFolder = 11, kSetFolder = 12, kSetFileName = 15, kSetTitle = 17,
              kSetOkButtonLabel = 18, kSetFileNameLabel = 19, kGetResult = 20, kAddPlace = 21,
              kSetDefaultExtension = 22, kSetClientGuid = 24, kClearClientData = 25,
              kGetResults = 27, kQueryInterface = 0;
constexpr std::int32_t kCancelled = static_cast<std::int32_t>(0x800704C7u);

class DialogShowTest : public testing::Test {
protected:
    // The dialog object is dropped before the stand-ins, so every reference it still
    // holds must come back before the census.
    void TearDown() override {
        dialog_.reset();
        EXPECT_TRUE(world_.AllReleased()) << world_.Census();
    }

    std::uint32_t OnlyArgument(int slot) {
        const auto calls = world_.CallsTo(Kind::Dialog, slot);
        EXPECT_EQ(calls.size(), 1u) << "slot " << slot;
        return calls.empty() || calls[0].arguments.empty() ? 0xDEADBEEFu : calls[0].arguments[0];
    }
    // One SetFileTypes call with these description and pattern pairs.
    void ExpectFileTypes(const std::vector<std::pair<std::wstring, std::wstring>>& pairs) {
        const auto types = world_.CallsTo(Kind::Dialog, kSetFileTypes);
        ASSERT_EQ(types.size(), 1u);
        EXPECT_EQ(types[0].arguments[0], pairs.size());
        EXPECT_EQ(types[0].fileTypes, pairs);
    }
    bool CreatedWith(const wchar_t* classText, const wchar_t* interfaceText) const {
        return world_.createdClass && world_.createdInterface &&
               ::IsEqualCLSID(*world_.createdClass, IidFromText(classText)) &&
               ::IsEqualIID(*world_.createdInterface, IidFromText(interfaceText));
    }
    void ExpectSettingsAtDefaults() {
        EXPECT_EQ(dialog_->propFlags(), 0);
        EXPECT_EQ(dialog_->propFilters(), L"");
        EXPECT_EQ(dialog_->propFilterIndex(), 0);
        EXPECT_EQ(dialog_->propInitialFileName(), L"");
        EXPECT_EQ(dialog_->propOKButtonCaption(), L"");
        EXPECT_EQ(dialog_->propFileLabelCaption(), L"");
        EXPECT_EQ(dialog_->propDefaultExtension(), L"");
        EXPECT_EQ(dialog_->propDialogStateGUID(), L"");
        EXPECT_TRUE(dialog_->propDefaultFolder_Get().IsEmpty());
        EXPECT_TRUE(dialog_->propStartupFolder_Get().IsEmpty());
        bool atTop = true;
        EXPECT_TRUE(dialog_->propAddPlace_GetFolder(atTop).IsEmpty());
        EXPECT_FALSE(atTop);
    }

    World world_;
    FactoryGuard guard_{world_};
    std::unique_ptr<IFileDialog> dialog_ = std::make_unique<IFileDialog>();
};

constexpr const wchar_t* kClsidOpen = file_dialog_detail::kClsidFileOpenDialog;
constexpr const wchar_t* kClsidSave = file_dialog_detail::kClsidFileSaveDialog;

TEST_F(DialogShowTest, NoFiltersOffersAllFilesAndKeepsTheChosenItem) {
    EXPECT_EQ(dialog_->DialogShow(reinterpret_cast<HWND>(0x55), 0, L""), 0);
    EXPECT_TRUE(CreatedWith(kClsidOpen, kIidIFileOpenDialog));
    EXPECT_EQ(world_.DialogSlots(),
              (std::vector<int>{kSetFileTypes, kSetFileTypeIndex, kSetOptions, kShow, kGetResult}));
    ExpectFileTypes({{L"All Files", L"*.*"}});
    EXPECT_EQ(OnlyArgument(kSetFileTypeIndex), 1u);
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x1800u);
    EXPECT_EQ(OnlyArgument(kShow), 0x55u);
    // Exactly the reference CoCreateInstance returned is kept, then released.
    EXPECT_EQ(world_.dialog->references, 0);
    EXPECT_EQ(dialog_->ResultsCount(), 1);
    EXPECT_EQ(dialog_->ResultsItem(1).Get(), dialog_->Results().Get());
    EXPECT_EQ(dialog_->ResultsItem(2), nullptr);
    ExpectSettingsAtDefaults();
    dialog_->Clear();
    EXPECT_EQ(dialog_->Results(), nullptr);
    EXPECT_EQ(dialog_->ResultsCount(), 0);
    EXPECT_TRUE(world_.AllReleased()) << world_.Census();
}

TEST_F(DialogShowTest, OnePieceSetsNoFileTypes) {
    dialog_->propFilters(L"Text files");
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(world_.DialogSlots(), (std::vector<int>{kSetOptions, kShow, kGetResult}));
}

TEST_F(DialogShowTest, ThreePiecesPassOnePairAndTheIndexPlusOne) {
    dialog_->propFilters(L"Text|*.txt;*.log|Orphan");
    dialog_->propFilterIndex(2);
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    ExpectFileTypes({{L"Text", L"*.txt;*.log"}});
    EXPECT_EQ(OnlyArgument(kSetFileTypeIndex), 3u);
}

TEST_F(DialogShowTest, FourPiecesPassTwoPairsInOrder) {
    dialog_->propFilters(L"A|*.a|B|*.b");
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    ExpectFileTypes({{L"A", L"*.a"}, {L"B", L"*.b"}});
    EXPECT_EQ(OnlyArgument(kSetFileTypeIndex), 1u);
}

TEST_F(DialogShowTest, LargestFilterIndexSkipsOnlyTheIndex) {
    dialog_->propFilterIndex(std::numeric_limits<std::int32_t>::max());
    dialog_->propInitialFileName(L"name.txt");
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(world_.DialogSlots(),
              (std::vector<int>{kSetFileTypes, kSetOptions, kSetFileName, kShow, kGetResult}));
    EXPECT_EQ(world_.dialog->references, 0);
    ExpectSettingsAtDefaults();
}

TEST_F(DialogShowTest, SaveDropsMultiSelectAndUsesGetResult) {
    dialog_->propFlags(0x200);
    EXPECT_EQ(dialog_->DialogShow(nullptr, 1), 0);
    EXPECT_TRUE(CreatedWith(kClsidSave, kIidIFileSaveDialog));
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x8802u);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kGetResults).size(), 0u);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kGetResult).size(), 1u);
}

TEST_F(DialogShowTest, SaveKeepsOtherBitsAndRemovesPickFolders) {
    dialog_->propFlags(0x200 | 0x20 | 0x2);
    EXPECT_EQ(dialog_->DialogShow(nullptr, 1), 0);
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x2u);
}

TEST_F(DialogShowTest, PickFolderWithNoOptionsAsksForTheBaseInterface) {
    EXPECT_EQ(dialog_->DialogShow(nullptr, 2), 0);
    EXPECT_TRUE(CreatedWith(kClsidOpen, kIidIFileDialog));
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x1820u);
}

TEST_F(DialogShowTest, PickFolderWithMultiSelectAsksForTheOpenInterface) {
    dialog_->propFlags(0x200);
    world_.chosenItems = 2;
    EXPECT_EQ(dialog_->DialogShow(nullptr, 2), 0);
    EXPECT_TRUE(CreatedWith(kClsidOpen, kIidIFileOpenDialog));
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x220u);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kGetResults).size(), 1u);
    EXPECT_EQ(dialog_->ResultsCount(), 2);
}

TEST_F(DialogShowTest, ForceFileSystemRemovesAllNonStorageItemsFirst) {
    dialog_->propFlags(0x40 | 0x80);
    EXPECT_EQ(dialog_->DialogShow(nullptr, 0), 0);
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x40u);
}

TEST_F(DialogShowTest, UnknownModeClearsAndCreatesNothing) {
    dialog_->propFilters(L"A|*.a");
    dialog_->propFlags(0x1800);
    dialog_->propStartupFolder_Set(Variant(L"C:\\"));
    EXPECT_EQ(dialog_->DialogShow(nullptr, 3), -1);
    EXPECT_FALSE(world_.createdClass.has_value());
    ExpectSettingsAtDefaults();
}

TEST_F(DialogShowTest, CreationFailureClearsAndReturnsItsCode) {
    world_.createFails = true;
    dialog_->propFilters(L"A|*.a");
    EXPECT_EQ(dialog_->DialogShow(nullptr), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(dialog_->Results(), nullptr);
    ExpectSettingsAtDefaults();
}

TEST_F(DialogShowTest, NestedShowIsRefusedAndTheFirstGoesOn) {
    std::int32_t nested = 0;
    world_.duringShow = [&] { nested = dialog_->DialogShow(nullptr); };
    dialog_->propFlags(0x1000);
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kShow).size(), 1u);
    EXPECT_EQ(OnlyArgument(kSetOptions), 0x1000u);
    EXPECT_EQ(dialog_->ResultsCount(), 1);
}

TEST_F(DialogShowTest, NestedShowKeepsThePreviousResultUntilTheEnd) {
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    ComPtr<IUnknown> first = dialog_->Results();
    ASSERT_NE(first, nullptr);
    ComPtr<IUnknown> seenDuringShow;
    world_.duringShow = [&] { seenDuringShow = dialog_->Results(); };
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    // A new showing drops the old result before it starts.
    EXPECT_EQ(seenDuringShow, nullptr);
    EXPECT_NE(dialog_->Results().Get(), first.Get());
}

TEST_F(DialogShowTest, CancelReturnsItsCodeAndFetchesNothing) {
    world_.showResult = kCancelled;
    dialog_->propFilters(L"A|*.a");
    dialog_->propFlags(0x1800);
    dialog_->propInitialFileName(L"x");
    dialog_->propAddPlace_SetFolder(Variant(L"C:\\"), 0, true);
    EXPECT_EQ(dialog_->DialogShow(nullptr), kCancelled);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kGetResult).size(), 0u);
    EXPECT_EQ(dialog_->Results(), nullptr);
    EXPECT_EQ(dialog_->ResultsCount(), 0);
    EXPECT_EQ(dialog_->ResultsItem(1), nullptr);
    ExpectSettingsAtDefaults();
}

TEST_F(DialogShowTest, ClearDuringShowChangesNothing) {
    dialog_->propFilters(L"A|*.a");
    dialog_->propFlags(0x1800);
    dialog_->propOKButtonCaption(L"Go");
    std::wstring filtersAfterClear, captionAfterClear;
    std::int32_t flagsAfterClear = 0;
    world_.duringShow = [&] {
        dialog_->Clear();
        filtersAfterClear = dialog_->propFilters();
        captionAfterClear = dialog_->propOKButtonCaption();
        flagsAfterClear = dialog_->propFlags();
    };
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(filtersAfterClear, L"A|*.a");
    EXPECT_EQ(captionAfterClear, L"Go");
    EXPECT_EQ(flagsAfterClear, 0x1800);
    EXPECT_EQ(dialog_->ResultsCount(), 1);
}

TEST_F(DialogShowTest, ClientGuidForms) {
    const std::wstring guid = L"{12345678-1234-1234-1234-123456789ABC}";
    const GUID parsed = IidFromText(guid.c_str());

    dialog_->propDialogStateGUID(guid);
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    auto guids = world_.CallsTo(Kind::Dialog, kSetClientGuid);
    ASSERT_EQ(guids.size(), 1u);
    EXPECT_TRUE(::IsEqualGUID(guids[0].guid, parsed));
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kClearClientData).size(), 0u);
    // Applied before anything else is configured.
    EXPECT_EQ(world_.DialogSlots().front(), kSetClientGuid);

    dialog_->propDialogStateGUID(L"-" + guid);
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    guids = world_.CallsTo(Kind::Dialog, kSetClientGuid);
    ASSERT_EQ(guids.size(), 2u);
    EXPECT_TRUE(::IsEqualGUID(guids[1].guid, parsed));
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kClearClientData).size(), 1u);

    dialog_->propDialogStateGUID(L"{00000000-0000-0000-0000-000000000000}");
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kSetClientGuid).size(), 2u);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kClearClientData).size(), 2u);

    for (const std::wstring& ignored :
         std::vector<std::wstring>{L"+" + guid, L"{not-a-guid-at-all-but-38-characters!}",
                                   guid.substr(0, 37), L"--" + guid}) {
        dialog_->propDialogStateGUID(ignored);
        ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    }
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kSetClientGuid).size(), 2u);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kClearClientData).size(), 2u);
}

TEST_F(DialogShowTest, FoldersAndTextsInTheirOrder) {
    ComPtr<IUnknown> defaultFolder(
        reinterpret_cast<IUnknown*>(world_.Make(Kind::ShellItem, L"default")));
    ComPtr<IUnknown> startup(reinterpret_cast<IUnknown*>(world_.Make(Kind::ShellItem, L"startup")));
    ComPtr<IUnknown> place(reinterpret_cast<IUnknown*>(world_.Make(Kind::ShellItem, L"place")));
    // The ComPtrs took one reference each on top of the creation's own.
    for (auto* item : {defaultFolder.Get(), startup.Get(), place.Get()}) {
        item->Release();
    }
    dialog_->propDefaultFolder_Set(Variant(defaultFolder));
    dialog_->propStartupFolder_Set(Variant(startup));
    dialog_->propAddPlace_SetFolder(Variant(place), 1, true);
    dialog_->propInitialFileName(L"file.txt");
    dialog_->propOKButtonCaption(L"Take");
    dialog_->propFileLabelCaption(L"Name:");
    dialog_->propDefaultExtension(L"txt");
    defaultFolder.Reset();
    startup.Reset();
    place.Reset();

    EXPECT_EQ(dialog_->DialogShow(nullptr, 0, L"Pick one"), 0);
    EXPECT_EQ(world_.DialogSlots(),
              (std::vector<int>{kSetFileTypes, kSetFileTypeIndex, kSetOptions, kSetDefaultFolder,
                                kSetFolder, kAddPlace, kSetFileName, kSetTitle, kSetOkButtonLabel,
                                kSetFileNameLabel, kSetDefaultExtension, kShow, kGetResult}));
    const auto text = [&](int slot) {
        const auto calls = world_.CallsTo(Kind::Dialog, slot);
        return calls.empty() ? std::wstring(L"<none>") : calls[0].text;
    };
    EXPECT_EQ(text(kSetDefaultFolder), L"default");
    EXPECT_EQ(text(kSetFolder), L"startup");
    EXPECT_EQ(text(kAddPlace), L"place");
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kAddPlace)[0].arguments[1], 1u);
    EXPECT_EQ(text(kSetFileName), L"file.txt");
    EXPECT_EQ(text(kSetTitle), L"Pick one");
    EXPECT_EQ(text(kSetOkButtonLabel), L"Take");
    EXPECT_EQ(text(kSetFileNameLabel), L"Name:");
    EXPECT_EQ(text(kSetDefaultExtension), L"txt");
}

TEST_F(DialogShowTest, PlaceAtBottomPassesZero) {
    ComPtr<IUnknown> place(reinterpret_cast<IUnknown*>(world_.Make(Kind::ShellItem, L"place")));
    place->Release();
    dialog_->propAddPlace_SetFolder(Variant(place), 0, false);
    place.Reset();
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kAddPlace)[0].arguments[1], 0u);
}

TEST_F(DialogShowTest, MultiSelectKeepsTheArrayOrItsOnlyItem) {
    dialog_->propFlags(0x200 | 0x1800);
    world_.chosenItems = 3;
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(dialog_->ResultsCount(), 3);
    EXPECT_EQ(dialog_->ResultsItem(0), nullptr);
    EXPECT_EQ(dialog_->ResultsItem(4), nullptr);
    for (std::int32_t index = 1; index <= 3; ++index) {
        ComPtr<IUnknown> item = dialog_->ResultsItem(index);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(dialog_->IShellItem_GetDisplayName(item.Get(), 0, true),
                  L"item " + std::to_wstring(index));
    }

    dialog_->propFlags(0x200);
    world_.chosenItems = 1;
    ASSERT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(dialog_->ResultsCount(), 1);
    EXPECT_EQ(dialog_->IShellItem_GetDisplayName(dialog_->Results().Get(), 0, true), L"item 1");
    EXPECT_EQ(dialog_->ResultsItem(1).Get(), dialog_->Results().Get());
}

TEST_F(DialogShowTest, MultiSelectWithoutResultsKeepsNothing) {
    dialog_->propFlags(0x200);
    world_.chosenItems = 0;
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(dialog_->Results(), nullptr);
    EXPECT_EQ(dialog_->ResultsCount(), 0);
}

TEST_F(DialogShowTest, CloseDuringShowDecidesWhatComesBack) {
    world_.duringShow = [&] { dialog_->DialogClose(true); };
    EXPECT_EQ(dialog_->DialogShow(nullptr), -1);
    EXPECT_EQ(OnlyArgument(23), 0xFFFFFFFFu);
    EXPECT_EQ(dialog_->ResultsCount(), 0);

    world_.duringShow = [&] { dialog_->DialogClose(false); };
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(dialog_->ResultsCount(), 1);
}

TEST_F(DialogShowTest, LiveOperationsDuringShowReleaseAndFreeEverything) {
    AllocatorWatch watch;
    world_.editBoxText = L"typed name.bin";
    world_.fileTypeIndex = 2;
    std::wstring edit;
    std::int32_t filterIndex = -5;
    HWND window = nullptr;
    std::wstring folderName, selectionName;
    world_.duringShow = [&] {
        edit = dialog_->DialogGetEditBoxText();
        filterIndex = dialog_->DialogGetFilterIndex();
        window = dialog_->DialogHWND();
        folderName = dialog_->IShellItem_GetDisplayName(dialog_->DialogGetCurrentFolder().Get(), 0);
        selectionName =
            dialog_->IShellItem_GetDisplayName(dialog_->DialogGetCurrentSelection().Get(), 0);
    };
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(edit, L"typed name.bin");
    EXPECT_EQ(filterIndex, 1);
    EXPECT_EQ(window, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(folderName, L"current folder");
    EXPECT_EQ(selectionName, L"selection");
    ASSERT_EQ(world_.allocatedStrings.size(), 3u);
    for (void* block : world_.allocatedStrings) {
        EXPECT_TRUE(watch.Freed(block));
    }
}

TEST_F(DialogShowTest, RecordedControlsAskForTheCustomizeInterface) {
    world_.offerCustomize = true;
    ASSERT_TRUE(dialog_->Customize_CreateNonGroupItem(IFileDialog::kItemCheckButton, L"check"));
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    const auto queries = world_.CallsTo(Kind::Dialog, kQueryInterface);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(world_.DialogSlots().front(), kQueryInterface);
    EXPECT_FALSE(FileDialogTestAccess::HasCustomControls(*dialog_));
    // The customize interface is let go when the showing ends, not when the object dies.
    const Object* customize = world_.FirstOf(Kind::Customize);
    ASSERT_NE(customize, nullptr);
    EXPECT_EQ(customize->references, 0);
}

TEST_F(DialogShowTest, NoCustomizeInterfaceDiscardsTheControls) {
    world_.offerCustomize = false;
    ASSERT_TRUE(dialog_->Customize_CreateNonGroupItem(IFileDialog::kItemCheckButton, L"check"));
    bool controlsDuringShow = true;
    world_.duringShow = [&] {
        controlsDuringShow = FileDialogTestAccess::HasCustomControls(*dialog_);
    };
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kQueryInterface).size(), 1u);
    EXPECT_FALSE(controlsDuringShow);
}

TEST_F(DialogShowTest, ReplayRecreatesEveryControlInRecordingOrder) {
    world_.offerCustomize = true;
    IFileDialog& d = *dialog_;
    ASSERT_TRUE(d.Customize_CreateContainer(L"options", L"Options"));           // 101
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(10, L"check", L"Tick", true));   // 102
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(11, L"edit", L"initial"));       // 103
    ASSERT_TRUE(d.Customize_CloseContainer(L"options"));                        // 104
    ASSERT_TRUE(d.Customize_CreateGroup(1, L"combo", L"", {L"a", L"b"}));       // 105-107
    ASSERT_TRUE(d.Customize_CreateGroup(2, L"radio", L"", {L"one"}));           // 108-109
    ASSERT_TRUE(d.Customize_CreateGroup(3, L"menu", L"Actions", {L"Go"}));      // 110-111
    ASSERT_TRUE(d.Customize_CreateGroup(4, L"drop", L"", {L"Open read-only"})); // 112-113
    ASSERT_TRUE(d.Customize_CreateContainer(L"more", L"More"));                 // 114
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(12, L"push", L"Push"));          // 115
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(13, L"text", L"Some text"));     // 116
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(14, L"line"));                   // 117
    d.Customize_MakeControlProminent(L"push");
    d.Customize_MakeControlProminent(L"options");
    EXPECT_EQ(d.DialogShow(nullptr), 0);
    // The group "more" is never closed, so it ends after the last control.
    EXPECT_EQ(world_.CustomizeScript(),
              (std::vector<std::wstring>{L"StartVisualGroup 101 'Options'",
                                         L"MakeProminent 101",
                                         L"AddCheckButton 102 'Tick' 1",
                                         L"AddEditBox 103 'initial'",
                                         L"EndVisualGroup",
                                         L"AddComboBox 105",
                                         L"AddControlItem 105 106 'a'",
                                         L"AddControlItem 105 107 'b'",
                                         L"AddRadioButtonList 108",
                                         L"AddControlItem 108 109 'one'",
                                         L"AddMenu 110 'Actions'",
                                         L"AddControlItem 110 111 'Go'",
                                         L"EnableOpenDropDown 112",
                                         L"AddControlItem 112 113 'Open read-only'",
                                         L"StartVisualGroup 114 'More'",
                                         L"AddPushButton 115 'Push'",
                                         L"MakeProminent 115",
                                         L"AddText 116 'Some text'",
                                         L"AddSeparator 117",
                                         L"EndVisualGroup"}));
    // The record served this showing only.
    EXPECT_TRUE(FileDialogTestAccess::Keys(d).empty());
}

TEST_F(DialogShowTest, AGroupAppendedToBeforeShowingIsReplayedAfterLaterControls) {
    world_.offerCustomize = true;
    ASSERT_TRUE(dialog_->Customize_CreateGroup(1, L"combo", L"", {L"a"}));
    ASSERT_TRUE(dialog_->Customize_CreateNonGroupItem(10, L"check", L"Tick"));
    ASSERT_TRUE(dialog_->Customize_AppendGroupItem(L"combo", L"b"));
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(
        world_.CustomizeScript(),
        (std::vector<std::wstring>{L"AddCheckButton 103 'Tick' 0", L"AddComboBox 101",
                                   L"AddControlItem 101 102 'a'", L"AddControlItem 101 104 'b'"}));
}

TEST_F(DialogShowTest, WhileShownControlsAreFoundByKeyAndItemsByTheirIds) {
    world_.offerCustomize = true;
    IFileDialog& d = *dialog_;
    ASSERT_TRUE(d.Customize_CreateGroup(1, L"combo", L"", {L"a", L"b"})); // 101-103
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(10, L"check", L"Tick"));   // 104
    std::vector<bool> created;
    std::wstring text = L"?";
    std::size_t replayed = 0;
    world_.duringShow = [&] {
        replayed = world_.CustomizeScript().size();
        created = {d.Customize_CreateContainer(L"late", L"Late"),
                   d.Customize_CreateGroup(2, L"late", L"", {L"x"}),
                   d.Customize_CreateNonGroupItem(12, L"late", L"Late"),
                   d.Customize_CloseContainer(L"combo")};
        d.Customize_MakeControlProminent(L"check");
        text = d.CustomControl_GetTextBoxText(L"check");
        d.CustomControl_SetTextBoxText(L"check", L"not an edit box");
        d.CustomControl_GetState(L"combo", 1);
        d.CustomControl_GetState(L"combo", 2); // beyond the list
        d.CustomControl_GetState(L"check", 0); // no items
        d.CustomControl_SetState(L"combo", true, false, 0);
        d.CustomControl_SetSelected(L"COMBO", 1);
        d.CustomControl_SetSelected(L"check", 7, true);
    };
    EXPECT_EQ(d.DialogShow(nullptr), 0);
    EXPECT_EQ(created, (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(text, L"");
    const auto script = world_.CustomizeScript();
    ASSERT_GE(script.size(), replayed);
    EXPECT_EQ(std::vector<std::wstring>(script.begin() + static_cast<std::ptrdiff_t>(replayed),
                                        script.end()),
              (std::vector<std::wstring>{
                  L"GetControlItemState 101 103 *", L"SetControlItemState 101 102 1",
                  L"SetSelectedControlItem 101 103", L"SetCheckButtonState 104 1"}));
}

TEST_F(DialogShowTest, NoControlsNeverAskForTheCustomizeInterface) {
    world_.offerCustomize = true;
    EXPECT_EQ(dialog_->DialogShow(nullptr), 0);
    EXPECT_EQ(world_.CallsTo(Kind::Dialog, kQueryInterface).size(), 0u);
}

} // namespace
} // namespace octolume::test
