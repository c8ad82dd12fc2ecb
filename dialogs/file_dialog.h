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

#include "interface_call.h"
#include "variant.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace octolume {

using Microsoft::WRL::ComPtr;

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

    // Forgets every recorded custom control.
    void Customize_ClearCustomizations();

private:
    friend struct FileDialogTestAccess;

    // Creates the dialog object; replaceable so the showing can be exercised with
    // stand-in objects.
    using DialogFactory = HRESULT (*)(const CLSID& classId, const IID& interfaceId, void** object);
    static HRESULT CreateSystemDialog(const CLSID& classId, const IID& interfaceId, void** object);
    static DialogFactory dialogFactory_;

    // One recorded custom control; the record number is its control ID minus 100.
    struct CustomControlRecord {
        std::wstring caption;
        std::int32_t flags = 0;
    };

    static CallResult CallInterfaceMethod(const void* interfacePointer, std::int32_t vtableOffset,
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
    // Recorded custom controls and their keys; while idToKey_ is absent or empty no
    // customization exists and DialogShow never asks for the customize interface.
    std::vector<CustomControlRecord> customControls_;
    std::unique_ptr<std::map<std::wstring, std::wstring>> idToKey_;
    std::unique_ptr<std::vector<std::pair<std::wstring, Variant>>> keyToId_;
};

} // namespace octolume
