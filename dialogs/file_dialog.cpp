// The dialog's state and its showing: create the dialog, configure it from the settings,
// run it modally, keep its result and consume the settings.

#include "file_dialog.h"

#include "dialog_interfaces.h"
#include "interface_call.h"
#include "support/external_call.h"
#include "support/helpers.h"
#include "support/owners.h"

#include <oleauto.h>

#include <limits>
#include <memory>
#include <new>

namespace octolume {

namespace {

using namespace file_dialog_detail;

namespace option {
constexpr std::int32_t kPickFolders = 0x20;
constexpr std::int32_t kForceFileSystem = 0x40;
constexpr std::int32_t kAllNonStorageItems = 0x80;
constexpr std::int32_t kAllowMultiSelect = 0x200;
constexpr std::int32_t kOpenDefaults = 0x1800; // file and path must exist
constexpr std::int32_t kSaveDefaults = 0x8802; // no read-only, path must exist, overwrite prompt
constexpr std::int32_t kPickFolderDefaults = 0x1820; // as open, picking folders
} // namespace option

constexpr std::int32_t kRefused = -1;

constexpr wchar_t kGuidNullText[] = L"{00000000-0000-0000-0000-000000000000}";

// A file type handed to the dialog: description and pattern, laid out as the dialog's
// filter records.
struct FilterSpec {
    const wchar_t* name;
    const wchar_t* pattern;
};

// The filter list split at every "|" into an array of strings indexed from 0.
SafeArrayOwner SplitFilterList(const std::wstring& list) {
    std::vector<std::wstring> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto bar = list.find(L'|', start);
        pieces.push_back(list.substr(start, bar == std::wstring::npos ? bar : bar - start));
        if (bar == std::wstring::npos) {
            break;
        }
        start = bar + 1;
    }
    SafeArrayOwner array(
        External(::SafeArrayCreateVector, VT_BSTR, 0, static_cast<ULONG>(pieces.size())));
    if (!array) {
        throw std::bad_alloc();
    }
    for (LONG index = 0; index < static_cast<LONG>(pieces.size()); ++index) {
        const auto& piece = pieces[static_cast<std::size_t>(index)];
        const BstrOwner text(
            External(::SysAllocStringLen, piece.data(), static_cast<UINT>(piece.size())));
        if (!text) {
            throw std::bad_alloc();
        }
        // The array stores its own copy of the string.
        const HRESULT stored = External(::SafeArrayPutElement, array.get(), &index, text.get());
        if (FAILED(stored)) {
            throw std::bad_alloc();
        }
    }
    return array;
}

} // namespace

IFileDialog::DialogFactory IFileDialog::dialogFactory_ = &IFileDialog::CreateSystemDialog;

HRESULT IFileDialog::CreateSystemDialog(const CLSID& classId, const IID& interfaceId,
                                        void** object) {
    return External(::CoCreateInstance, classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId,
                    object);
}

IFileDialog::~IFileDialog() {
    Clear();
}

