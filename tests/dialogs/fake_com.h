#pragma once
// Stand-in COM objects for the dialog wrapper's tests: hand-built method tables of
// standard-call functions on objects that record every call (object, slot, arguments)
// and count their references, plus a watch on the task allocator.

#include "dialogs/dialog_interfaces.h"
#include "dialogs/file_dialog.h"
#include "test_support.h"

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace octolume {

// Gives the tests the wrapper's private call engine, helpers and creation seam.
struct FileDialogTestAccess {
    static CallResult Call(const void* pointer, std::int32_t offset,
                           std::initializer_list<CallArgument> arguments = {}) {
        return IFileDialog::CallInterfaceMethod(pointer, offset, arguments);
    }
    static std::wstring StringFromPointer(const wchar_t* pointer, bool freePointer) {
        return IFileDialog::StringFromPointer(pointer, freePointer);
    }
    static ComPtr<IUnknown> ObjectFromPointer(void* pointer, bool releasePointer) {
        return IFileDialog::ObjectFromPointer(pointer, releasePointer);
    }
    static ComPtr<IUnknown> ShellItemFromPath(const Variant& path) {
        return IFileDialog::ShellItemFromPath(path);
    }
    static bool IsInterfacePointer(const void* pointer, const wchar_t* iidString) {
        return IFileDialog::IsInterfacePointer(pointer, iidString);
    }
    using Factory = HRESULT (*)(const CLSID&, const IID&, void**);
    static Factory SwapFactory(Factory factory) {
        const Factory previous = IFileDialog::dialogFactory_;
        IFileDialog::dialogFactory_ = factory;
        return previous;
    }
    static bool HasCustomControls(const IFileDialog& dialog) {
        return !dialog.customControls_.empty();
    }
    // The recorded keys in their order, each with its packed value or a group's list.
    static std::vector<std::pair<std::wstring, std::wstring>> Keys(const IFileDialog& dialog) {
        std::vector<std::pair<std::wstring, std::wstring>> keys;
        for (const auto& entry : dialog.keyToId_) {
            keys.emplace_back(entry.key,
                              entry.list.empty() ? std::to_wstring(entry.packed) : entry.list);
        }
        return keys;
    }
    static std::int32_t IdsTaken(const IFileDialog& dialog) { return dialog.idToKey_.Count(); }
    // A control's record as caption and flags; a blank one when it has none.
    static std::pair<std::wstring, std::int32_t> Record(const IFileDialog& dialog,
                                                        std::int32_t id) {
        const auto found = dialog.customControls_.find(id);
        return found == dialog.customControls_.end()
                   ? std::pair<std::wstring, std::int32_t>()
                   : std::pair(found->second.caption, found->second.flags);
    }
    // Hands `count` IDs to one key at once: the cheap way to the end of the ID range.
    static void TakeIds(IFileDialog& dialog, std::int32_t count) {
        dialog.idToKey_.Add(L"filler", count);
    }
};

namespace test {

IID IidFromText(const wchar_t* text);
// The wrapper's own table of identifiers; the live tests check it against the system.
using file_dialog_detail::kIidIFileDialog;
using file_dialog_detail::kIidIFileDialogCustomize;
using file_dialog_detail::kIidIFileOpenDialog;
using file_dialog_detail::kIidIFileSaveDialog;
using file_dialog_detail::kIidIOleWindow;
using file_dialog_detail::kIidIShellItem;
using file_dialog_detail::kIidIShellItemArray;
using file_dialog_detail::kIidIUnknown;

enum class Kind { Dialog, OleWindow, Customize, ShellItem, ItemArray };

class World;

// Layout known to the hand-built method tables: the table pointer comes first.
struct Object {
    const void* const* table;
    World* world;
    Kind kind;
    int id;
    LONG references = 1;
    std::wstring name;      // shell item: its display name
    std::int32_t items = 0; // item array: number of items
};

struct Call {
    int object;
    int slot;
    std::vector<std::uint32_t> arguments;
    std::wstring text; // text argument, read during the call
    std::vector<std::pair<std::wstring, std::wstring>> fileTypes; // SetFileTypes records
    GUID guid{};                                                  // SetClientGuid argument
    int textAt = -1; // position of a text argument, whose characters are in text
    int outAt = -1;  // position of an out-pointer argument
};

class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    Object* Make(Kind kind, std::wstring name = std::wstring(), std::int32_t items = 0);
    // The first object of a kind made so far, or null.
    Object* FirstOf(Kind kind) const;

    // Calls of one slot on objects of one kind, excluding reference counting.
    std::vector<Call> CallsTo(Kind kind, int slot) const;
    // Every call on the dialog other than AddRef and Release, as slot numbers.
    std::vector<int> DialogSlots() const;
    // Every call on objects of one kind other than reference counting, in order.
    std::vector<Call> CallsOn(Kind kind) const;
    // Every call on the customize interface other than reference counting, written as
    // the method's name and its arguments: texts quoted, out-pointers as "*"; for
    // example "AddControlItem 101 102 'a'".
    std::vector<std::wstring> CustomizeScript() const;
    // Every object's reference count is back to zero.
    bool AllReleased() const;
    std::wstring Census() const;

    // Behaviour of the stand-in dialog.
    bool createFails = false;
    std::optional<CLSID> createdClass;
    std::optional<IID> createdInterface;
    bool offerCustomize = false;
    HRESULT showResult = S_OK;
    std::function<void()> duringShow;
    std::int32_t chosenItems = 1; // what GetResult / GetResults hand out
    std::wstring editBoxText = L"typed.txt";
    std::int32_t fileTypeIndex = 1;
    std::int32_t unsupportedFormat = -1; // display format the shell items refuse
    bool compareFails = false;
    std::int32_t itemAttributes = 0x40000000;

    // Task-allocator blocks handed out by the stand-ins.
    std::vector<void*> allocatedStrings;

    Object* dialog = nullptr;

    HRESULT Dispatch(Object& self, int slot, const std::vector<std::uint32_t>& arguments);

private:
    HRESULT QueryInterface(Object& self, const IID& iid, void** out);
    HRESULT DialogMethod(Object& self, int slot, const std::vector<std::uint32_t>& arguments,
                         Call& call);
    HRESULT ItemMethod(Object& self, int slot, const std::vector<std::uint32_t>& arguments);
    HRESULT ArrayMethod(Object& self, int slot, const std::vector<std::uint32_t>& arguments);
    HRESULT CustomizeMethod(int slot, const std::vector<std::uint32_t>& arguments, Call& call);
    wchar_t* AllocateString(const std::wstring& text);

    std::vector<std::unique_ptr<Object>> objects_;
    std::vector<Call> calls_;
    std::optional<HRESULT> closedWith_;
};

// The stand-in dialog factory routes to the world installed by this guard.
class FactoryGuard {
public:
    explicit FactoryGuard(World& world);
    ~FactoryGuard();

private:
    FileDialogTestAccess::Factory previous_;
};

} // namespace test
} // namespace octolume
