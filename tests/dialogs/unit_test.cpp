// The wrapper without Wine's dialog: DialogShow against a stand-in (calls whose order or
// arguments matter, failures Wine's dialog cannot show, everything given back), the rules.

#include "dialogs/dialog_interfaces.h"
#include "dialogs/file_dialog.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <array>
#include <cstring>
#include <functional>
#include <sstream>
#include <tuple>

namespace octolume {

// The wrapper's private creation seam, shell item maker and ID registry.
struct FileDialogTestAccess {
    using Factory = HRESULT (*)(const CLSID&, const IID&, void**);
    static Factory SwapFactory(Factory f) { return std::exchange(IFileDialog::dialogFactory_, f); }
    static ComPtr<IUnknown> ShellItemFrom(const Variant& path) {
        return IFileDialog::ShellItemFromPath(path);
    }
    static std::int32_t IdsTaken(const IFileDialog& dialog) { return dialog.idToKey_.Count(); }
    // The cheap way to the end of the ID range.
    static void TakeIds(IFileDialog& d, std::int32_t count) { d.idToKey_.Add(L"filler", count); }
};

} // namespace octolume

bool failNextAllocation = false;
// Lets a test make the wrapper's next allocation fail (the library's delete calls free).
void* operator new(std::size_t size) {
    void* block = std::exchange(failNextAllocation, false) ? nullptr : std::malloc(size + 1);
    return block ? block : throw std::bad_alloc();
}

namespace octolume::test {
namespace {

using namespace file_dialog_detail;
using Access = FileDialogTestAccess;
// The shell needs a single-threaded apartment.
[[maybe_unused]] const HRESULT kApartment = ::OleInitialize(nullptr);

// ---- The stand-in: an object whose method table is built from a written description of
// the interface (method names and argument kinds, in slot order). Each call is logged as
// the method's name and arguments, e.g. "AddControlItem 101 102 'a'".

enum Kind { kDialog, kCustomize, kItem, kArray, kWindow };
// Argument kinds: n decimal, x hexadecimal, s text, g GUID, i stand-in (by name), f file
// types, o out-value left alone, w out-text (the object's name), r out-object.
const wchar_t* const kInterfaces[] = {
    L"QueryInterface:go AddRef: Release: Show:x SetFileTypes:nf SetFileTypeIndex:n "
    L"GetFileTypeIndex:o Advise:nn Unadvise:n SetOptions:x GetOptions:o SetDefaultFolder:i "
    L"SetFolder:i GetFolder:r GetCurrentSelection:r SetFileName:s GetFileName:w SetTitle:s "
    L"SetOkButtonLabel:s SetFileNameLabel:s GetResult:r AddPlace:in SetDefaultExtension:s Close:n "
    L"SetClientGuid:g ClearClientData: SetFilter:n GetResults:r",
    L"QueryInterface:go AddRef: Release: EnableOpenDropDown:n AddMenu:ns AddPushButton:ns "
    L"AddComboBox:n AddRadioButtonList:n AddCheckButton:nsn AddEditBox:ns AddSeparator:n "
    L"AddText:ns SetControlLabel:ns GetControlState:no SetControlState:nn GetEditBoxText:nw "
    L"SetEditBoxText:ns GetCheckButtonState:no SetCheckButtonState:nn AddControlItem:nns "
    L"RemoveControlItem:nn RemoveAllControlItems:n GetControlItemState:nno "
    L"SetControlItemState:nnn GetSelectedControlItem:no SetSelectedControlItem:nn "
    L"StartVisualGroup:ns EndVisualGroup: MakeProminent:n",
    L"QueryInterface:go AddRef: Release: BindToHandler:nnnn GetParent:r GetDisplayName:nw "
    L"GetAttributes:no Compare:ino",
    L"QueryInterface:go AddRef: Release: BindToHandler:nnnn GetPropertyStore:nnn "
    L"GetPropertyDescriptionList:nnn GetAttributes:nnn GetCount:o GetItemAt:nr",
    L"QueryInterface:go AddRef: Release: GetWindow:o"};
const wchar_t* const kOwnInterface[] = {kIidIFileOpenDialog, kIidIFileDialogCustomize,
                                        kIidIShellItem, kIidIShellItemArray, kIidIOleWindow};

IID IidFromText(const wchar_t* text) {
    IID iid{};
    return ::IIDFromString(text, &iid), iid;
}

// Each method as its name and argument kinds.
std::vector<std::pair<std::wstring, std::wstring>> MethodsOf(Kind kind) {
    std::vector<std::pair<std::wstring, std::wstring>> methods;
    std::wistringstream words(kInterfaces[kind]);
    for (std::wstring w; words >> w;)
        methods.emplace_back(w.substr(0, w.find(L':')), w.substr(w.find(L':') + 1));
    return methods;
}

bool AboveFourGiB(const void* address) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address)) >> 32 != 0;
}