std::int32_t IFileDialog::DialogShow(HWND ownerHwnd, std::int32_t mode,
                                     const std::wstring& dialogTitle) {
    if (activeDialog_) {
        return kRefused;
    }
    resultObject_.Reset();

    if (dialogOptions_ & option::kForceFileSystem) {
        dialogOptions_ &= ~option::kAllNonStorageItems;
    }
    const wchar_t* classText = kClsidFileOpenDialog;
    const wchar_t* interfaceText = kIidIFileOpenDialog;
    if (mode == kModePickFolder) {
        if (dialogOptions_ == 0) {
            dialogOptions_ = option::kPickFolderDefaults;
        }
        dialogOptions_ |= option::kPickFolders;
        interfaceText =
            (dialogOptions_ & option::kAllowMultiSelect) ? kIidIFileOpenDialog : kIidIFileDialog;
    } else {
        dialogOptions_ &= ~option::kPickFolders;
        if (mode == kModeOpen) {
            if (dialogOptions_ == 0) {
                dialogOptions_ = option::kOpenDefaults;
            }
        } else if (mode == kModeSave) {
            dialogOptions_ &= ~option::kAllowMultiSelect;
            if (dialogOptions_ == 0) {
                dialogOptions_ = option::kSaveDefaults;
            }
            classText = kClsidFileSaveDialog;
            interfaceText = kIidIFileSaveDialog;
        } else {
            Clear();
            return kRefused;
        }
    }

    CLSID classId{};
    IID interfaceId{};
    External(::CLSIDFromString, classText, &classId);
    External(::IIDFromString, interfaceText, &interfaceId);
    void* dialog = nullptr;
    const HRESULT created = dialogFactory_(classId, interfaceId, &dialog);
    if (created != S_OK) {
        Clear();
        return created;
    }
    try {
        ApplyClientGuid(dialog);
    } catch (...) {
        // Only memory can run out here; the new dialog must not outlive the failure.
        CallInterfaceMethod(dialog, offset::kRelease);
        Clear();
        return E_OUTOFMEMORY;
    }
    // The reference CoCreateInstance returned moves into ActiveDialog.
    activeDialog_ = ObjectFromPointer(dialog, true);

    void* resultPointer = nullptr;
    std::int32_t shown;
    try {
        shown = ShowActiveDialog(dialog, ownerHwnd, dialogTitle, resultPointer);
    } catch (const std::bad_alloc&) {
        shown = E_OUTOFMEMORY;
    } catch (...) {
        shown = E_FAIL;
    }

    activeCustomize_.Reset();
    activeDialog_.Reset();
    Clear();
    if (resultPointer != nullptr) {
        resultObject_ = ObjectFromPointer(resultPointer, true);
    }
    return shown;
}

// Configures the live dialog, shows it and fetches what was chosen. Returns Show's
// HRESULT; resultPointer receives the chosen item or item array with its reference.
std::int32_t IFileDialog::ShowActiveDialog(void* dialog, HWND ownerHwnd,
                                           const std::wstring& dialogTitle, void*& resultPointer) {
    if (idToKey_.Count() > 0) {
        IID customizeId{};
        External(::IIDFromString, kIidIFileDialogCustomize, &customizeId);
        void* customize = nullptr;
        if (CallSucceeded(
                CallInterfaceMethod(dialog, offset::kQueryInterface, {&customizeId, &customize}))) {
            activeCustomize_ = ObjectFromPointer(customize, true);
            ApplyCustomizations();
        }
    }
    if (!activeCustomize_) {
        customControls_.clear();
    }

    ApplyFileTypes(dialog);
    CallInterfaceMethod(dialog, offset::kSetOptions, {dialogOptions_});
    ApplyFolders(dialog);
    ApplyTexts(dialog, dialogTitle);

    const CallResult shown = CallInterfaceMethod(dialog, offset::kShow, {ownerHwnd});
    // A call the platform refused was never made, so it cannot count as a choice.
    const std::int32_t result = shown ? *shown : static_cast<std::int32_t>(LastLibraryError());
    if (result == S_OK) {
        resultPointer = FetchResult(dialog, dialogOptions_);
    }
    return result;
}

void IFileDialog::ApplyClientGuid(void* dialog) const {
    if (clientGuidText_.empty()) {
        return;
    }
    const auto length = clientGuidText_.size();
    if (StringsEqual(clientGuidText_, kGuidNullText, 0)) {
        CallInterfaceMethod(dialog, offset::kClearClientData);
        return;
    }
    const bool eraseAfterwards = clientGuidText_.front() == L'-';
    if (!((eraseAfterwards && length == 39) || length == 38)) {
        return;
    }
    GUID clientGuid{};
    const wchar_t* guidText = clientGuidText_.c_str() + (eraseAfterwards ? 1 : 0);
    if (External(::IIDFromString, guidText, &clientGuid) != S_OK) {
        return;
    }
    CallInterfaceMethod(dialog, offset::kSetClientGuid, {&clientGuid});
    if (eraseAfterwards) {
        CallInterfaceMethod(dialog, offset::kClearClientData);
    }
}

