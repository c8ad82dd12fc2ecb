#include "fake_com.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace octolume::test {

constexpr const wchar_t* kIidIModalWindow = L"{b4db1657-70d7-485e-8e3e-6fcb5a5c1802}";

IID IidFromText(const wchar_t* text) {
    IID iid{};
    ::IIDFromString(text, &iid);
    return iid;
}

namespace {

template <std::size_t> using Word = std::uint32_t;

// One standard-call entry of a method table: the object, then Arity 32-bit arguments.
template <int Slot, class Indices> struct Thunk;
template <int Slot, std::size_t... I> struct Thunk<Slot, std::index_sequence<I...>> {
    static std::uint32_t __stdcall Call(Object* self, Word<I>... arguments) {
        return static_cast<std::uint32_t>(self->world->Dispatch(*self, Slot, {arguments...}));
    }
};

template <int Slot, std::size_t Arity> const void* Entry() {
    return reinterpret_cast<const void*>(&Thunk<Slot, std::make_index_sequence<Arity>>::Call);
}

// A method table whose entry k takes Arity[k] arguments.
template <std::size_t... Arity> struct Table {
    static const void* const* Get() { return Build(std::make_index_sequence<sizeof...(Arity)>{}); }
    template <std::size_t... Slot> static const void* const* Build(std::index_sequence<Slot...>) {
        static const void* const entries[] = {Entry<static_cast<int>(Slot), Arity>()...};
        return entries;
    }
};

// IFileOpenDialog (also serves as IFileDialog and IFileSaveDialog up to slot 27).
using DialogTable =
    Table<2, 0, 0, 1, 2, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 0, 1, 1, 1>;
using OleWindowTable = Table<2, 0, 0, 1, 1>;
using CustomizeTable =
    Table<2, 0, 0, 1, 2, 2, 1, 1, 3, 2, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 2, 1, 3, 3, 2, 2, 2, 0, 1, 3>;
using ItemTable = Table<2, 0, 0, 4, 1, 2, 2, 3>;
using ArrayTable = Table<2, 0, 0, 4, 3, 3, 3, 1, 2, 1>;

template <class T> T* Out(std::uint32_t address) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(address));
}

World* installedWorld = nullptr;

HRESULT FakeFactory(const CLSID& classId, const IID& interfaceId, void** object) {
    World& world = *installedWorld;
    world.createdClass = classId;
    world.createdInterface = interfaceId;
    *object = nullptr;
    if (world.createFails) {
        return REGDB_E_CLASSNOTREG;
    }
    world.dialog = world.Make(Kind::Dialog, L"dialog");
    *object = world.dialog;
    return S_OK;
}

} // namespace

World::World() = default;
World::~World() = default;

Object* World::Make(Kind kind, std::wstring name, std::int32_t items) {
    auto object = std::make_unique<Object>();
    switch (kind) {
    case Kind::Dialog:
        object->table = DialogTable::Get();
        break;
    case Kind::OleWindow:
        object->table = OleWindowTable::Get();
        break;
    case Kind::Customize:
        object->table = CustomizeTable::Get();
        break;
    case Kind::ShellItem:
        object->table = ItemTable::Get();
        break;
    case Kind::ItemArray:
        object->table = ArrayTable::Get();
        break;
    }
    object->world = this;
    object->kind = kind;
    object->id = static_cast<int>(objects_.size());
    object->name = std::move(name);
    object->items = items;
    objects_.push_back(std::move(object));
    return objects_.back().get();
}

Object* World::FirstOf(Kind kind) const {
    for (const auto& object : objects_) {
        if (object->kind == kind) {
            return object.get();
        }
    }
    return nullptr;
}

