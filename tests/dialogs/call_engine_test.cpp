// The call engine and the private pointer helpers, against stand-in objects and the
// real shell.

#include "fake_com.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace octolume::test {
namespace {

using Access = FileDialogTestAccess;

TEST(CallInterfaceMethod, NegativeOffsetCallsNothing) {
    World world;
    Object* item = world.Make(Kind::ShellItem, L"a");
    EXPECT_EQ(Access::Call(item, -4), std::nullopt);
    EXPECT_EQ(Access::Call(nullptr, 8), std::nullopt);
    EXPECT_TRUE(world.CallsTo(Kind::ShellItem, 1).empty());
    EXPECT_EQ(item->references, 1);
}

TEST(CallInterfaceMethod, NoArgumentsAndTheMethodsOwnResult) {
    World world;
    Object* item = world.Make(Kind::ShellItem, L"a");
    EXPECT_EQ(Access::Call(item, 4), 2); // AddRef returns the new count
    EXPECT_EQ(Access::Call(item, 8), 1);
    EXPECT_EQ(Access::Call(item, 8), 0);
    const auto releases = world.CallsTo(Kind::ShellItem, 2);
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_TRUE(releases[0].arguments.empty());
}

TEST(CallInterfaceMethod, EachArgumentKindArrivesAsOneStackWord) {
    World world;
    Object* dialog = world.Make(Kind::Dialog);
    const std::wstring text = L"Title";
    std::int32_t variable = 0x123456;

    EXPECT_EQ(Access::Call(dialog, 36, {variable}), 0);
    EXPECT_EQ(Access::Call(dialog, 36, {std::int32_t{-7}}), 0);
    EXPECT_EQ(Access::Call(dialog, 36, {std::int16_t{-2}}), 0);
    EXPECT_EQ(Access::Call(dialog, 36, {std::int16_t{0x7FFF}}), 0);
    EXPECT_EQ(Access::Call(dialog, 36, {true}), 0);
    EXPECT_EQ(Access::Call(dialog, 36, {false}), 0);
    EXPECT_EQ(Access::Call(dialog, 68, {text}), 0);
    EXPECT_EQ(Access::Call(dialog, 84, {static_cast<const void*>(dialog), std::int32_t{1}}), 0);

    const auto options = world.CallsTo(Kind::Dialog, 9);
    ASSERT_EQ(options.size(), 6u);
    EXPECT_EQ(options[0].arguments, std::vector<std::uint32_t>{0x123456u});
    EXPECT_EQ(options[1].arguments, std::vector<std::uint32_t>{0xFFFFFFF9u});
    EXPECT_EQ(options[2].arguments, std::vector<std::uint32_t>{0xFFFFFFFEu});
    EXPECT_EQ(options[3].arguments, std::vector<std::uint32_t>{0x7FFFu});
    EXPECT_EQ(options[4].arguments, std::vector<std::uint32_t>{0xFFFFFFFFu}); // true is -1
    EXPECT_EQ(options[5].arguments, std::vector<std::uint32_t>{0u});

    const auto titles = world.CallsTo(Kind::Dialog, 17);
    ASSERT_EQ(titles.size(), 1u);
    // The string's own characters, not a copy.
    EXPECT_EQ(titles[0].arguments[0], reinterpret_cast<std::uintptr_t>(text.c_str()));
    EXPECT_EQ(titles[0].text, L"Title");

    const auto places = world.CallsTo(Kind::Dialog, 21);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(places[0].arguments,
              (std::vector<std::uint32_t>{
                  static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(dialog)), 1u}));
}

TEST(StringFromPointer, CopiesAndFreesWhenAsked) {
    AllocatorWatch watch;
    EXPECT_EQ(Access::StringFromPointer(nullptr, true), L"");

    auto* empty = static_cast<wchar_t*>(::CoTaskMemAlloc(sizeof(wchar_t)));
    empty[0] = L'\0';
    EXPECT_EQ(Access::StringFromPointer(empty, true), L"");
    EXPECT_TRUE(watch.Freed(empty));

    const std::wstring text = L"C:\\folder\\file.bin";
    auto* block = static_cast<wchar_t*>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, block);
    EXPECT_EQ(Access::StringFromPointer(block, false), text);
    EXPECT_FALSE(watch.Freed(block));
    EXPECT_EQ(Access::StringFromPointer(block, true), text);
    EXPECT_TRUE(watch.Freed(block));
}

TEST(ObjectFromPointer, TakesOverOrAddsAReference) {
    World world;
    Object* item = world.Make(Kind::ShellItem, L"a");
    EXPECT_EQ(Access::ObjectFromPointer(nullptr, true), nullptr);
    {
        ComPtr<IUnknown> kept = Access::ObjectFromPointer(item, false);
        EXPECT_EQ(kept.Get(), reinterpret_cast<IUnknown*>(item));
        EXPECT_EQ(item->references, 2);
    }
    EXPECT_EQ(item->references, 1);
    {
        ComPtr<IUnknown> taken = Access::ObjectFromPointer(item, true);
        EXPECT_EQ(item->references, 1);
    }
    EXPECT_TRUE(world.AllReleased());
}