class World;
struct Fake {
    const void* const* table; // first, where a method table pointer belongs
    World* world;
    Kind kind;
    std::wstring name;
    LONG items, references; // an item array's count; its references
    std::vector<const void*> slots;

    // In a 64-bit program every stand-in lies above 4 GiB (allocated from the top down),
    // so an address cut to 32 bits on its way through a call shows in the log.
    static void* operator new(std::size_t size) {
        if (sizeof(void*) == 4)
            return ::operator new(size);
        const auto top = MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN;
        void* block = ::VirtualAlloc(nullptr, size, top, PAGE_READWRITE);
        return block ? block : throw std::bad_alloc();
    }
    static void operator delete(void* fake) {
        sizeof(void*) == 8 ? void(::VirtualFree(fake, 0, MEM_RELEASE)) : ::operator delete(fake);
    }
};

// The method table entry for a slot whose method pops `arity` stack words besides the object.
const void* ThunkFor(std::size_t slot, std::size_t arity);

// The stand-ins of one test; while it lives the wrapper creates its dialogs here.
class World {
public:
    World() : previous_(Access::SwapFactory(&Create)) { installed_ = this; }
    ~World() { Access::SwapFactory(previous_); }

    Fake* Make(Kind kind, std::wstring name, LONG items = 0) {
        Fake& fake =
            *objects_.emplace_back(new Fake{nullptr, this, kind, std::move(name), items, 1, {}});
        for (const auto& method : MethodsOf(kind))
            fake.slots.push_back(ThunkFor(fake.slots.size(), method.second.size()));
        fake.table = fake.slots.data();
        return &fake;
    }
    // The calls on objects of one kind since the last look, "; " between them.
    std::wstring TakeLog(Kind kind) {
        std::wstring lines;
        for (const auto& [of, line] : log_)
            lines += of == kind ? (lines.empty() ? L"" : L"; ") + line : L"";
        std::erase_if(log_, [kind](const auto& entry) { return entry.first == kind; });
        return lines;
    }
    // Every object still referenced; empty when all were released.
    std::wstring Unreleased() const {
        std::wstring names;
        for (const auto& object : objects_)
            names += object->references ? object->name + L" " : L"";
        return names;
    }

    // What the stand-in dialog does.
    HRESULT createResult = S_OK, showResult = S_OK;
    IID createdClass{}, createdInterface{};
    bool refuseShow = false; // its Show pops a word too few, so the platform refuses the call
    bool offerCustomize = false;
    std::function<void()> duringShow, afterOptions;
    int chosenItems = 1; // what GetResult and GetResults hand out
    std::vector<void*> handedOutTexts;