std::vector<Call> World::CallsTo(Kind kind, int slot) const {
    std::vector<Call> found;
    for (const auto& call : calls_) {
        if (call.slot == slot && objects_[static_cast<std::size_t>(call.object)]->kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

std::vector<Call> World::CallsOn(Kind kind) const {
    std::vector<Call> found;
    for (const auto& call : calls_) {
        if (call.slot > 2 && objects_[static_cast<std::size_t>(call.object)]->kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

std::vector<int> World::DialogSlots() const {
    std::vector<int> slots;
    for (const auto& call : calls_) {
        if (objects_[static_cast<std::size_t>(call.object)]->kind == Kind::Dialog &&
            call.slot != 1 && call.slot != 2) {
            slots.push_back(call.slot);
        }
    }
    return slots;
}

bool World::AllReleased() const {
    return std::all_of(objects_.begin(), objects_.end(),
                       [](const auto& object) { return object->references == 0; });
}

std::wstring World::Census() const {
    std::wstring census;
    for (const auto& object : objects_) {
        census += L"#" + std::to_wstring(object->id) + L" " + object->name + L" kind " +
                  std::to_wstring(static_cast<int>(object->kind)) + L" refs " +
                  std::to_wstring(object->references) + L"\n";
    }
    return census;
}

wchar_t* World::AllocateString(const std::wstring& text) {
    auto* block = static_cast<wchar_t*>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    allocatedStrings.push_back(block);
    return block;
}

HRESULT World::Dispatch(Object& self, int slot, const std::vector<std::uint32_t>& arguments) {
    const std::size_t index = calls_.size();
    calls_.push_back(Call{self.id, slot, arguments, {}, {}, {}});
    if (slot == 0) {
        return QueryInterface(self, *Out<IID>(arguments[0]), Out<void*>(arguments[1]));
    }
    if (slot == 1) {
        return static_cast<HRESULT>(++self.references);
    }
    if (slot == 2) {
        return static_cast<HRESULT>(--self.references);
    }
    switch (self.kind) {
    case Kind::Dialog: {
        // The modal Show may record further calls, so the details are kept aside first.
        Call details;
        const HRESULT result = DialogMethod(self, slot, arguments, details);
        calls_[index].text = details.text;
        calls_[index].fileTypes = details.fileTypes;
        calls_[index].guid = details.guid;
        return result;
    }
    case Kind::OleWindow:
        if (slot == 3) {
            *Out<HWND>(arguments[0]) = reinterpret_cast<HWND>(0x1234);
        }
        return S_OK;
    case Kind::Customize:
        return CustomizeMethod(slot, arguments, calls_[index]);
    case Kind::ShellItem:
        return ItemMethod(self, slot, arguments);
    case Kind::ItemArray:
        return ArrayMethod(self, slot, arguments);
    default:
        return S_OK;
    }
}

HRESULT World::QueryInterface(Object& self, const IID& iid, void** out) {
    *out = nullptr;
    Object* answer = nullptr;
    const auto is = [&](const wchar_t* text) { return ::IsEqualIID(iid, IidFromText(text)); };
    if (is(kIidIUnknown)) {
        answer = &self;
    } else {
        switch (self.kind) {
        case Kind::Dialog:
            if (is(kIidIFileDialog) || is(kIidIFileOpenDialog) || is(kIidIFileSaveDialog) ||
                is(kIidIModalWindow)) {
                answer = &self;
            } else if (is(kIidIOleWindow)) {
                // A separate object, as a tear-off would be.
                answer = Make(Kind::OleWindow, L"window");
                --answer->references;
            } else if (is(kIidIFileDialogCustomize) && offerCustomize) {
                answer = Make(Kind::Customize, L"customize");
                --answer->references;
            }
            break;
        case Kind::OleWindow:
            answer = is(kIidIOleWindow) ? &self : nullptr;
            break;
        case Kind::Customize:
            answer = is(kIidIFileDialogCustomize) ? &self : nullptr;
            break;
        case Kind::ShellItem:
            answer = is(kIidIShellItem) ? &self : nullptr;
            break;
        case Kind::ItemArray:
            answer = is(kIidIShellItemArray) ? &self : nullptr;
            break;
        }
    }
    if (answer == nullptr) {
        return E_NOINTERFACE;
    }
    ++answer->references;
    *out = answer;
    return S_OK;
}

HRESULT World::DialogMethod(Object&, int slot, const std::vector<std::uint32_t>& arguments,
                            Call& call) {
    const auto nameOf = [&](std::uint32_t pointer) {
        for (const auto& object : objects_) {
            if (reinterpret_cast<std::uintptr_t>(object.get()) == pointer) {
                return object->name;
            }
        }
        return std::wstring(L"?");
    };
    switch (slot) {
    case 3: // Show
        closedWith_.reset();
        if (duringShow) {
            duringShow();
        }
        return closedWith_ ? *closedWith_ : showResult;
    case 4: { // SetFileTypes
        const auto* specs = Out<const wchar_t* const>(arguments[1]);
        for (std::uint32_t type = 0; type < arguments[0]; ++type) {
            call.fileTypes.emplace_back(specs[2 * type], specs[2 * type + 1]);
        }
        return S_OK;
    }
    case 6: // GetFileTypeIndex
        *Out<std::int32_t>(arguments[0]) = fileTypeIndex;
        return S_OK;
    case 11: // SetDefaultFolder
    case 12: // SetFolder
    case 21: // AddPlace
        call.text = nameOf(arguments[0]);
        return S_OK;
    case 13: // GetFolder
        *Out<void*>(arguments[0]) = Make(Kind::ShellItem, L"current folder");
        return S_OK;
    case 14: // GetCurrentSelection
        *Out<void*>(arguments[0]) = Make(Kind::ShellItem, L"selection");
        return S_OK;
    case 15: // SetFileName
    case 17: // SetTitle
    case 18: // SetOkButtonLabel
    case 19: // SetFileNameLabel
    case 22: // SetDefaultExtension
        call.text = Out<const wchar_t>(arguments[0]);
        return S_OK;
    case 16: // GetFileName
        *Out<wchar_t*>(arguments[0]) = AllocateString(editBoxText);
        return S_OK;
    case 20: // GetResult
        if (chosenItems < 1) {
            *Out<void*>(arguments[0]) = nullptr;
            return E_UNEXPECTED;
        }
        *Out<void*>(arguments[0]) = Make(Kind::ShellItem, L"chosen");
        return S_OK;
    case 23: // Close
        closedWith_ = static_cast<HRESULT>(arguments[0]);
        return S_OK;
    case 24: // SetClientGuid
        call.guid = *Out<GUID>(arguments[0]);
        return S_OK;
    case 27: // GetResults
        if (chosenItems < 1) {
            *Out<void*>(arguments[0]) = nullptr;
            return E_UNEXPECTED;
        }
        *Out<void*>(arguments[0]) = Make(Kind::ItemArray, L"chosen items", chosenItems);
        return S_OK;
    default:
        return S_OK;
    }
}

HRESULT World::CustomizeMethod(int slot, const std::vector<std::uint32_t>& arguments, Call& call) {
    switch (slot) {
    case 4:  // AddMenu
    case 5:  // AddPushButton
    case 8:  // AddCheckButton
    case 9:  // AddEditBox
    case 11: // AddText
    case 12: // SetControlLabel
    case 16: // SetEditBoxText
    case 26: // StartVisualGroup
        call.textAt = 1;
        break;
    case 19: // AddControlItem
        call.textAt = 2;
        break;
    case 13: // GetControlState
    case 15: // GetEditBoxText
    case 17: // GetCheckButtonState
    case 24: // GetSelectedControlItem
        call.outAt = 1;
        break;
    case 22: // GetControlItemState
        call.outAt = 2;
        break;
    default:
        break;
    }
    if (call.textAt >= 0) {
        call.text = Out<const wchar_t>(arguments[static_cast<std::size_t>(call.textAt)]);
    }
    return S_OK;
}

std::vector<std::wstring> World::CustomizeScript() const {
    static const wchar_t* const names[] = {L"QueryInterface",
                                           L"AddRef",
                                           L"Release",
                                           L"EnableOpenDropDown",
                                           L"AddMenu",
                                           L"AddPushButton",
                                           L"AddComboBox",
                                           L"AddRadioButtonList",
                                           L"AddCheckButton",
                                           L"AddEditBox",
                                           L"AddSeparator",
                                           L"AddText",
                                           L"SetControlLabel",
                                           L"GetControlState",
                                           L"SetControlState",
                                           L"GetEditBoxText",
                                           L"SetEditBoxText",
                                           L"GetCheckButtonState",
                                           L"SetCheckButtonState",
                                           L"AddControlItem",
                                           L"RemoveControlItem",
                                           L"RemoveAllControlItems",
                                           L"GetControlItemState",
                                           L"SetControlItemState",
                                           L"GetSelectedControlItem",
                                           L"SetSelectedControlItem",
                                           L"StartVisualGroup",
                                           L"EndVisualGroup",
                                           L"MakeProminent",
                                           L"SetControlItemText"};
    std::vector<std::wstring> script;
    for (const auto& call : CallsOn(Kind::Customize)) {
        std::wstring line = names[call.slot];
        for (int at = 0; at < static_cast<int>(call.arguments.size()); ++at) {
            line += at == call.textAt ? L" '" + call.text + L"'"
                    : at == call.outAt
                        ? std::wstring(L" *")
                        : L" " + std::to_wstring(call.arguments[static_cast<std::size_t>(at)]);
        }
        script.push_back(line);
    }
    return script;
}

HRESULT World::ItemMethod(Object& self, int slot, const std::vector<std::uint32_t>& arguments) {
    switch (slot) {
    case 4: // GetParent
        if (self.name == L"root") {
            return E_FAIL;
        }
        *Out<void*>(arguments[0]) = Make(Kind::ShellItem, L"parent of " + self.name);
        return S_OK;
    case 5: { // GetDisplayName
        const auto format = static_cast<std::int32_t>(arguments[0]);
        if (format == unsupportedFormat) {
            return E_INVALIDARG;
        }
        const std::wstring text =
            format == 0 ? self.name : self.name + L"@" + std::to_wstring(format);
        *Out<wchar_t*>(arguments[1]) = AllocateString(text);
        return S_OK;
    }
    case 6: { // GetAttributes
        const auto mask = static_cast<std::int32_t>(arguments[0]);
        *Out<std::int32_t>(arguments[1]) = mask & itemAttributes;
        return (mask & itemAttributes) == mask ? S_OK : S_FALSE;
    }
    case 7: { // Compare
        if (compareFails) {
            return E_FAIL;
        }
        const auto* other = Out<Object>(arguments[0]);
        const std::int32_t order = other->name == self.name ? 0 : 1;
        *Out<std::int32_t>(arguments[2]) = order;
        return order == 0 ? S_OK : S_FALSE;
    }
    default:
        return E_NOTIMPL;
    }
}

HRESULT World::ArrayMethod(Object& self, int slot, const std::vector<std::uint32_t>& arguments) {
    switch (slot) {
    case 7: // GetCount
        *Out<std::int32_t>(arguments[0]) = self.items;
        return S_OK;
    case 8: { // GetItemAt
        const auto position = static_cast<std::int32_t>(arguments[0]);
        if (position < 0 || position >= self.items) {
            return E_INVALIDARG;
        }
        *Out<void*>(arguments[1]) = Make(Kind::ShellItem, L"item " + std::to_wstring(position + 1));
        return S_OK;
    }
    default:
        return E_NOTIMPL;
    }
}

FactoryGuard::FactoryGuard(World& world) {
    installedWorld = &world;
    previous_ = FileDialogTestAccess::SwapFactory(&FakeFactory);
}

FactoryGuard::~FactoryGuard() {
    FileDialogTestAccess::SwapFactory(previous_);
    installedWorld = nullptr;
}

} // namespace octolume::test
