#pragma once
// octolume::IFileDialog drives the Windows common item dialog (open, save or pick folder)
// and the shell items it returns without compiled interface declarations: every
// interface method is called by its byte offset in the interface's method table. Every
// failure comes back as a return value; nothing is raised or shown.
//
// All members run on the single-threaded apartment thread that owns the object. While
// DialogShow runs the modal loop, code on that thread may call the live-dialog
// operations; a nested DialogShow is refused and a nested Clear does nothing. Such code
// must not destroy the object whose DialogShow is running.

#include "variant.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace octolume {

using Microsoft::WRL::ComPtr;

// One argument of a call by method-table offset (interface_call.h, inside the library).
class CallArgument;

class IFileDialog {
public:
    // Dialog modes of DialogShow.
    static constexpr std::int32_t kModeOpen = 0;
    static constexpr std::int32_t kModeSave = 1;
    static constexpr std::int32_t kModePickFolder = 2;

    IFileDialog() = default;
    ~IFileDialog();
    IFileDialog(const IFileDialog&) = delete;
    IFileDialog& operator=(const IFileDialog&) = delete;

    // Shows the dialog modally and consumes the settings. 0 when the user confirmed a
    // choice; otherwise Show's HRESULT (0x800704C7 for a cancel), CoCreateInstance's
    // HRESULT, or -1 when this object is already showing a dialog or the mode is unknown.
    std::int32_t DialogShow(HWND ownerHwnd, std::int32_t mode = kModeOpen,
                            const std::wstring& dialogTitle = std::wstring());

    // Results of the last showing. Results is an IShellItem, an IShellItemArray (two or
    // more items) or empty; ResultsItem counts from 1.
    ComPtr<IUnknown> Results() const;
    std::int32_t ResultsCount() const;
    ComPtr<IUnknown> ResultsItem(std::int32_t itemIndex) const;

    // Shell item utilities on borrowed raw pointers. Without validation the pointer must
    // be a live IShellItem or null; null always gives the empty value.
    std::wstring IShellItem_GetDisplayName(IUnknown* oIShellItem, std::int32_t displayFormat,
                                           bool validatePointer = false) const;
    ComPtr<IUnknown> IShellItem_GetParent(IUnknown* oIShellItem,
                                          bool validatePointer = false) const;
    std::int32_t IShellItem_GetAttributes(IUnknown* ptrIShellItem, std::int32_t shellAttrMask,
                                          bool validatePointer = false) const;
    bool IShellItem_AreEqual(IUnknown* ptrIShellItem, IUnknown* ptrIShellItemCmp, std::int32_t hint,
                             bool validatePointers = false) const;
    // A counted reference to the pointer's object; with callReleaseOnPointer the caller's
    // raw reference moves into the result.
    ComPtr<IUnknown> IShellItem_PointerToObject(IUnknown* ptrIShellItem,
                                                bool callReleaseOnPointer = false) const;

    // Settings, read by the next DialogShow and reset by it.
    std::wstring propOKButtonCaption() const { return okButtonText_; }
    void propOKButtonCaption(std::wstring newValue) { okButtonText_ = std::move(newValue); }
    std::wstring propFileLabelCaption() const { return fileLabelText_; }
    void propFileLabelCaption(std::wstring newValue) { fileLabelText_ = std::move(newValue); }

    // Folder sources: empty, a path, a shell folder's class ID in braces (38 characters),
    // the address of a caller-owned item ID list, or a shell item object. PathType is
    // accepted and ignored.
    void propDefaultFolder_Set(const Variant& path, std::int32_t pathType = 0);
    Variant propDefaultFolder_Get(std::int32_t pathType = 0) const;
    void propStartupFolder_Set(const Variant& path, std::int32_t pathType = 0);
    Variant propStartupFolder_Get(std::int32_t pathType = 0) const;
    void propAddPlace_SetFolder(const Variant& path, std::int32_t pathType = 0,
                                bool placeAtTop = false);
    Variant propAddPlace_GetFolder(bool& placeAtTop, std::int32_t pathType = 0) const;

    std::wstring propDialogStateGUID() const { return clientGuidText_; }
    void propDialogStateGUID(std::wstring newValue) { clientGuidText_ = std::move(newValue); }
    std::int32_t propFlags() const { return dialogOptions_; }
    void propFlags(std::int32_t newValue) { dialogOptions_ = newValue; }
    std::wstring propInitialFileName() const { return initialFileNameText_; }
    void propInitialFileName(std::wstring newValue) { initialFileNameText_ = std::move(newValue); }
    std::wstring propFilters() const { return filterListText_; }
    void propFilters(std::wstring newValue) { filterListText_ = std::move(newValue); }
    std::int32_t propFilterIndex() const { return filterIndexValue_; }
    void propFilterIndex(std::int32_t newValue) { filterIndexValue_ = newValue; }
    std::wstring propDefaultExtension() const { return defaultExtensionText_; }
    void propDefaultExtension(std::wstring newValue) {
        defaultExtensionText_ = std::move(newValue);
    }