    HRESULT Dispatch(Fake& self, std::size_t slot, const std::uintptr_t* words, std::size_t count) {
        const auto [name, kinds] = MethodsOf(self.kind)[slot];
        std::wstring line = name;
        for (std::size_t at = 0; at < count; ++at)
            line += L" " + Describe(kinds[at], words[at], words[0]);
        if (slot == 0 || slot > 2)
            log_.emplace_back(self.kind, line);
        const auto out = [&](std::size_t at, auto value) {
            *reinterpret_cast<decltype(value)*>(words[at]) = value;
        };
        if (slot == 0)
            return QueryInterface(self, *reinterpret_cast<const IID*>(words[0]), words[1]);
        if (slot == 1 || slot == 2)
            return self.references += slot == 1 ? 1 : -1;
        if (name == L"Show" && duringShow)
            duringShow();
        if (name == L"Show")
            return closedWith_ != S_OK ? std::exchange(closedWith_, S_OK) : showResult;
        if (name == L"Close")
            closedWith_ = static_cast<HRESULT>(words[0]);
        else if (name == L"SetOptions" && afterOptions)
            afterOptions();
        else if (name.starts_with(L"GetResult") && chosenItems < 1)
            return E_UNEXPECTED;
        else if (name == L"GetCount")
            out(0, self.items);
        else if (name == L"GetItemAt" && static_cast<LONG>(words[0]) >= self.items)
            return E_INVALIDARG;
        else if (name == L"Compare" || (name == L"GetDisplayName" && words[0] != 0))
            return E_FAIL; // leaves its out-value alone
        for (std::size_t at = 0; at < count; ++at) {
            const auto size = (self.name.size() + 1) * sizeof(wchar_t);
            if (kinds[at] == L'r' && name == L"GetResults")
                out(at, Make(kArray, name, chosenItems));
            else if (kinds[at] == L'r')
                out(at, Make(kItem, name == L"GetItemAt" ? L"item " + std::to_wstring(words[0] + 1)
                                                         : name));
            else if (kinds[at] == L'w')
                out(at, static_cast<wchar_t*>(handedOutTexts.emplace_back(
                            std::memcpy(::CoTaskMemAlloc(size), self.name.c_str(), size))));
        }
        return S_OK;
    }

private:
    std::wstring Describe(wchar_t kind, std::uintptr_t word, std::uintptr_t first) const {
        const auto* texts = reinterpret_cast<const wchar_t* const*>(word);
        std::wostringstream text;
        wchar_t guid[40] = L"";
        if (kind == L'n')
            text << static_cast<std::int32_t>(word);
        else if (kind == L'x')
            text << L"0x" << std::hex << word;
        else if (kind == L's')
            text << L"'" << reinterpret_cast<const wchar_t*>(word) << L"'";
        else if (kind == L'g' && ::StringFromGUID2(*reinterpret_cast<GUID*>(word), guid, 40))
            text << guid;
        else if (kind == L'i')
            for (const auto& object : objects_)
                text << (reinterpret_cast<std::uintptr_t>(object.get()) == word ? object->name
                                                                                : L"");
        else if (kind == L'f') // the count went first
            for (std::uintptr_t type = 0; type < first; ++type)
                text << (type ? L"|" : L"") << texts[2 * type] << L"|" << texts[2 * type + 1];
        else
            text << L"*";
        return text.str();
    }
    HRESULT QueryInterface(Fake& self, const IID& iid, std::uintptr_t out) {
        const auto is = [&](const wchar_t* text) { return ::IsEqualIID(iid, IidFromText(text)); };
        Fake* answer = is(kIidIUnknown) || is(kOwnInterface[self.kind]) ? &self : nullptr;
        if (answer && self.name == L"torn" && !is(kIidIUnknown))
            answer = Make(kItem, L"tear-off"); // the interface through another pointer
        else if (answer)
            ++answer->references;
        else if (self.kind == kDialog && is(kIidIOleWindow))
            answer = Make(kWindow, L"window"); // a tear-off
        else if (self.kind == kDialog && is(kIidIFileDialogCustomize) && offerCustomize)
            answer = Make(kCustomize, L"customize");
        *reinterpret_cast<void**>(out) = answer;
        return answer ? S_OK : E_NOINTERFACE;
    }
    static HRESULT Create(const CLSID& classId, const IID& interfaceId, void** out) {
        World& world = *installed_;
        world.createdClass = classId, world.createdInterface = interfaceId;
        Fake* dialog = world.createResult == S_OK ? world.Make(kDialog, L"dialog") : nullptr;
        if (dialog && world.refuseShow)
            dialog->slots[3] = ThunkFor(3, 0);
        return *out = dialog, world.createResult;
    }

    static inline World* installed_ = nullptr;
    Access::Factory previous_;
    std::vector<std::unique_ptr<Fake>> objects_;
    std::vector<std::pair<Kind, std::wstring>> log_;
    HRESULT closedWith_ = S_OK;
};

template <std::size_t> using Word = std::uintptr_t;
template <std::size_t Slot, class> struct Thunk;
template <std::size_t Slot, std::size_t... I> struct Thunk<Slot, std::index_sequence<I...>> {
    static HRESULT __stdcall Call(Fake* self, Word<I>... arguments) {
        const std::uintptr_t words[] = {arguments..., 0};
        return self->world->Dispatch(*self, Slot, words, sizeof...(I));
    }
};
template <std::size_t Slot, std::size_t... A> auto Row(std::index_sequence<A...>) {
    return std::array{
        reinterpret_cast<const void*>(&Thunk<Slot, std::make_index_sequence<A>>::Call)...};
}
template <std::size_t... S> auto Matrix(std::index_sequence<S...>) {
    return std::array{Row<S>(std::make_index_sequence<5>{})...};
}
const void* ThunkFor(std::size_t slot, std::size_t arity) {
    static const auto matrix = Matrix(std::make_index_sequence<29>{});
    return matrix[slot][arity];
}

