// Custom controls: recorded under the caller's keys before the dialog is shown, replayed
// onto the dialog's IFileDialogCustomize when it is, and read and changed by key while it
// runs. Every recording member changes nothing unless it succeeds: whatever can run out
// of memory is prepared first, and the record is changed only afterwards.

#include "file_dialog.h"

#include "dialog_interfaces.h"
#include "interface_call.h"
#include "support/helpers.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace octolume {

namespace {

using namespace file_dialog_detail;

namespace control {
constexpr std::int32_t kEndOfVisualGroup = 0;
constexpr std::int32_t kVisualGroup = 5;
} // namespace control

// A packed value holds the control ID in its low 24 bits and the control type above.
constexpr std::int32_t kTypeUnit = 0x1000000;
constexpr std::int32_t kIdMask = 0xFFFFFF;
constexpr std::int32_t kLargestId = 0xFFFFFF;
// A check button's record: its check state in the lowest bit, beside the prominent bit.
constexpr std::int32_t kCheckedBit = 1;
constexpr std::int32_t kProminentBit = 0x10000000;
constexpr std::size_t kFieldWidth = 10;

bool IsGroup(std::int32_t type) {
    return type >= IFileDialog::kGroupComboBox && type <= IFileDialog::kGroupOpenDropDown;
}

// Groups of which the user selects one item; a menu's items are commands instead.
bool IsSelectionGroup(std::int32_t type) {
    return type == IFileDialog::kGroupComboBox || type == IFileDialog::kGroupRadioButtonList ||
           type == IFileDialog::kGroupOpenDropDown;
}

// One field of a group's list: "&H", the value in upper-case hexadecimal and "&",
// filled up with blanks to 10 characters.
std::wstring ListField(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    std::wstring field = L"&H" + digits + L"&";
    field.resize(kFieldWidth, L' ');
    return field;
}

// The hexadecimal number written after "&H" in field k of a list.
std::int32_t FieldNumber(const std::wstring& list, std::size_t field) {
    const std::size_t end = std::min(list.size(), (field + 1) * kFieldWidth);
    std::uint32_t value = 0;
    for (std::size_t at = field * kFieldWidth + 2; at < end; ++at) {
        const wchar_t c = list[at];
        std::uint32_t digit;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<std::uint32_t>(c - L'0');
        } else if (c >= L'A' && c <= L'F') {
            digit = static_cast<std::uint32_t>(c - L'A' + 10);
        } else {
            break;
        }
        value = value * 16 + digit;
    }
    return static_cast<std::int32_t>(value);
}

std::size_t ItemCount(const std::wstring& list) {
    return list.size() / kFieldWidth - 1;
}

// Members report failure by their result only, running out of memory included.
template <class Result, class Work> Result Guarded(Result fallback, Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        return fallback;
    }
}

} // namespace

void IFileDialog::ControlIdOwners::Add(const std::wstring& key, std::int32_t ids) {
    if (runs_.empty() || runs_.back().key != key) {
        runs_.push_back({NextId(), key});
    }
    count_ += ids;
}

void IFileDialog::ControlIdOwners::Truncate(std::int32_t count) noexcept {
    while (!runs_.empty() && runs_.back().firstId - kFirstId >= count) {
        runs_.pop_back();
    }
    count_ = std::min(count_, count);
}

void IFileDialog::ControlIdOwners::Clear() noexcept {
    runs_.clear();
    count_ = 0;
}

std::vector<IFileDialog::KeyToIdEntry>::iterator IFileDialog::FindKey(const std::wstring& key) {
    return keyToId_.begin() + (std::as_const(*this).FindKey(key) - keyToId_.cbegin());
}

std::vector<IFileDialog::KeyToIdEntry>::const_iterator
IFileDialog::FindKey(const std::wstring& key) const {
    return std::find_if(keyToId_.begin(), keyToId_.end(),
                        [&](const KeyToIdEntry& entry) { return StringsEqual(entry.key, key, 1); });
}

