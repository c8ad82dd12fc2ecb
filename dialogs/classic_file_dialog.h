#pragma once
// cFileDialog: the familiar common-dialog shape (set a few properties, call ShowOpen or
// ShowSave, get the chosen path back) on top of one IFileDialog wrapper. It keeps the
// settings only and hands them to the wrapper unchanged on every showing; the wrapper
// forgets them after each one.
//
// Failures are raised as AppError: 32755 for a cancel when CancelError is set, otherwise
// the wrapper's non-zero result. A cancel without CancelError gives an empty string.

#include "file_dialog.h"
#include "support/app_error.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace octolume {

// The paths chosen in the open dialog, in order, counted from 1.
class SelectedFileList {
public:
    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
    // Throws AppError 9 ("Subscript out of range") outside 1 to Count.
    const std::wstring& Item(std::int32_t index) const;
    void Add(std::wstring path) { items_.push_back(std::move(path)); }

    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

private:
    std::vector<std::wstring> items_;
};

class cFileDialog {
public:
    cFileDialog() = default;
    cFileDialog(const cFileDialog&) = delete;
    cFileDialog& operator=(const cFileDialog&) = delete;

    // Grows with every successful ShowOpen on this object; never cleared.
    SelectedFileList& SelectedFiles() noexcept { return selectedFiles_; }
    const SelectedFileList& SelectedFiles() const noexcept { return selectedFiles_; }

    // All chosen paths joined by single NUL characters; empty when nothing was chosen.
    std::wstring ShowOpen();
    // The chosen path; empty when nothing was chosen.
    std::wstring ShowSave();

    bool CancelError() const noexcept { return cancelRaises_; }
    void CancelError(bool newValue) noexcept { cancelRaises_ = newValue; }
    std::wstring DialogTitle() const { return dialogTitle_; }
    void DialogTitle(std::wstring newValue) { dialogTitle_ = std::move(newValue); }
    std::wstring FileName() const { return fileName_; }
    void FileName(std::wstring newValue) { fileName_ = std::move(newValue); }
    // Descriptions and patterns alternating, separated by "|".
    std::wstring Filter() const { return filterText_; }
    void Filter(std::wstring newValue) { filterText_ = std::move(newValue); }
    // Counted from 0, as the wrapper counts.
    std::int32_t FilterIndex() const noexcept { return filterIndex_; }
    void FilterIndex(std::int32_t newValue) noexcept { filterIndex_ = newValue; }
    // Stored without one leading ".", so ".txt" and "txt" mean the same; used when saving.
    std::wstring DefaultExtension() const { return defaultExtension_; }
    void DefaultExtension(std::wstring newValue);
    // The dialog's FOS_ option bits.
    std::int32_t Flags() const noexcept { return optionBits_; }
    void Flags(std::int32_t newValue) noexcept { optionBits_ = newValue; }
    HWND hWnd() const noexcept { return ownerWindow_; }
    void hWnd(HWND newValue) noexcept { ownerWindow_ = newValue; }
    std::wstring InitDir() const { return initialFolder_; }
    void InitDir(std::wstring newValue) { initialFolder_ = std::move(newValue); }

private:
    void HandSettingsToWrapper();
    // A cancel is quiet unless CancelError is set; any other failure is raised.
    void RaiseFailure(std::int32_t shown) const;

    IFileDialog wrapper_;
    HWND ownerWindow_ = nullptr;
    bool cancelRaises_ = false;
    std::wstring initialFolder_;
    std::wstring dialogTitle_;
    std::wstring fileName_;
    std::int32_t optionBits_ = 0;
    std::wstring filterText_;
    std::int32_t filterIndex_ = 0;
    std::wstring defaultExtension_;
    SelectedFileList selectedFiles_;
};

} // namespace octolume