const std::wstring kAllFiles = L"SetFileTypes 1 All Files|*.*; SetFileTypeIndex 1; ";
const std::wstring kGuid = L"{12345678-1234-1234-1234-123456789ABC}";

class ShowTest : public testing::Test {
protected:
    // Every reference and every task-allocator block handed out comes back.
    void TearDown() override {
        dialog_.reset();
        EXPECT_EQ(world_.Unreleased(), L"");
        for (void* text : world_.handedOutTexts)
            EXPECT_TRUE(watch_.Freed(text));
    }
    std::int32_t Show(std::int32_t mode = 0, const std::wstring& title = L"") {
        return dialog_->DialogShow(reinterpret_cast<HWND>(0x55), mode, title);
    }
    Variant NewItem(const std::wstring& name) {
        Fake* item = world_.Make(kItem, name);
        item->references = 0; // the ComPtr takes the only one
        return Variant(ComPtr<IUnknown>(reinterpret_cast<IUnknown*>(item)));
    }
    // Asked in a format the stand-ins cannot give, so the normal name comes as fallback.
    std::wstring NameOf(const ComPtr<IUnknown>& item) {
        return dialog_->IShellItem_GetDisplayName(item.Get(), 5, true);
    }

    AllocatorWatch watch_;
    World world_;
    std::unique_ptr<IFileDialog> dialog_ = std::make_unique<IFileDialog>();
};

TEST_F(ShowTest, FilterPiecesAndClientGuidBecomeCalls) {
    const struct {
        std::wstring filters, guid;
        std::int32_t index;
        std::wstring log; // before SetOptions
    } cases[] = {
        {L"", L"", 0, kAllFiles},
        {L"Text files", L"", 0, L""},
        {L"A|*.a;*.b|B|*.c|Orphan", L"", 2,
         L"SetFileTypes 2 A|*.a;*.b|B|*.c; SetFileTypeIndex 3; "},
        {L"A|*.a", L"", 0x7FFFFFFF, L"SetFileTypes 1 A|*.a; "}, // no index beyond the largest
        {L"", kGuid, 0, L"SetClientGuid " + kGuid + L"; " + kAllFiles},
        {L"", L"-" + kGuid, 0, L"SetClientGuid " + kGuid + L"; ClearClientData; " + kAllFiles},
        {L"", L"{00000000-0000-0000-0000-000000000000}", 0, L"ClearClientData; " + kAllFiles},
        {L"", L"{not-a-guid-at-all-but-38-characters!}", 0, kAllFiles}};
    for (const auto& c : cases) {
        dialog_->propFilters(c.filters);
        dialog_->propDialogStateGUID(c.guid);
        dialog_->propFilterIndex(c.index);
        EXPECT_EQ(Show(), 0);
        EXPECT_EQ(world_.TakeLog(kDialog), c.log + L"SetOptions 0x1800; Show 0x55; GetResult *");
    }
}

TEST_F(ShowTest, ModeAndOptionsChooseTheDialogAndHowItsResultIsFetched) {
    const wchar_t *open = kClsidFileOpenDialog, *save = kClsidFileSaveDialog;
    const struct {
        std::int32_t mode, flags, chosen;
        const wchar_t *classId, *interfaceId, *log, *last; // the last result item
    } cases[] = {
        {0, 0, 3, open, kIidIFileOpenDialog, L"0x1800; Show 0x55; GetResult *", L"GetResult"},
        // File system only drops non-storage items; opening drops picking folders.
        {0, 0x2E0, 3, open, kIidIFileOpenDialog, L"0x240; Show 0x55; GetResults *", L"item 3"},
        // A single item replaces its array.
        {0, 0x200, 1, open, kIidIFileOpenDialog, L"0x200; Show 0x55; GetResults *", L"item 1"},
        {1, 0x200, 3, save, kIidIFileSaveDialog, L"0x8802; Show 0x55; GetResult *", L"GetResult"},
        {2, 0, 3, open, kIidIFileDialog, L"0x1820; Show 0x55; GetResult *", L"GetResult"},
        {2, 0x200, 3, open, kIidIFileOpenDialog, L"0x220; Show 0x55; GetResults *", L"item 3"}};
    for (const auto& c : cases) {
        dialog_->propFlags(c.flags);
        world_.chosenItems = c.chosen;
        EXPECT_EQ(Show(c.mode), 0);
        EXPECT_TRUE(::IsEqualCLSID(world_.createdClass, IidFromText(c.classId)));
        EXPECT_TRUE(::IsEqualIID(world_.createdInterface, IidFromText(c.interfaceId)));
        EXPECT_EQ(world_.TakeLog(kDialog), kAllFiles + L"SetOptions " + c.log);
        const std::int32_t count = dialog_->ResultsCount();
        EXPECT_EQ(count, c.last[0] == L'i' ? c.chosen : 1);
        EXPECT_EQ(NameOf(dialog_->ResultsItem(count)), c.last);
        // An array is no item: validation refuses it without calling it.
        EXPECT_EQ(NameOf(dialog_->Results()), count > 1 ? L"" : c.last);
        EXPECT_EQ(world_.TakeLog(kArray).find(L"Property"), std::wstring::npos);
        EXPECT_FALSE(dialog_->ResultsItem(0) || dialog_->ResultsItem(count + 1));
    }
}