// Keys beginning with a blank are reserved for the entries that end visual groups.
bool IFileDialog::RegisterControlKey(const std::wstring& key, std::int32_t controlType,
                                     std::int32_t extraSlots, bool allowReservedKey) {
    if (key.empty() || (key.front() == L' ' && !allowReservedKey)) {
        return false;
    }
    // Every ID handed out, the control's and those of the items that take its extra
    // slots, must fit the 24 bits of a packed value; beyond them it would turn into the
    // type. So the registry ends at ID 0xFFFFFF, 16,777,115 entries.
    const std::int32_t id = idToKey_.NextId();
    if (id > kLargestId || extraSlots > kLargestId - id) {
        return false;
    }
    if (FindKey(key) != keyToId_.end()) {
        return false;
    }
    keyToId_.reserve(keyToId_.size() + 1);
    KeyToIdEntry entry{key, id + controlType * kTypeUnit, std::wstring()};
    idToKey_.Add(key, 1);
    keyToId_.push_back(std::move(entry));
    return true;
}

std::int32_t IFileDialog::ControlIdFromKey(const std::wstring& key,
                                           std::int32_t& controlType) const {
    const auto entry = FindKey(key);
    if (entry == keyToId_.end()) {
        controlType = 0;
        return 0;
    }
    controlType = entry->packed / kTypeUnit;
    return entry->packed & kIdMask;
}

IFileDialog::ShownControl IFileDialog::FindShownControl(const std::wstring& key) const {
    ShownControl control{activeCustomize_};
    if (control.customize) {
        control.id = ControlIdFromKey(key, control.type);
    }
    return control;
}

// An item is known to the platform by its own control ID, not by its position.
std::int32_t IFileDialog::GroupItemId(const std::wstring& key, std::int32_t itemIndex) const {
    const auto entry = FindKey(key);
    if (entry == keyToId_.end() || entry->list.empty() || itemIndex < 0 ||
        static_cast<std::size_t>(itemIndex) >= ItemCount(entry->list)) {
        return 0;
    }
    return FieldNumber(entry->list, static_cast<std::size_t>(itemIndex) + 1);
}

// A group whose list changes goes to the end of the order, so it is replayed after the
// controls recorded before the change.
void IFileDialog::ReplaceGroupList(std::vector<KeyToIdEntry>::iterator entry, std::wstring list) {
    std::rotate(entry, entry + 1, keyToId_.end());
    keyToId_.back().list = std::move(list);
}

bool IFileDialog::Customize_CreateContainer(const std::wstring& key, const std::wstring& label) {
    return Guarded(false, [&] {
        if (activeDialog_) {
            return false;
        }
        std::map<std::int32_t, CustomControlRecord> record{{idToKey_.NextId(), {label, 0}}};
        if (!RegisterControlKey(key, control::kVisualGroup, 0, false)) {
            return false;
        }
        customControls_.merge(record);
        return true;
    });
}

// Closing a visual group records an end-of-group entry under the reserved key made of a
// blank and the group's key, its record carrying the group's ID; the replay ends the
// group there, so later controls lie outside it. A group closes once.
bool IFileDialog::Customize_CloseContainer(const std::wstring& containerKey) {
    return Guarded(false, [&] {
        if (activeDialog_) {
            return false;
        }
        std::int32_t type = 0;
        const std::int32_t groupId = ControlIdFromKey(containerKey, type);
        if (groupId == 0 || type != control::kVisualGroup) {
            return false;
        }
        std::map<std::int32_t, CustomControlRecord> record{
            {idToKey_.NextId(), {std::wstring(), groupId}}};
        if (!RegisterControlKey(L" " + containerKey, control::kEndOfVisualGroup, 0, true)) {
            return false;
        }
        customControls_.merge(record);
        return true;
    });
}

bool IFileDialog::Customize_CreateGroup(std::int32_t groupType, const std::wstring& groupKey,
                                        const std::wstring& menuCaption,
                                        const std::vector<std::wstring>& groupItems) {
    return Guarded(false, [&] {
        if (activeDialog_ || !IsGroup(groupType)) {
            return false;
        }
        // Items beyond the ID range are refused by the registration below.
        const auto items = static_cast<std::int32_t>(
            std::min<std::size_t>(groupItems.size(), static_cast<std::size_t>(kLargestId)));
        const std::int32_t groupId = idToKey_.NextId();
        std::map<std::int32_t, CustomControlRecord> records{{groupId, {menuCaption, 0}}};
        std::wstring list = ListField(groupId + groupType * kTypeUnit);
        for (std::int32_t item = 0; item < items; ++item) {
            const std::int32_t itemId = groupId + 1 + item;
            records[itemId].caption = groupItems[static_cast<std::size_t>(item)];
            list += ListField(itemId);
        }
        if (!RegisterControlKey(groupKey, groupType, items, false)) {
            return false;
        }
        // The items join the run of IDs just opened for the group, which allocates nothing.
        idToKey_.Add(keyToId_.back().key, items);
        keyToId_.back().list = std::move(list);
        customControls_.merge(records);
        return true;
    });
}