    // Resets every setting and the result; does nothing while a dialog is showing.
    void Clear();

    // Live-dialog operations: they act only while DialogShow's modal loop runs and
    // otherwise return their empty value without calling anything.
    void DialogClose(bool errorCodeReturned);
    ComPtr<IUnknown> DialogGetCurrentSelection();
    ComPtr<IUnknown> DialogGetCurrentFolder();
    std::wstring DialogGetEditBoxText();
    std::int32_t DialogGetFilterIndex();
    HWND DialogHWND();

    // Custom controls. Before DialogShow the caller records controls under keys of its
    // choice (compared without regard to letter case; a key may not begin with a blank);
    // DialogShow replays them onto the dialog, and code running inside its modal loop
    // reads and changes them by key. A record serves one showing: DialogShow forgets it.
    // Every control and every group item gets its own 24-bit control ID, from 101 on.
    static constexpr std::int32_t kGroupComboBox = 1;
    static constexpr std::int32_t kGroupRadioButtonList = 2;
    static constexpr std::int32_t kGroupMenu = 3;
    static constexpr std::int32_t kGroupOpenDropDown = 4;
    static constexpr std::int32_t kItemCheckButton = 10;
    static constexpr std::int32_t kItemEditBox = 11;
    static constexpr std::int32_t kItemPushButton = 12;
    static constexpr std::int32_t kItemText = 13;
    static constexpr std::int32_t kItemSeparator = 14;

    // Recording members: they act only while no dialog is showing and return false
    // otherwise, or when the key is empty, begins with a blank or is taken already.
    // A visual group; the controls recorded after it lie inside it until it is closed
    // (or until the last control, when it never is).
    bool Customize_CreateContainer(const std::wstring& key, const std::wstring& label);
    // Ends a visual group: the controls recorded afterwards lie outside it. A group
    // closes once.
    bool Customize_CloseContainer(const std::wstring& containerKey);
    // A combo box, radio-button list, menu (titled menuCaption) or Open-button drop-down
    // with its items.
    bool Customize_CreateGroup(std::int32_t groupType, const std::wstring& groupKey,
                               const std::wstring& menuCaption,
                               const std::vector<std::wstring>& groupItems = {});
    // Adds an item to a group: to the record before showing, to the dialog while shown.
    bool Customize_AppendGroupItem(const std::wstring& groupKey, const std::wstring& item);
    // Removes item itemIndex (from 0) of a group from the dialog while it is shown.
    bool Customize_RemoveGroupItem(const std::wstring& groupKey, std::int32_t itemIndex);
    // A check button, edit box, push button, text or separator; the text is the label,
    // the edit box's initial text or the text shown.
    bool Customize_CreateNonGroupItem(std::int32_t itemType, const std::wstring& itemKey,
                                      const std::wstring& itemTextOrCaption = std::wstring(),
                                      bool isChecked = false);
    // Makes the control stand out when the dialog is shown.
    void Customize_MakeControlProminent(const std::wstring& controlKey);

    // Live members: they act on the shown dialog's controls and return their default
    // ("", 0 or false) while no customized dialog is showing. ItemIndex counts a group's
    // items from 0; -1 addresses the control itself.
    std::wstring CustomControl_GetTextBoxText(const std::wstring& key);
    // Sets an edit box's text; the result is always "".
    std::wstring CustomControl_SetTextBoxText(const std::wstring& key, const std::wstring& text);
    // Sets a control's label; the result is always "".
    std::wstring CustomControl_SetControlCaption(const std::wstring& key,
                                                 const std::wstring& caption);
    // State bits: 1 enabled, 2 visible.
    std::int32_t CustomControl_GetState(const std::wstring& key, std::int32_t itemIndex = -1);
    bool CustomControl_SetState(const std::wstring& key, bool enabled, bool visible,
                                std::int32_t itemIndex = -1);
    // A group's selected item (from 0), or a check button's state (1 checked); -1 for an
    // unknown key or when nothing is selected.
    std::int32_t CustomControl_GetSelected(const std::wstring& key);
    // Selects item itemIndex of a combo box, radio-button list or Open drop-down, or sets
    // a check button's state; the result is always 0.
    std::int32_t CustomControl_SetSelected(const std::wstring& key, std::int32_t itemIndex,
                                           bool chkBoxSelected = false);

    // Forgets every recorded custom control; does nothing while they are live.
    void Customize_ClearCustomizations();

private:
    friend struct FileDialogTestAccess;