TEST_F(ShowTest, AnItemOfferedThroughAnotherPointerIsRefused) {
    EXPECT_EQ(NameOf(NewItem(L"torn").Object()), L"");
}

TEST_F(ShowTest, AReferenceIsTakenOverEvenWithNoMemoryLeft) {
    Fake* item = world_.Make(kItem, L"item"); // its one reference is handed over
    failNextAllocation = true;
    const auto object =
        dialog_->IShellItem_PointerToObject(reinterpret_cast<IUnknown*>(item), true);
    EXPECT_TRUE(std::exchange(failNextAllocation, false)) << "taking it over needed memory";
}

TEST_F(ShowTest, EverySettingInItsOrderThenCleared) {
    dialog_->propFilters(L"A|*.a");
    dialog_->propFlags(0x40);
    dialog_->propDialogStateGUID(L"{00000000-0000-0000-0000-000000000000}");
    dialog_->propDefaultFolder_Set(NewItem(L"default"));
    dialog_->propStartupFolder_Set(NewItem(L"startup"));
    dialog_->propAddPlace_SetFolder(NewItem(L"place"), 0, true);
    dialog_->propInitialFileName(L"file.txt");
    dialog_->propOKButtonCaption(L"Take");
    dialog_->propFileLabelCaption(L"Name:");
    dialog_->propDefaultExtension(L"txt");
    EXPECT_TRUE(sizeof(void*) == 4 || AboveFourGiB(dialog_->propStartupFolder_Get().Object()));
    EXPECT_EQ(Show(0, L"Pick one"), 0);
    EXPECT_EQ(world_.TakeLog(kDialog),
              L"ClearClientData; SetFileTypes 1 A|*.a; SetFileTypeIndex 1; SetOptions 0x40; "
              L"SetDefaultFolder default; SetFolder startup; AddPlace place 1; "
              L"SetFileName 'file.txt'; SetTitle 'Pick one'; SetOkButtonLabel 'Take'; "
              L"SetFileNameLabel 'Name:'; SetDefaultExtension 'txt'; Show 0x55; GetResult *");
    bool atTop = true;
    EXPECT_FALSE((dialog_->propAddPlace_GetFolder(atTop), atTop));
    dialog_->Clear();
    EXPECT_EQ(dialog_->Results(), nullptr);
    // Nothing of the settings is left for the next showing.
    dialog_->propAddPlace_SetFolder(NewItem(L"place"), 0, false);
    EXPECT_EQ(Show(), 0);
    EXPECT_EQ(world_.TakeLog(kDialog), kAllFiles + L"SetOptions 0x1800; AddPlace place 0; Show "
                                                   L"0x55; GetResult *");
}

