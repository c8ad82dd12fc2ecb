// Folder settings, shell item utilities and the idle behaviour of the live operations.

#include "fake_com.h"

#include <gtest/gtest.h>

namespace octolume::test {
namespace {

const std::wstring kBracedId = L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

TEST(FolderSettings, DefaultFolderAcceptsPathsAndWholeBracedIdsOnly) {
    IFileDialog dialog;
    dialog.propDefaultFolder_Set(Variant(L"C:\\data"));
    EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(L"C:\\data"));
    // "{" plus 36 characters and no closing brace.
    const std::wstring unclosed = L"{" + std::wstring(36, L'A');
    dialog.propDefaultFolder_Set(Variant(unclosed));
    EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(L"C:\\data"));
    dialog.propDefaultFolder_Set(Variant(kBracedId + L" "));
    EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(L"C:\\data"));
    dialog.propDefaultFolder_Set(Variant(kBracedId));
    EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(kBracedId));
    dialog.propDefaultFolder_Set(Variant(L""));
    EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(L""));
    dialog.propDefaultFolder_Set(Variant(std::int32_t{0x10000}));
    EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(std::int32_t{0x10000}));
    for (const Variant& refused : {Variant::Boolean(true), Variant::Other(VT_I2),
                                   Variant::Other(VT_R8), Variant::Other(VT_DISPATCH)}) {
        dialog.propDefaultFolder_Set(refused);
        EXPECT_EQ(dialog.propDefaultFolder_Get(), Variant(std::int32_t{0x10000}));
    }
    dialog.propDefaultFolder_Set(Variant());
    EXPECT_TRUE(dialog.propDefaultFolder_Get(7).IsEmpty());
}

TEST(FolderSettings, StartupFolderStoresAnyString) {
    IFileDialog dialog;
    const std::wstring unclosed = L"{" + std::wstring(36, L'A');
    dialog.propStartupFolder_Set(Variant(unclosed), 1);
    EXPECT_EQ(dialog.propStartupFolder_Get(), Variant(unclosed));
    dialog.propStartupFolder_Set(Variant::Other(VT_DATE));
    EXPECT_EQ(dialog.propStartupFolder_Get(), Variant(unclosed));
}

TEST(FolderSettings, PlaceAtTopIsSetEvenWhenThePathIsRefused) {
    IFileDialog dialog;
    dialog.propAddPlace_SetFolder(Variant(L"C:\\places"));
    dialog.propAddPlace_SetFolder(Variant::Boolean(true), 0, true);
    bool atTop = false;
    EXPECT_EQ(dialog.propAddPlace_GetFolder(atTop), Variant(L"C:\\places"));
    EXPECT_TRUE(atTop);
    dialog.propAddPlace_SetFolder(Variant(L"{" + std::wstring(36, L'A')), 0, false);
    EXPECT_EQ(dialog.propAddPlace_GetFolder(atTop), Variant(L"C:\\places"));
    EXPECT_FALSE(atTop);
}

TEST(FolderSettings, ObjectsAreSharedNotCopied) {
    World world;
    Object* item = world.Make(Kind::ShellItem, L"folder");
    {
        IFileDialog dialog;
        ComPtr<IUnknown> object(reinterpret_cast<IUnknown*>(item));
        dialog.propStartupFolder_Set(Variant(object));
        EXPECT_EQ(dialog.propStartupFolder_Get().Object(), object.Get());
        EXPECT_EQ(item->references, 3);
        dialog.Clear();
        EXPECT_EQ(item->references, 2);
        dialog.propStartupFolder_Set(Variant(object));
    }
    EXPECT_EQ(item->references, 1);
    --item->references;
}

class ShellItemUtilities : public testing::Test {
protected:
    void TearDown() override {
        for (auto* item : {first_, second_}) {
            --item->references;
        }
        EXPECT_TRUE(world_.AllReleased()) << world_.Census();
        for (void* block : world_.allocatedStrings) {
            EXPECT_TRUE(watch_.Freed(block));
        }
    }
    IUnknown* Raw(Object* object) { return reinterpret_cast<IUnknown*>(object); }

    AllocatorWatch watch_;
    World world_;
    Object* first_ = world_.Make(Kind::ShellItem, L"first");
    Object* second_ = world_.Make(Kind::ShellItem, L"second");
    IFileDialog dialog_;
};

TEST_F(ShellItemUtilities, DisplayNameFallsBackToTheNormalName) {
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(Raw(first_), 5, true), L"first@5");
    world_.unsupportedFormat = 0x8004C000;
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(Raw(first_), 0x8004C000), L"first");
    world_.unsupportedFormat = 0;
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(Raw(first_), 0), L"");
}