void IFileDialog::ApplyFileTypes(void* dialog) {
    if (filterListText_.empty()) {
        filterListText_ = L"All Files|*.*";
    }
    SafeArrayOwner pieces = SplitFilterList(filterListText_);
    SAFEARRAY* const array = pieces.get();
    const std::int32_t upperBound = SafeUBound(&array, 1);
    if (upperBound <= 0) {
        return;
    }
    BSTR* texts = nullptr;
    if (FAILED(External(::SafeArrayAccessData, array, reinterpret_cast<void**>(&texts)))) {
        return;
    }
    // Locked data cannot be destroyed: the lock goes even when the call below throws.
    const ScopeExit unlock([array] { External(::SafeArrayUnaccessData, array); });
    // A trailing unpaired piece is not passed.
    const std::int32_t count = (SafeUBound(&array, 1) + 1) / 2;
    std::vector<FilterSpec> fileTypes;
    fileTypes.reserve(static_cast<std::size_t>(count));
    for (std::int32_t pair = 0; pair < count; ++pair) {
        fileTypes.push_back({texts[2 * pair], texts[2 * pair + 1]});
    }
    CallInterfaceMethod(dialog, offset::kSetFileTypes, {count, fileTypes.data()});
    // The one-based index cannot be formed from the largest value; the dialog then keeps
    // its own choice.
    if (filterIndexValue_ != std::numeric_limits<std::int32_t>::max()) {
        CallInterfaceMethod(dialog, offset::kSetFileTypeIndex, {filterIndexValue_ + 1});
    }
}

void IFileDialog::ApplyFolders(void* dialog) const {
    if (auto folder = ShellItemFromPath(defaultFolderSource_)) {
        CallInterfaceMethod(dialog, offset::kSetDefaultFolder, {folder.Get()});
    }
    if (auto folder = ShellItemFromPath(startupFolderSource_)) {
        CallInterfaceMethod(dialog, offset::kSetFolder, {folder.Get()});
    }
    if (auto place = ShellItemFromPath(placeFolderSource_)) {
        const std::int32_t placement = (stateBits_ & kPlaceAtTopBit) ? 1 : 0;
        CallInterfaceMethod(dialog, offset::kAddPlace, {place.Get(), placement});
    }
}

void IFileDialog::ApplyTexts(void* dialog, const std::wstring& dialogTitle) const {
    const std::pair<std::int32_t, const std::wstring*> texts[] = {
        {offset::kSetFileName, &initialFileNameText_},
        {offset::kSetTitle, &dialogTitle},
        {offset::kSetOkButtonLabel, &okButtonText_},
        {offset::kSetFileNameLabel, &fileLabelText_},
        {offset::kSetDefaultExtension, &defaultExtensionText_},
    };
    for (const auto& [methodOffset, text] : texts) {
        if (!text->empty()) {
            CallInterfaceMethod(dialog, methodOffset, {*text});
        }
    }
}

// The chosen item, or the item array when several items may be chosen (a single chosen
// item replaces its array). The returned pointer carries its own reference.
void* IFileDialog::FetchResult(void* dialog, std::int32_t options) {
    if (!(options & option::kAllowMultiSelect)) {
        void* item = nullptr;
        CallInterfaceMethod(dialog, offset::kGetResult, {&item});
        return item;
    }
    void* items = nullptr;
    if (!CallSucceeded(CallInterfaceMethod(dialog, offset::kGetResults, {&items}))) {
        return nullptr;
    }
    std::int32_t count = 0;
    if (CallSucceeded(CallInterfaceMethod(items, offset::kArrayGetCount, {&count})) && count == 1) {
        void* item = nullptr;
        CallInterfaceMethod(items, offset::kArrayGetItemAt, {std::int32_t{0}, &item});
        if (item != nullptr) {
            CallInterfaceMethod(items, offset::kRelease);
            return item;
        }
    }
    return items;
}

void IFileDialog::Clear() {
    if (activeDialog_) {
        return;
    }
    Customize_ClearCustomizations();
    stateBits_ = 0;
    dialogOptions_ = 0;
    filterListText_.clear();
    filterIndexValue_ = 0;
    defaultFolderSource_ = Variant();
    startupFolderSource_ = Variant();
    initialFileNameText_.clear();
    fileLabelText_.clear();
    okButtonText_.clear();
    resultObject_.Reset();
    defaultExtensionText_.clear();
    clientGuidText_.clear();
    placeFolderSource_ = Variant();
}

} // namespace octolume