TEST(Show, FailuresKeepNoResultReleaseTheDialogAndClearTheSettings) {
    const std::wstring set = kAllFiles + L"SetOptions 0x1800", shown = set + L"; SetFileName 'x'";
    const struct {
        std::function<void(World&)> arrange;
        std::int32_t mode, result;
        std::wstring log;
    } cases[] = {
        {[](World& w) { w.createResult = REGDB_E_CLASSNOTREG; }, 0, REGDB_E_CLASSNOTREG, L""},
        {[](World&) {}, 3, -1, L""}, // no such mode
        {[](World& w) { w.showResult = 0x800704C7; }, 0, static_cast<HRESULT>(0x800704C7),
         shown + L"; Show 0x55"},
        // A call the platform refused cannot count as a choice. Only a 32-bit callee pops
        // its arguments, so only there does the platform see a wrong count and refuse.
        {[](World& w) { w.refuseShow = true; }, 0, DISP_E_BADCALLEE, shown + L"; Show"},
        {[](World& w) { w.afterOptions = [] { failNextAllocation = true; }; }, 0, E_OUTOFMEMORY,
         set},
        {[](World& w) { w.chosenItems = 0; }, 0, 0, shown + L"; Show 0x55; GetResult *"}};
    for (const auto& c : cases) {
        if (sizeof(void*) == 8 && c.result == DISP_E_BADCALLEE)
            continue;
        World world;
        c.arrange(world);
        IFileDialog dialog;
        dialog.propInitialFileName(L"x");
        EXPECT_EQ(dialog.DialogShow(reinterpret_cast<HWND>(0x55), c.mode), c.result);
        EXPECT_EQ(world.TakeLog(kDialog), c.log);
        EXPECT_EQ(dialog.Results(), nullptr);
        EXPECT_EQ(dialog.propInitialFileName(), L""); // the settings were cleared
        EXPECT_EQ(world.Unreleased(), L"");
    }
}

TEST_F(ShowTest, ReplayLiveMembersAndCallsDuringShow) {
    world_.offerCustomize = true;
    IFileDialog& d = *dialog_;
    ASSERT_TRUE(d.Customize_CreateContainer(L"options", L"Options"));      // 101
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(11, L"edit", L"initial"));  // 102
    ASSERT_TRUE(d.Customize_CloseContainer(L"options"));                   // 103
    ASSERT_TRUE(d.Customize_CreateGroup(1, L"combo", L"", {L"a", L"b"}));  // 104-106
    ASSERT_TRUE(d.Customize_CreateGroup(3, L"menu", L"Actions", {L"Go"})); // 107-108
    ASSERT_TRUE(d.Customize_CreateGroup(4, L"drop", L"", {L"Read-only"})); // 109-110
    ASSERT_TRUE(d.Customize_CreateContainer(L"more", L"More"));            // 111
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(12, L"push", L"Push"));     // 112
    ASSERT_TRUE(d.Customize_AppendGroupItem(L"Combo", L"c"));              // 113
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(14, L"line"));              // 114
    d.Customize_MakeControlProminent(L"push");
    d.Customize_MakeControlProminent(L"OPTIONS");
    d.Customize_MakeControlProminent(L" options"); // the end of a group is no control
    std::wstring got;
    world_.duringShow = [&] {
        const ComPtr<IUnknown> folder = d.DialogGetCurrentFolder();
        folder->AddRef(); // handed over below
        got = d.CustomControl_GetTextBoxText(L"edit") + L"," + d.DialogGetEditBoxText() + L"," +
              NameOf(folder) + L"," + NameOf(d.DialogGetCurrentSelection()) + L"," +
              std::to_wstring(d.DialogHWND() == nullptr) + L"," +
              // A comparison that fails writes no order: it is no equality.
              std::to_wstring(d.IShellItem_AreEqual(folder.Get(), folder.Get(), 0)) + L"," +
              std::to_wstring(d.IShellItem_PointerToObject(folder.Get()) ==
                              d.IShellItem_PointerToObject(folder.Get(), true));
    };
    EXPECT_EQ(d.DialogShow(nullptr), 0);
    // The customize interface and the window go when the showing ends, not with the object.
    EXPECT_EQ(world_.Unreleased(), L"GetResult ");
    EXPECT_EQ(got, L"customize,dialog,GetFolder,GetCurrentSelection,1,0,1");
    EXPECT_TRUE(world_.TakeLog(kDialog).starts_with(
        L"QueryInterface {8016B7B3-3D49-4504-A0AA-2A37494E606F} *; " + kAllFiles));
    // "more" is never closed, so it ends after the last control; "combo" took an item
    // after "push" was recorded, so it comes after it.
    EXPECT_EQ(world_.TakeLog(kCustomize),
              L"StartVisualGroup 101 'Options'; MakeProminent 101; AddEditBox 102 'initial'; "
              L"EndVisualGroup; AddMenu 107 'Actions'; AddControlItem 107 108 'Go'; "
              L"EnableOpenDropDown 109; AddControlItem 109 110 'Read-only'; "
              L"StartVisualGroup 111 'More'; AddPushButton 112 'Push'; MakeProminent 112; "
              L"AddComboBox 104; AddControlItem 104 105 'a'; AddControlItem 104 106 'b'; "
              L"AddControlItem 104 113 'c'; AddSeparator 114; EndVisualGroup; "
              L"GetEditBoxText 102 *");
    // The record served that showing only; without the interface the showing goes on.
    // During it a nested showing is refused and Clear does nothing; Close ends it.
    EXPECT_TRUE(d.Customize_CreateNonGroupItem(10, L"check", L"Again"));
    world_.offerCustomize = false;
    d.propFilters(L"A|*.a");
    world_.duringShow = [&] {
        got = std::to_wstring(d.ResultsCount()) + L"," + std::to_wstring(d.DialogShow(nullptr));
        d.Clear();
        got += L"," + d.propFilters();
        d.DialogClose(true);
    };
    EXPECT_EQ(d.DialogShow(nullptr), -1); // what Close handed over
    EXPECT_EQ(got, L"0,-1,A|*.a");        // the earlier result went before the showing
    EXPECT_EQ(world_.TakeLog(kDialog), L"QueryInterface {8016B7B3-3D49-4504-A0AA-2A37494E606F} *; "
                                       L"SetFileTypes 1 A|*.a; SetFileTypeIndex 1; "
                                       L"SetOptions 0x1800; Show 0x0; Close -1");
    EXPECT_EQ(world_.TakeLog(kCustomize), L"");
}

