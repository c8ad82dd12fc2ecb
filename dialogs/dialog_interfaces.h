#pragma once
// What the dialog wrapper knows of the interfaces it calls: the byte offsets of their
// methods in the method tables (the published slot times the size of a pointer: 4 bytes
// in 32-bit programs, 8 in 64-bit ones), and the class and interface identifiers, kept as
// their registry texts and converted where they are used.

#include <cstdint>

namespace octolume::file_dialog_detail {

constexpr std::int32_t MethodOffset(std::int32_t slot) {
    return slot * static_cast<std::int32_t>(sizeof(void*));
}

namespace offset {
// IUnknown, on any interface.
inline constexpr std::int32_t kQueryInterface = MethodOffset(0);
inline constexpr std::int32_t kRelease = MethodOffset(2);
// IModalWindow / IFileDialog / IFileOpenDialog.
inline constexpr std::int32_t kShow = MethodOffset(3);
inline constexpr std::int32_t kSetFileTypes = MethodOffset(4);
inline constexpr std::int32_t kSetFileTypeIndex = MethodOffset(5);
inline constexpr std::int32_t kGetFileTypeIndex = MethodOffset(6);
inline constexpr std::int32_t kSetOptions = MethodOffset(9);
inline constexpr std::int32_t kSetDefaultFolder = MethodOffset(11);
inline constexpr std::int32_t kSetFolder = MethodOffset(12);
inline constexpr std::int32_t kGetFolder = MethodOffset(13);
inline constexpr std::int32_t kGetCurrentSelection = MethodOffset(14);
inline constexpr std::int32_t kSetFileName = MethodOffset(15);
inline constexpr std::int32_t kGetFileName = MethodOffset(16);
inline constexpr std::int32_t kSetTitle = MethodOffset(17);
inline constexpr std::int32_t kSetOkButtonLabel = MethodOffset(18);
inline constexpr std::int32_t kSetFileNameLabel = MethodOffset(19);
inline constexpr std::int32_t kGetResult = MethodOffset(20);
inline constexpr std::int32_t kAddPlace = MethodOffset(21);
inline constexpr std::int32_t kSetDefaultExtension = MethodOffset(22);
inline constexpr std::int32_t kClose = MethodOffset(23);
inline constexpr std::int32_t kSetClientGuid = MethodOffset(24);
inline constexpr std::int32_t kClearClientData = MethodOffset(25);
inline constexpr std::int32_t kGetResults = MethodOffset(27);
// IShellItemArray.
inline constexpr std::int32_t kArrayGetCount = MethodOffset(7);
inline constexpr std::int32_t kArrayGetItemAt = MethodOffset(8);
// IShellItem.
inline constexpr std::int32_t kItemGetParent = MethodOffset(4);
inline constexpr std::int32_t kItemGetDisplayName = MethodOffset(5);
inline constexpr std::int32_t kItemGetAttributes = MethodOffset(6);
inline constexpr std::int32_t kItemCompare = MethodOffset(7);
// IOleWindow.
inline constexpr std::int32_t kOleWindowGetWindow = MethodOffset(3);
// IFileDialogCustomize.
inline constexpr std::int32_t kEnableOpenDropDown = MethodOffset(3);
inline constexpr std::int32_t kAddMenu = MethodOffset(4);
inline constexpr std::int32_t kAddPushButton = MethodOffset(5);
inline constexpr std::int32_t kAddComboBox = MethodOffset(6);
inline constexpr std::int32_t kAddRadioButtonList = MethodOffset(7);
inline constexpr std::int32_t kAddCheckButton = MethodOffset(8);
inline constexpr std::int32_t kAddEditBox = MethodOffset(9);
inline constexpr std::int32_t kAddSeparator = MethodOffset(10);
inline constexpr std::int32_t kAddText = MethodOffset(11);
inline constexpr std::int32_t kSetControlLabel = MethodOffset(12);
inline constexpr std::int32_t kGetControlState = MethodOffset(13);
inline constexpr std::int32_t kSetControlState = MethodOffset(14);
inline constexpr std::int32_t kGetEditBoxText = MethodOffset(15);
inline constexpr std::int32_t kSetEditBoxText = MethodOffset(16);
inline constexpr std::int32_t kGetCheckButtonState = MethodOffset(17);
inline constexpr std::int32_t kSetCheckButtonState = MethodOffset(18);
inline constexpr std::int32_t kAddControlItem = MethodOffset(19);
inline constexpr std::int32_t kRemoveControlItem = MethodOffset(20);
inline constexpr std::int32_t kGetControlItemState = MethodOffset(22);
inline constexpr std::int32_t kSetControlItemState = MethodOffset(23);
inline constexpr std::int32_t kGetSelectedControlItem = MethodOffset(24);
inline constexpr std::int32_t kSetSelectedControlItem = MethodOffset(25);
inline constexpr std::int32_t kStartVisualGroup = MethodOffset(26);
inline constexpr std::int32_t kEndVisualGroup = MethodOffset(27);
inline constexpr std::int32_t kMakeProminent = MethodOffset(28);
} // namespace offset

inline constexpr wchar_t kClsidFileOpenDialog[] = L"{DC1C5A9C-E88A-4dde-A5A1-60F82A20AEF7}";
inline constexpr wchar_t kClsidFileSaveDialog[] = L"{C0B4E2F3-BA21-4773-8DBA-335EC946EB8B}";
inline constexpr wchar_t kIidIFileOpenDialog[] = L"{d57c7288-d4ad-4768-be02-9d969532d960}";
inline constexpr wchar_t kIidIFileSaveDialog[] = L"{84bccd23-5fde-4cdb-aea4-af64b83d78ab}";
inline constexpr wchar_t kIidIFileDialog[] = L"{42F85136-DB7E-439C-85F1-E4075D135FC8}";
inline constexpr wchar_t kIidIFileDialogCustomize[] = L"{8016b7b3-3d49-4504-a0aa-2a37494e606f}";
inline constexpr wchar_t kIidIShellItem[] = L"{43826d1e-e718-42ee-bc55-a1e261c37bfe}";
inline constexpr wchar_t kIidIShellItemArray[] = L"{B63EA76D-1F85-456F-A19C-48159EFA858B}";
inline constexpr wchar_t kIidIOleWindow[] = L"{00000114-0000-0000-C000-000000000046}";
inline constexpr wchar_t kIidIUnknown[] = L"{00000000-0000-0000-C000-000000000046}";

// The extra navigation-pane place goes at the top (state bit).
inline constexpr std::int32_t kPlaceAtTopBit = 0x10;

} // namespace octolume::file_dialog_detail