    // Creates the dialog object; replaceable so the showing can be exercised with
    // stand-in objects.
    using DialogFactory = HRESULT (*)(const CLSID& classId, const IID& interfaceId, void** object);
    static HRESULT CreateSystemDialog(const CLSID& classId, const IID& interfaceId, void** object);
    static DialogFactory dialogFactory_;

    // One recorded custom control or group item.
    struct CustomControlRecord {
        std::wstring caption;
        std::int32_t flags = 0;
    };
    // A KeyToId entry: a control's packed value (ID in the low 24 bits, type above), and
    // for a group its list string of 10-character fields, the group's own packed value
    // first and then each item's ID. Only groups have a list.
    struct KeyToIdEntry {
        std::wstring key;
        std::int32_t packed = 0;
        std::wstring list;
    };
    // IdToKey: the key owning each control ID handed out, IDs given in order from 101.
    // Consecutive IDs of one key (a group and its items) share one run, so the table
    // stays small however many IDs it holds.
    class ControlIdOwners {
    public:
        static constexpr std::int32_t kFirstId = 101;
        std::int32_t Count() const noexcept { return count_; }
        std::int32_t NextId() const noexcept { return count_ + kFirstId; }
        // Hands the next `ids` IDs to key.
        void Add(const std::wstring& key, std::int32_t ids);
        // Forgets every ID from the given count on.
        void Truncate(std::int32_t count) noexcept;
        void Clear() noexcept;

    private:
        struct Run {
            std::int32_t firstId;
            std::wstring key;
        };
        std::vector<Run> runs_;
        std::int32_t count_ = 0;
    };

    // What the method returned; nothing when no call was made or the platform refused it.
    static std::optional<std::int32_t>
    CallInterfaceMethod(const void* interfacePointer, std::int32_t vtableOffset,
                        std::initializer_list<CallArgument> arguments = {});
    static std::wstring StringFromPointer(const wchar_t* pointer, bool freePointer);
    static ComPtr<IUnknown> ObjectFromPointer(void* pointer, bool releasePointer);
    static ComPtr<IUnknown> ShellItemFromPath(const Variant& path);
    static bool IsInterfacePointer(const void* pointer, const wchar_t* iidString);

    std::int32_t ShowActiveDialog(void* dialog, HWND ownerHwnd, const std::wstring& dialogTitle,
                                  void*& resultPointer);
    void ApplyClientGuid(void* dialog) const;
    void ApplyFileTypes(void* dialog);
    void ApplyFolders(void* dialog) const;
    void ApplyTexts(void* dialog, const std::wstring& dialogTitle) const;
    static void* FetchResult(void* dialog, std::int32_t options);
    // Replays the recorded custom controls onto ActiveCustomize.
    void ApplyCustomizations();
    bool RegisterControlKey(const std::wstring& key, std::int32_t controlType,
                            std::int32_t extraSlots, bool allowReservedKey);
    std::int32_t ControlIdFromKey(const std::wstring& key, std::int32_t& controlType) const;
    // The shown dialog's customize interface and the control under a key (ID 0 when no
    // dialog shows or no control has the key).
    struct ShownControl {
        ComPtr<IUnknown> customize;
        std::int32_t id = 0;
        std::int32_t type = 0;
    };
    ShownControl FindShownControl(const std::wstring& key) const;
    std::vector<KeyToIdEntry>::iterator FindKey(const std::wstring& key);
    std::vector<KeyToIdEntry>::const_iterator FindKey(const std::wstring& key) const;
    // The control ID of item itemIndex of a group's list, or 0 when there is none.
    std::int32_t GroupItemId(const std::wstring& key, std::int32_t itemIndex) const;
    // Moves a group's entry to the end with its new list.
    void ReplaceGroupList(std::vector<KeyToIdEntry>::iterator entry, std::wstring list);

    std::int32_t stateBits_ = 0;
    std::int32_t dialogOptions_ = 0;
    ComPtr<IUnknown> activeDialog_;
    ComPtr<IUnknown> activeCustomize_;
    ComPtr<IUnknown> resultObject_;
    std::wstring filterListText_;
    std::int32_t filterIndexValue_ = 0;
    Variant defaultFolderSource_;
    Variant startupFolderSource_;
    std::wstring initialFileNameText_;
    std::wstring fileLabelText_;
    std::wstring okButtonText_;
    std::wstring defaultExtensionText_;
    std::wstring clientGuidText_;
    Variant placeFolderSource_;
    // Recorded custom controls and their keys; while idToKey_ is empty no customization
    // exists and DialogShow never asks for the customize interface. customControls_ holds
    // the records by control ID; an ID without one has a blank record.
    std::map<std::int32_t, CustomControlRecord> customControls_;
    ControlIdOwners idToKey_;
    std::vector<KeyToIdEntry> keyToId_;
};

} // namespace octolume