TEST(IsInterfacePointer, SameObjectOnlyAndCountUnchanged) {
    World world;
    Object* item = world.Make(Kind::ShellItem, L"a");
    Object* dialog = world.Make(Kind::Dialog);
    EXPECT_TRUE(Access::IsInterfacePointer(item, kIidIShellItem));
    EXPECT_EQ(item->references, 1);
    EXPECT_FALSE(Access::IsInterfacePointer(item, kIidIShellItemArray));
    EXPECT_FALSE(Access::IsInterfacePointer(nullptr, kIidIShellItem));
    // The dialog answers for its window through another object: that does not pass.
    EXPECT_FALSE(Access::IsInterfacePointer(dialog, kIidIOleWindow));
    EXPECT_EQ(dialog->references, 1);
    item->references = dialog->references = 0;
    EXPECT_TRUE(world.AllReleased()) << world.Census();
}

// ---- ShellItemFromPath against the real shell ----

class ShellItemFromPathTest : public testing::Test {
protected:
    std::wstring DisplayName(const ComPtr<IUnknown>& item) {
        return dialog_.IShellItem_GetDisplayName(item.Get(), 0x8004C000, true);
    }
    std::wstring TemporaryFile(const std::wstring& name) { return temp_.Write(name, "content"); }

    IFileDialog dialog_;
    TempFolder temp_;
};

TEST_F(ShellItemFromPathTest, FilePathGivesThatFile) {
    const std::wstring path = TemporaryFile(L"octolume_dialogs_item.bin");
    {
        ComPtr<IUnknown> item = Access::ShellItemFromPath(Variant(path));
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(Access::IsInterfacePointer(item.Get(), kIidIShellItem));
        EXPECT_EQ(DisplayName(item), path);
    }
    // The item ID list made from the path is freed once the item exists; with the item
    // gone nothing of the conversion is left.
    AllocatorWatch watch;
    Access::ShellItemFromPath(Variant(path));
    EXPECT_EQ(watch.Outstanding(), 0);
}

TEST_F(ShellItemFromPathTest, BracedClassIdNamesAVirtualFolder) {
    const std::wstring computer = L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
    ComPtr<IUnknown> item = Access::ShellItemFromPath(Variant(computer));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(Access::IsInterfacePointer(item.Get(), kIidIShellItem));
    // The Computer folder is no file-system folder.
    EXPECT_EQ(dialog_.IShellItem_GetAttributes(item.Get(), 0x40000000), 0);
    EXPECT_FALSE(dialog_.IShellItem_GetDisplayName(item.Get(), 0).empty());
}

TEST_F(ShellItemFromPathTest, ClassIdWithoutBracesIsAPath) {
    const std::wstring bare = L"20D04FE0-3AEA-1069-A2D8-08002B30309D";
    ComPtr<IUnknown> computer = Access::ShellItemFromPath(Variant(L"{" + bare + L"}"));
    ASSERT_NE(computer, nullptr);
    // No file of that name exists: no object, and certainly not the Computer folder.
    ComPtr<IUnknown> relative = Access::ShellItemFromPath(Variant(bare));
    EXPECT_FALSE(relative && dialog_.IShellItem_AreEqual(computer.Get(), relative.Get(), 0, true));
    EXPECT_EQ(Access::ShellItemFromPath(Variant(L"{" + bare + L"} ")), nullptr);
    // Once the text names a file, the file is what comes back.
    const std::wstring path = TemporaryFile(bare);
    ComPtr<IUnknown> file = Access::ShellItemFromPath(Variant(path));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(DisplayName(file), path);
}

TEST_F(ShellItemFromPathTest, UnknownBracedClassIdIsNeverTakenAsAPath) {
    ComPtr<IUnknown> unknown =
        Access::ShellItemFromPath(Variant(L"{11111111-2222-3333-4444-555555555555}"));
    // Windows gives no object; Wine makes an unnamed placeholder item. Neither is a path.
    if (unknown) {
        EXPECT_EQ(DisplayName(unknown), L"");
    }
}

TEST_F(ShellItemFromPathTest, CallersItemIdListIsUsedAndLeftToTheCaller) {
    const std::wstring path = TemporaryFile(L"octolume_dialogs_list.bin");
    PIDLIST_ABSOLUTE list = nullptr;
    ASSERT_EQ(::SHILCreateFromPath(path.c_str(), &list, nullptr), S_OK);
    AllocatorWatch watch;
    ComPtr<IUnknown> item = Access::ShellItemFromPath(
        Variant(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(list))));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(DisplayName(item), path);
    EXPECT_FALSE(watch.Freed(list));
    // Still the caller's and still readable.
    EXPECT_GT(::ILGetSize(list), 0u);
    ::CoTaskMemFree(list);
}

TEST_F(ShellItemFromPathTest, ObjectIsTakenAsTheItemItself) {
    const std::wstring path = TemporaryFile(L"octolume_dialogs_object.bin");
    ComPtr<IUnknown> original = Access::ShellItemFromPath(Variant(path));
    ASSERT_NE(original, nullptr);
    ComPtr<IUnknown> same = Access::ShellItemFromPath(Variant(original));
    EXPECT_EQ(same.Get(), original.Get());
}

TEST_F(ShellItemFromPathTest, EmptyAndOtherKindsGiveNothing) {
    EXPECT_EQ(Access::ShellItemFromPath(Variant()), nullptr);
    EXPECT_EQ(Access::ShellItemFromPath(Variant(L"")), nullptr);
    EXPECT_EQ(Access::ShellItemFromPath(Variant::Boolean(true)), nullptr);
    EXPECT_EQ(Access::ShellItemFromPath(Variant::Other(VT_R8)), nullptr);
    EXPECT_EQ(Access::ShellItemFromPath(Variant(std::int32_t{0})), nullptr);
}

} // namespace
} // namespace octolume::test