// The prominent mark is no check state: each check button starts as it was recorded.
TEST_F(ShowTest, AProminentCheckButtonStartsInItsOwnCheckState) {
    world_.offerCustomize = true;
    IFileDialog& d = *dialog_;
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(IFileDialog::kItemCheckButton, L"plain", L"Plain"));
    ASSERT_TRUE(
        d.Customize_CreateNonGroupItem(IFileDialog::kItemCheckButton, L"ticked", L"Ticked", true));
    d.Customize_MakeControlProminent(L"plain");
    d.Customize_MakeControlProminent(L"ticked");
    EXPECT_EQ(Show(), 0);
    EXPECT_EQ(world_.TakeLog(kCustomize), L"AddCheckButton 101 'Plain' 0; MakeProminent 101; "
                                          L"AddCheckButton 102 'Ticked' 1; MakeProminent 102");
}

TEST_F(ShowTest, TheLastControlIdIs0xFFFFFF) {
    world_.offerCustomize = true;
    IFileDialog& d = *dialog_;
    Access::TakeIds(d, 0xFFFFFD - 101); // the next ID is 0xFFFFFD
    EXPECT_FALSE(d.Customize_CreateGroup(1, L"combo", L"", {L"a", L"b", L"c"}));
    ASSERT_TRUE(d.Customize_CreateGroup(1, L"combo", L"", {L"a", L"b"}));
    EXPECT_FALSE(d.Customize_CreateNonGroupItem(13, L"text", L"Text") ||
                 d.Customize_CreateContainer(L"group", L"Group") ||
                 d.Customize_AppendGroupItem(L"combo", L"c"));
    EXPECT_EQ(Show(), 0);
    EXPECT_EQ(world_.TakeLog(kCustomize), L"AddComboBox 16777213; AddControlItem 16777213 16777214 "
                                          L"'a'; AddControlItem 16777213 16777215 'b'");
}

