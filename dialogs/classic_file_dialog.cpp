#include "classic_file_dialog.h"

#include "support/app_error.h"
#include "support/text_builder.h"

namespace octolume {

namespace {

constexpr std::int32_t kUserCancelled = static_cast<std::int32_t>(0x800704C7u);
// SIGDN_DESKTOPABSOLUTEEDITING: the full path as the user would type it.
constexpr std::int32_t kEditingName = static_cast<std::int32_t>(0x8004C000u);
constexpr std::wstring_view kPathSeparator(L"\0", 1);

} // namespace

const std::wstring& SelectedFileList::Item(std::int32_t index) const {
    if (index < 1 || index > Count()) {
        throw AppError(error_number::kSubscriptOutOfRange, L"Subscript out of range");
    }
    return items_[static_cast<std::size_t>(index - 1)];
}

void cFileDialog::DefaultExtension(std::wstring newValue) {
    if (!newValue.empty() && newValue.front() == L'.') {
        newValue.erase(0, 1);
    }
    defaultExtension_ = std::move(newValue);
}

void cFileDialog::HandSettingsToWrapper() {
    wrapper_.propFilters(filterText_);
    wrapper_.propFilterIndex(filterIndex_);
    wrapper_.propFlags(optionBits_);
    wrapper_.propStartupFolder_Set(Variant(initialFolder_), 1);
    wrapper_.propInitialFileName(fileName_);
}

void cFileDialog::RaiseFailure(std::int32_t shown) const {
    if (shown != kUserCancelled) {
        throw AppError(shown, std::wstring());
    }
    if (cancelRaises_) {
        throw AppError(error_number::kCancelled, std::wstring());
    }
}

std::wstring cFileDialog::ShowOpen() {
    TextBuilder joined;
    HandSettingsToWrapper();
    const std::int32_t shown =
        wrapper_.DialogShow(ownerWindow_, IFileDialog::kModeOpen, dialogTitle_);
    if (shown != 0) {
        RaiseFailure(shown);
        return std::wstring();
    }
    const std::int32_t count = wrapper_.ResultsCount();
    for (std::int32_t index = 1; index <= count; ++index) {
        const ComPtr<IUnknown> item = wrapper_.ResultsItem(index);
        if (!item) {
            continue;
        }
        const std::wstring path = wrapper_.IShellItem_GetDisplayName(item.Get(), kEditingName);
        selectedFiles_.Add(path);
        if (joined.Length() != 0) {
            joined.Append(kPathSeparator);
        }
        joined.Append(path);
    }
    return joined.ToString();
}

std::wstring cFileDialog::ShowSave() {
    HandSettingsToWrapper();
    wrapper_.propDefaultExtension(defaultExtension_);
    const std::int32_t shown =
        wrapper_.DialogShow(ownerWindow_, IFileDialog::kModeSave, dialogTitle_);
    if (shown != 0) {
        RaiseFailure(shown);
        return std::wstring();
    }
    const ComPtr<IUnknown> item = wrapper_.ResultsItem(1);
    return item ? wrapper_.IShellItem_GetDisplayName(item.Get(), kEditingName) : std::wstring();
}

} // namespace octolume