// No key is reserved for an appended item: it takes the next ID of the group's own key.
bool IFileDialog::Customize_AppendGroupItem(const std::wstring& groupKey,
                                            const std::wstring& item) {
    return Guarded(false, [&] {
        const auto entry = FindKey(groupKey);
        if (entry == keyToId_.end() || entry->list.empty()) {
            return false;
        }
        const std::int32_t id = idToKey_.NextId();
        if (id > kLargestId) {
            return false;
        }
        std::wstring list = entry->list + ListField(id);
        std::map<std::int32_t, CustomControlRecord> record;
        const ComPtr<IUnknown> customize = activeCustomize_;
        if (!customize) {
            record[id].caption = item;
        }
        idToKey_.Add(entry->key, 1);
        if (customize) {
            // Shown at once; an item the dialog refused is not recorded, so positions in
            // the list keep matching the dialog's.
            if (!CallSucceeded(CallInterfaceMethod(customize.Get(), offset::kAddControlItem,
                                                   {entry->packed & kIdMask, id, item}))) {
                idToKey_.Truncate(id - ControlIdOwners::kFirstId);
                return false;
            }
        } else {
            customControls_.merge(record);
        }
        ReplaceGroupList(entry, std::move(list));
        return true;
    });
}

// The item's ID and record stay taken; only the group's list and the dialog lose it. An
// item the dialog would not remove stays in the list too.
bool IFileDialog::Customize_RemoveGroupItem(const std::wstring& groupKey, std::int32_t itemIndex) {
    return Guarded(false, [&] {
        const ComPtr<IUnknown> customize = activeCustomize_;
        if (!customize) {
            return false;
        }
        const std::int32_t itemId = GroupItemId(groupKey, itemIndex);
        if (itemId == 0) {
            return false;
        }
        const auto entry = FindKey(groupKey);
        std::wstring list = entry->list;
        list.erase((static_cast<std::size_t>(itemIndex) + 1) * kFieldWidth, kFieldWidth);
        if (!CallSucceeded(CallInterfaceMethod(customize.Get(), offset::kRemoveControlItem,
                                               {entry->packed & kIdMask, itemId}))) {
            return false;
        }
        ReplaceGroupList(entry, std::move(list));
        return true;
    });
}

bool IFileDialog::Customize_CreateNonGroupItem(std::int32_t itemType, const std::wstring& itemKey,
                                               const std::wstring& itemTextOrCaption,
                                               bool isChecked) {
    return Guarded(false, [&] {
        if (activeDialog_ || itemType < kItemCheckButton || itemType > kItemSeparator) {
            return false;
        }
        const std::int32_t flags = (itemType == kItemCheckButton && isChecked) ? kCheckedBit : 0;
        std::map<std::int32_t, CustomControlRecord> record{
            {idToKey_.NextId(), {itemTextOrCaption, flags}}};
        if (!RegisterControlKey(itemKey, itemType, 0, false)) {
            return false;
        }
        customControls_.merge(record);
        return true;
    });
}

// Marks the control so that the replay makes it prominent.
void IFileDialog::Customize_MakeControlProminent(const std::wstring& controlKey) {
    Guarded(false, [&] {
        if (activeDialog_) {
            return false;
        }
        std::int32_t type = 0;
        const std::int32_t id = ControlIdFromKey(controlKey, type);
        const auto record = customControls_.find(id);
        if (id == 0 || type == control::kEndOfVisualGroup || record == customControls_.end()) {
            return false;
        }
        record->second.flags |= kProminentBit;
        return true;
    });
}

std::wstring IFileDialog::CustomControl_GetTextBoxText(const std::wstring& key) {
    return Guarded(std::wstring(), [&] {
        const auto [customize, id, type] = FindShownControl(key);
        if (id == 0 || type != kItemEditBox) {
            return std::wstring();
        }
        wchar_t* text = nullptr;
        CallInterfaceMethod(customize.Get(), offset::kGetEditBoxText, {id, &text});
        return StringFromPointer(text, true);
    });
}