TEST(Recording, KeysTypesRefusalsAndIdleDefaults) {
    IFileDialog d;
    ASSERT_TRUE(d.Customize_CreateNonGroupItem(11, L"edit", L"text"));
    EXPECT_TRUE(d.Customize_CreateNonGroupItem(13, L"edit ", L"Text")); // only a leading blank
    ASSERT_TRUE(d.Customize_CreateGroup(2, L"radio", L"", {L"a", L"b"}));
    for (const std::wstring key : {L"Edit", L"RADIO", L" lead", L"", L" "})
        EXPECT_FALSE(d.Customize_CreateContainer(key, L"Group") ||
                     d.Customize_CreateGroup(1, key, L"", {L"a"}) ||
                     d.Customize_CreateNonGroupItem(10, key, L"text"));
    for (const std::int32_t type : {0, 5, 10})
        EXPECT_FALSE(d.Customize_CreateGroup(type, L"new", L"", {L"a"})) << type;
    for (const std::int32_t type : {2, 9, 15})
        EXPECT_FALSE(d.Customize_CreateNonGroupItem(type, L"new")) << type;
    // A visual group closes once; only groups of items take appended items.
    ASSERT_TRUE(d.Customize_CreateContainer(L"group", L"Options"));
    EXPECT_FALSE(d.Customize_CloseContainer(L"radio") || d.Customize_CloseContainer(L"nowhere"));
    EXPECT_TRUE(d.Customize_CloseContainer(L"GROUP"));
    EXPECT_FALSE(d.Customize_CloseContainer(L"group"));
    EXPECT_TRUE(d.Customize_AppendGroupItem(L"Radio", L"c"));
    for (const wchar_t* key : {L"group", L"edit", L"nowhere"})
        EXPECT_FALSE(d.Customize_AppendGroupItem(key, L"x")) << key;
    // While no dialog is shown the live members give 0: no -1 for no selection or an
    // unknown key, no filter index -1.
    EXPECT_EQ(d.CustomControl_GetSelected(L"radio") + d.CustomControl_GetSelected(L"nowhere") +
                  d.CustomControl_GetState(L"radio", 0) + d.DialogGetFilterIndex(),
              0);
    EXPECT_EQ(Access::IdsTaken(d), 8); // refused calls take no IDs
}

// Every kind of folder source: what each setter keeps of it (d: the default folder, p: the
// place, s: the startup folder) and the shell item made from it.
TEST(FolderSources, WhatTheSettersKeepAndTheItemMadeFromIt) {
    TempFolder temp;
    const std::wstring computer = L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", none = L"<none>";
    const std::wstring file = temp.Write(L"item.bin", "x");
    const std::wstring bare = temp.Write(computer.substr(1, 36), "x"); // a name like any other
    PIDLIST_ABSOLUTE made = nullptr;
    ASSERT_EQ(::SHILCreateFromPath(file.c_str(), &made, nullptr), S_OK);
    // The caller's list, at the top of the address space: above 4 GiB in a 64-bit program,
    // where an address cut to 32 bits misses it.
    const UINT size = ::ILGetSize(made);
    void* list =
        ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    ASSERT_TRUE(list && (sizeof(void*) == 4 || AboveFourGiB(list)));
    std::memcpy(list, made, size);
    ::CoTaskMemFree(made);
    const auto address = reinterpret_cast<std::intptr_t>(list);
    AllocatorWatch watch;
    const std::tuple<Variant, std::string, std::wstring> cases[] = {
        {Variant(file), "dps", file},
        {Variant(address), "dps", file},
        {Variant(bare), "dps", bare},
        {Variant(computer), "dps", L"My Computer"},
        {Variant(computer + L" "), "s", none},
        {Variant(L"{" + std::wstring(36, L'A')), "s", none},
        {Variant(L""), "dps", none},
        {Variant(std::int32_t{0}), "dps", none},
        {Variant(), "dps", none},
        {Variant::Boolean(true), "", none}};
    for (const auto& [source, kept, name] : cases) {
        IFileDialog d;
        for (const Variant& value : {Variant(L"before"), source}) {
            d.propDefaultFolder_Set(value, 1);
            d.propStartupFolder_Set(value, 1);
            d.propAddPlace_SetFolder(value, 1, true);
        }
        bool atTop = false;
        const bool place = d.propAddPlace_GetFolder(atTop) == source;
        EXPECT_EQ(std::string(d.propDefaultFolder_Get() == source ? "d" : "") + (place ? "p" : "") +
                      (d.propStartupFolder_Get() == source ? "s" : ""),
                  kept);
        EXPECT_TRUE(atTop); // also when the source is refused
        d.propAddPlace_SetFolder(source, 0, false);
        EXPECT_FALSE((d.propAddPlace_GetFolder(atTop), atTop));
        const ComPtr<IUnknown> item = Access::ShellItemFrom(source);
        EXPECT_EQ(item ? d.IShellItem_GetDisplayName(item.Get(), 0x8004C000, true) : none, name);
    }
    EXPECT_EQ(watch.Outstanding(), 0); // the ID lists made from paths are freed
    EXPECT_FALSE(watch.Freed(list));   // the caller's is the caller's
    ::VirtualFree(list, 0, MEM_RELEASE);
}

} // namespace
} // namespace octolume::test