TEST_F(ShellItemUtilities, ValidationRefusesOtherObjectsWithoutCallingThem) {
    Object* items = world_.Make(Kind::ItemArray, L"array", 2);
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(Raw(items), 0, true), L"");
    EXPECT_EQ(dialog_.IShellItem_GetParent(Raw(items), true), nullptr);
    EXPECT_EQ(dialog_.IShellItem_GetAttributes(Raw(items), 0x40000000, true), 0);
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(Raw(first_), Raw(items), 0, true));
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(Raw(items), Raw(first_), 0, true));
    // Only QueryInterface and Release reached the array.
    for (int slot = 3; slot <= 9; ++slot) {
        EXPECT_TRUE(world_.CallsTo(Kind::ItemArray, slot).empty()) << slot;
    }
    --items->references;
}

TEST_F(ShellItemUtilities, NullPointersGiveEmptyValuesWithOrWithoutValidation) {
    for (bool validate : {true, false}) {
        EXPECT_EQ(dialog_.IShellItem_GetDisplayName(nullptr, 0, validate), L"");
        EXPECT_EQ(dialog_.IShellItem_GetParent(nullptr, validate), nullptr);
        EXPECT_EQ(dialog_.IShellItem_GetAttributes(nullptr, -1, validate), 0);
        EXPECT_FALSE(dialog_.IShellItem_AreEqual(nullptr, Raw(first_), 0, validate));
        EXPECT_FALSE(dialog_.IShellItem_AreEqual(Raw(first_), nullptr, 0, validate));
        EXPECT_EQ(dialog_.IShellItem_PointerToObject(nullptr, validate), nullptr);
    }
}

TEST_F(ShellItemUtilities, ParentTakesOverTheReturnedReference) {
    ComPtr<IUnknown> parent = dialog_.IShellItem_GetParent(Raw(first_), true);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(dialog_.IShellItem_GetDisplayName(parent.Get(), 0), L"parent of first");
    Object* root = world_.Make(Kind::ShellItem, L"root");
    EXPECT_EQ(dialog_.IShellItem_GetParent(Raw(root)), nullptr);
    --root->references;
}

TEST_F(ShellItemUtilities, AttributesAreTheWrittenBitsEvenOnSFalse) {
    world_.itemAttributes = 0x40000000 | 0x4;
    EXPECT_EQ(dialog_.IShellItem_GetAttributes(Raw(first_), 0x40000000 | 0x20000000, true),
              0x40000000);
    EXPECT_EQ(dialog_.IShellItem_GetAttributes(Raw(first_), 0x4), 0x4);
}

TEST_F(ShellItemUtilities, EqualityNeedsASuccessfulComparison) {
    Object* twin = world_.Make(Kind::ShellItem, L"first");
    EXPECT_TRUE(dialog_.IShellItem_AreEqual(Raw(first_), Raw(twin), 0, true));
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(Raw(first_), Raw(second_), 0, true));
    const auto compares = world_.CallsTo(Kind::ShellItem, 7);
    ASSERT_EQ(compares.size(), 2u);
    EXPECT_EQ(compares[0].arguments[1], 0u);
    dialog_.IShellItem_AreEqual(Raw(first_), Raw(twin), 0x30000000);
    EXPECT_EQ(world_.CallsTo(Kind::ShellItem, 7)[2].arguments[1], 0x30000000u);
    // A comparison that fails without writing an order is not equality.
    world_.compareFails = true;
    EXPECT_FALSE(dialog_.IShellItem_AreEqual(Raw(first_), Raw(twin), 0));
    --twin->references;
}

TEST_F(ShellItemUtilities, PointerToObjectAddsOrTakesOverAReference) {
    {
        ComPtr<IUnknown> added = dialog_.IShellItem_PointerToObject(Raw(first_));
        EXPECT_EQ(first_->references, 2);
    }
    ++first_->references; // a reference the caller is about to hand over
    ComPtr<IUnknown> taken = dialog_.IShellItem_PointerToObject(Raw(first_), true);
    EXPECT_EQ(first_->references, 2);
}

TEST(LiveOperations, IdleDialogCallsNothing) {
    World world;
    FactoryGuard guard(world);
    IFileDialog dialog;
    dialog.DialogClose(true);
    EXPECT_EQ(dialog.DialogGetCurrentSelection(), nullptr);
    EXPECT_EQ(dialog.DialogGetCurrentFolder(), nullptr);
    EXPECT_EQ(dialog.DialogGetEditBoxText(), L"");
    EXPECT_EQ(dialog.DialogGetFilterIndex(), 0);
    EXPECT_EQ(dialog.DialogHWND(), nullptr);
    EXPECT_FALSE(world.createdClass.has_value());
    EXPECT_TRUE(world.DialogSlots().empty());
}

TEST(Results, EmptyBeforeAnyShowing) {
    IFileDialog dialog;
    EXPECT_EQ(dialog.Results(), nullptr);
    EXPECT_EQ(dialog.ResultsCount(), 0);
    EXPECT_EQ(dialog.ResultsItem(1), nullptr);
    EXPECT_EQ(dialog.ResultsItem(0), nullptr);
}

} // namespace
} // namespace octolume::test