// Sets an edit box's text in the shown dialog; the result is always "".
std::wstring IFileDialog::CustomControl_SetTextBoxText(const std::wstring& key,
                                                       const std::wstring& text) {
    return Guarded(std::wstring(), [&] {
        const auto [customize, id, type] = FindShownControl(key);
        if (id != 0 && type == kItemEditBox) {
            CallInterfaceMethod(customize.Get(), offset::kSetEditBoxText, {id, text});
        }
        return std::wstring();
    });
}

std::wstring IFileDialog::CustomControl_SetControlCaption(const std::wstring& key,
                                                          const std::wstring& caption) {
    return Guarded(std::wstring(), [&] {
        const auto [customize, id, type] = FindShownControl(key);
        if (id != 0) {
            CallInterfaceMethod(customize.Get(), offset::kSetControlLabel, {id, caption});
        }
        return std::wstring();
    });
}

// With an item index the item's control ID is asked for; an index beyond the group's list
// (or on a control without items) gives 0.
std::int32_t IFileDialog::CustomControl_GetState(const std::wstring& key, std::int32_t itemIndex) {
    return Guarded(std::int32_t{0}, [&] {
        const auto [customize, id, type] = FindShownControl(key);
        if (id == 0) {
            return std::int32_t{0};
        }
        std::int32_t state = 0;
        if (itemIndex < 0) {
            CallInterfaceMethod(customize.Get(), offset::kGetControlState, {id, &state});
        } else if (const std::int32_t itemId = GroupItemId(key, itemIndex)) {
            CallInterfaceMethod(customize.Get(), offset::kGetControlItemState,
                                {id, itemId, &state});
        }
        return state;
    });
}

// With an item index the item's control ID is addressed; an index beyond the group's list
// (or on a control without items) gives false.
bool IFileDialog::CustomControl_SetState(const std::wstring& key, bool enabled, bool visible,
                                         std::int32_t itemIndex) {
    return Guarded(false, [&] {
        const auto [customize, id, type] = FindShownControl(key);
        if (id == 0) {
            return false;
        }
        const std::int32_t state = (enabled ? 1 : 0) + (visible ? 2 : 0);
        if (itemIndex < 0) {
            return CallSucceeded(
                CallInterfaceMethod(customize.Get(), offset::kSetControlState, {id, state}));
        }
        const std::int32_t itemId = GroupItemId(key, itemIndex);
        return itemId != 0 &&
               CallSucceeded(CallInterfaceMethod(customize.Get(), offset::kSetControlItemState,
                                                 {id, itemId, state}));
    });
}

std::int32_t IFileDialog::CustomControl_GetSelected(const std::wstring& key) {
    return Guarded(std::int32_t{-1}, [&] {
        const ComPtr<IUnknown> customize = activeCustomize_;
        if (!customize) {
            return std::int32_t{0};
        }
        std::int32_t type = 0;
        const std::int32_t id = ControlIdFromKey(key, type);
        if (id == 0) {
            return std::int32_t{-1};
        }
        if (!IsSelectionGroup(type)) {
            std::int32_t checked = 0;
            CallInterfaceMethod(customize.Get(), offset::kGetCheckButtonState, {id, &checked});
            return checked;
        }
        std::int32_t itemId = 0;
        if (!CallSucceeded(CallInterfaceMethod(customize.Get(), offset::kGetSelectedControlItem,
                                               {id, &itemId}))) {
            return std::int32_t{-1};
        }
        const std::wstring& list = FindKey(key)->list;
        for (std::size_t item = 0; item < ItemCount(list); ++item) {
            if (FieldNumber(list, item + 1) == itemId) {
                return static_cast<std::int32_t>(item);
            }
        }
        return std::int32_t{-1};
    });
}

