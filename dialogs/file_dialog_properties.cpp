// Folder settings, results, shell item utilities and the operations on the live dialog.

#include "file_dialog.h"

#include "dialog_interfaces.h"
#include "interface_call.h"
#include "support/external_call.h"

namespace octolume {

namespace {

using namespace file_dialog_detail;

constexpr std::int32_t kNormalDisplay = 0; // SIGDN_NORMALDISPLAY

// Whether a folder source of this kind may be stored: empty, an integer (an item ID list
// address), an object, or a string (further checked by the caller).
bool IsFolderSourceKind(const Variant& path) {
    switch (path.GetKind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Integer:
    case Variant::Kind::Object:
    case Variant::Kind::String:
        return true;
    default:
        return false;
    }
}

// A string beginning with "{" must be a whole class ID in braces (38 characters).
bool IsAcceptableFolderText(const std::wstring& text) {
    if (text.empty() || text.front() != L'{') {
        return true;
    }
    return text.back() == L'}' && text.size() == 38;
}

} // namespace

void IFileDialog::propDefaultFolder_Set(const Variant& path, std::int32_t) {
    if (IsFolderSourceKind(path) &&
        (path.GetKind() != Variant::Kind::String || IsAcceptableFolderText(path.String()))) {
        defaultFolderSource_ = path;
    }
}

Variant IFileDialog::propDefaultFolder_Get(std::int32_t) const {
    return defaultFolderSource_;
}

void IFileDialog::propStartupFolder_Set(const Variant& path, std::int32_t) {
    if (IsFolderSourceKind(path)) {
        startupFolderSource_ = path;
    }
}

Variant IFileDialog::propStartupFolder_Get(std::int32_t) const {
    return startupFolderSource_;
}

void IFileDialog::propAddPlace_SetFolder(const Variant& path, std::int32_t, bool placeAtTop) {
    if (IsFolderSourceKind(path) &&
        (path.GetKind() != Variant::Kind::String || IsAcceptableFolderText(path.String()))) {
        placeFolderSource_ = path;
    }
    if (placeAtTop) {
        stateBits_ |= kPlaceAtTopBit;
    } else {
        stateBits_ &= ~kPlaceAtTopBit;
    }
}

Variant IFileDialog::propAddPlace_GetFolder(bool& placeAtTop, std::int32_t) const {
    placeAtTop = (stateBits_ & kPlaceAtTopBit) != 0;
    return placeFolderSource_;
}

ComPtr<IUnknown> IFileDialog::Results() const {
    return resultObject_;
}

std::int32_t IFileDialog::ResultsCount() const {
    const ComPtr<IUnknown> result = resultObject_;
    if (IsInterfacePointer(result.Get(), kIidIShellItemArray)) {
        std::int32_t count = 0;
        CallInterfaceMethod(result.Get(), offset::kArrayGetCount, {&count});
        return count;
    }
    return result ? 1 : 0;
}

ComPtr<IUnknown> IFileDialog::ResultsItem(std::int32_t itemIndex) const {
    const std::int32_t count = ResultsCount();
    if (itemIndex < 1 || itemIndex > count) {
        return nullptr;
    }
    const ComPtr<IUnknown> result = resultObject_;
    if (count == 1) {
        return result;
    }
    void* item = nullptr;
    CallInterfaceMethod(result.Get(), offset::kArrayGetItemAt, {itemIndex - 1, &item});
    return ObjectFromPointer(item, true);
}

std::wstring IFileDialog::IShellItem_GetDisplayName(IUnknown* oIShellItem,
                                                    std::int32_t displayFormat,
                                                    bool validatePointer) const {
    if (oIShellItem == nullptr ||
        (validatePointer && !IsInterfacePointer(oIShellItem, kIidIShellItem))) {
        return std::wstring();
    }
    wchar_t* text = nullptr;
    if (CallSucceeded(CallInterfaceMethod(oIShellItem, offset::kItemGetDisplayName,
                                          {displayFormat, &text}))) {
        return StringFromPointer(text, true);
    }
    // A format the item cannot supply falls back to its normal display name.
    text = nullptr;
    if (CallSucceeded(CallInterfaceMethod(oIShellItem, offset::kItemGetDisplayName,
                                          {kNormalDisplay, &text}))) {
        return StringFromPointer(text, true);
    }
    return std::wstring();
}

ComPtr<IUnknown> IFileDialog::IShellItem_GetParent(IUnknown* oIShellItem,
                                                   bool validatePointer) const {
    if (oIShellItem == nullptr ||
        (validatePointer && !IsInterfacePointer(oIShellItem, kIidIShellItem))) {
        return nullptr;
    }
    void* parent = nullptr;
    CallInterfaceMethod(oIShellItem, offset::kItemGetParent, {&parent});
    return ObjectFromPointer(parent, true);
}

std::int32_t IFileDialog::IShellItem_GetAttributes(IUnknown* ptrIShellItem,
                                                   std::int32_t shellAttrMask,
                                                   bool validatePointer) const {
    if (ptrIShellItem == nullptr ||
        (validatePointer && !IsInterfacePointer(ptrIShellItem, kIidIShellItem))) {
        return 0;
    }
    // S_FALSE only says that not every requested attribute is set; the bits written are
    // still the answer.
    std::int32_t attributes = 0;
    CallInterfaceMethod(ptrIShellItem, offset::kItemGetAttributes, {shellAttrMask, &attributes});
    return attributes;
}

bool IFileDialog::IShellItem_AreEqual(IUnknown* ptrIShellItem, IUnknown* ptrIShellItemCmp,
                                      std::int32_t hint, bool validatePointers) const {
    if (ptrIShellItem == nullptr || ptrIShellItemCmp == nullptr) {
        return false;
    }
    if (validatePointers && (!IsInterfacePointer(ptrIShellItem, kIidIShellItem) ||
                             !IsInterfacePointer(ptrIShellItemCmp, kIidIShellItem))) {
        return false;
    }
    std::int32_t order = 0;
    const CallResult compared =
        CallInterfaceMethod(ptrIShellItem, offset::kItemCompare, {ptrIShellItemCmp, hint, &order});
    // A failed comparison leaves the order untouched; it must not pass for equality.
    return CallSucceeded(compared) && order == 0;
}

ComPtr<IUnknown> IFileDialog::IShellItem_PointerToObject(IUnknown* ptrIShellItem,
                                                         bool callReleaseOnPointer) const {
    return ObjectFromPointer(ptrIShellItem, callReleaseOnPointer);
}

void IFileDialog::DialogClose(bool errorCodeReturned) {
    const ComPtr<IUnknown> dialog = activeDialog_;
    if (!dialog) {
        return;
    }
    CallInterfaceMethod(dialog.Get(), offset::kClose, {errorCodeReturned});
}

ComPtr<IUnknown> IFileDialog::DialogGetCurrentSelection() {
    const ComPtr<IUnknown> dialog = activeDialog_;
    if (!dialog) {
        return nullptr;
    }
    void* item = nullptr;
    CallInterfaceMethod(dialog.Get(), offset::kGetCurrentSelection, {&item});
    return ObjectFromPointer(item, true);
}

ComPtr<IUnknown> IFileDialog::DialogGetCurrentFolder() {
    const ComPtr<IUnknown> dialog = activeDialog_;
    if (!dialog) {
        return nullptr;
    }
    void* folder = nullptr;
    CallInterfaceMethod(dialog.Get(), offset::kGetFolder, {&folder});
    return ObjectFromPointer(folder, true);
}

std::wstring IFileDialog::DialogGetEditBoxText() {
    const ComPtr<IUnknown> dialog = activeDialog_;
    if (!dialog) {
        return std::wstring();
    }
    wchar_t* text = nullptr;
    CallInterfaceMethod(dialog.Get(), offset::kGetFileName, {&text});
    return StringFromPointer(text, true);
}

std::int32_t IFileDialog::DialogGetFilterIndex() {
    const ComPtr<IUnknown> dialog = activeDialog_;
    if (!dialog) {
        return 0;
    }
    std::int32_t oneBasedIndex = 0;
    CallInterfaceMethod(dialog.Get(), offset::kGetFileTypeIndex, {&oneBasedIndex});
    return oneBasedIndex - 1;
}

HWND IFileDialog::DialogHWND() {
    const ComPtr<IUnknown> dialog = activeDialog_;
    if (!dialog) {
        return nullptr;
    }
    IID oleWindowId{};
    External(::IIDFromString, kIidIOleWindow, &oleWindowId);
    void* oleWindow = nullptr;
    CallInterfaceMethod(dialog.Get(), offset::kQueryInterface, {&oleWindowId, &oleWindow});
    HWND window = nullptr;
    if (oleWindow != nullptr) {
        CallInterfaceMethod(oleWindow, offset::kOleWindowGetWindow, {&window});
        CallInterfaceMethod(oleWindow, offset::kRelease);
    }
    return window;
}

} // namespace octolume