// On a combo box, radio-button list or Open drop-down this selects item itemIndex (an
// index beyond the list selects nothing); on any other control it sets the check state
// and itemIndex has no effect. The result is always 0.
std::int32_t IFileDialog::CustomControl_SetSelected(const std::wstring& key, std::int32_t itemIndex,
                                                    bool chkBoxSelected) {
    return Guarded(std::int32_t{0}, [&] {
        const auto [customize, id, type] = FindShownControl(key);
        if (id == 0) {
            return std::int32_t{0};
        }
        if (!IsSelectionGroup(type)) {
            CallInterfaceMethod(customize.Get(), offset::kSetCheckButtonState,
                                {id, std::int32_t{chkBoxSelected ? 1 : 0}});
        } else if (const std::int32_t itemId = GroupItemId(key, itemIndex)) {
            CallInterfaceMethod(customize.Get(), offset::kSetSelectedControlItem, {id, itemId});
        }
        return std::int32_t{0};
    });
}

void IFileDialog::Customize_ClearCustomizations() {
    if (activeCustomize_) {
        return;
    }
    customControls_.clear();
    idToKey_.Clear();
    keyToId_.clear();
}

namespace {

// The method that makes each recorded kind of control again, and what it is given.
struct Remake {
    enum Arguments { kId, kIdCaption, kIdCaptionCheckState };
    std::int32_t type;
    std::int32_t method;
    Arguments follows;
};
constexpr Remake kRemakes[] = {
    {IFileDialog::kGroupComboBox, offset::kAddComboBox, Remake::kId},
    {IFileDialog::kGroupRadioButtonList, offset::kAddRadioButtonList, Remake::kId},
    {IFileDialog::kGroupMenu, offset::kAddMenu, Remake::kIdCaption},
    {IFileDialog::kGroupOpenDropDown, offset::kEnableOpenDropDown, Remake::kId},
    {control::kVisualGroup, offset::kStartVisualGroup, Remake::kIdCaption},
    {IFileDialog::kItemCheckButton, offset::kAddCheckButton, Remake::kIdCaptionCheckState},
    {IFileDialog::kItemEditBox, offset::kAddEditBox, Remake::kIdCaption},
    {IFileDialog::kItemPushButton, offset::kAddPushButton, Remake::kIdCaption},
    {IFileDialog::kItemText, offset::kAddText, Remake::kIdCaption},
    {IFileDialog::kItemSeparator, offset::kAddSeparator, Remake::kId},
};

} // namespace

// Replays the record in its order. A visual group takes the controls after it until its
// end-of-group entry; one never closed ends after the last control. Results are not
// examined: a control the platform refuses is simply missing.
void IFileDialog::ApplyCustomizations() {
    const ComPtr<IUnknown> customize = activeCustomize_;
    if (!customize) {
        return;
    }
    static const CustomControlRecord blank;
    const auto recordOf = [this](std::int32_t id) -> const CustomControlRecord& {
        const auto found = customControls_.find(id);
        return found == customControls_.end() ? blank : found->second;
    };
    const auto call = [&](std::int32_t methodOffset,
                          std::initializer_list<CallArgument> arguments = {}) {
        CallInterfaceMethod(customize.Get(), methodOffset, arguments);
    };
    std::int32_t openGroups = 0;
    for (const auto& entry : keyToId_) {
        const std::int32_t type = entry.packed / kTypeUnit;
        std::int32_t id = entry.packed & kIdMask;
        const CustomControlRecord& record = recordOf(id);
        if (type == control::kEndOfVisualGroup) {
            call(offset::kEndVisualGroup);
            --openGroups;
            id = record.flags & kIdMask;
        } else if (const auto remake = std::ranges::find(kRemakes, type, &Remake::type);
                   remake != std::end(kRemakes)) {
            if (remake->follows == Remake::kId) {
                call(remake->method, {id});
            } else if (remake->follows == Remake::kIdCaption) {
                call(remake->method, {id, record.caption});
            } else {
                call(remake->method, {id, record.caption, record.flags & kCheckedBit});
            }
            openGroups += type == control::kVisualGroup ? 1 : 0;
        }
        if (record.flags & kProminentBit) {
            call(offset::kMakeProminent, {id});
        }
        if (!entry.list.empty()) {
            for (std::size_t item = 1; item <= ItemCount(entry.list); ++item) {
                const std::int32_t itemId = FieldNumber(entry.list, item);
                call(offset::kAddControlItem, {id, itemId, recordOf(itemId).caption});
            }
        }
    }
    for (; openGroups > 0; --openGroups) {
        call(offset::kEndVisualGroup);
    }
    customControls_.clear();
}

} // namespace octolume
