#pragma once
// What the dialog wrapper knows of the interfaces it calls: the byte offsets (slot x 4)
// of their methods in the method tables, and the class and interface identifiers, kept
// as their registry texts and converted where they are used.

#include <cstdint>

namespace octolume::file_dialog_detail {

namespace offset {
// IUnknown, on any interface.
inline constexpr std::int32_t kQueryInterface = 0;
inline constexpr std::int32_t kRelease = 8;
// IModalWindow / IFileDialog / IFileOpenDialog.
inline constexpr std::int32_t kShow = 12;
inline constexpr std::int32_t kSetFileTypes = 16;
inline constexpr std::int32_t kSetFileTypeIndex = 20;
inline constexpr std::int32_t kGetFileTypeIndex = 24;
inline constexpr std::int32_t kSetOptions = 36;
inline constexpr std::int32_t kSetDefaultFolder = 44;
inline constexpr std::int32_t kSetFolder = 48;
inline constexpr std::int32_t kGetFolder = 52;
inline constexpr std::int32_t kGetCurrentSelection = 56;
inline constexpr std::int32_t kSetFileName = 60;
inline constexpr std::int32_t kGetFileName = 64;
inline constexpr std::int32_t kSetTitle = 68;
inline constexpr std::int32_t kSetOkButtonLabel = 72;
inline constexpr std::int32_t kSetFileNameLabel = 76;
inline constexpr std::int32_t kGetResult = 80;
inline constexpr std::int32_t kAddPlace = 84;
inline constexpr std::int32_t kSetDefaultExtension = 88;
inline constexpr std::int32_t kClose = 92;
inline constexpr std::int32_t kSetClientGuid = 96;
inline constexpr std::int32_t kClearClientData = 100;
inline constexpr std::int32_t kGetResults = 108;
// IShellItemArray.
inline constexpr std::int32_t kArrayGetCount = 28;
inline constexpr std::int32_t kArrayGetItemAt = 32;
// IShellItem.
inline constexpr std::int32_t kItemGetParent = 16;
inline constexpr std::int32_t kItemGetDisplayName = 20;
inline constexpr std::int32_t kItemGetAttributes = 24;
inline constexpr std::int32_t kItemCompare = 28;
// IOleWindow.
inline constexpr std::int32_t kOleWindowGetWindow = 12;
// IFileDialogCustomize.
inline constexpr std::int32_t kEnableOpenDropDown = 12;
inline constexpr std::int32_t kAddMenu = 16;
inline constexpr std::int32_t kAddPushButton = 20;
inline constexpr std::int32_t kAddComboBox = 24;
inline constexpr std::int32_t kAddRadioButtonList = 28;
inline constexpr std::int32_t kAddCheckButton = 32;
inline constexpr std::int32_t kAddEditBox = 36;
inline constexpr std::int32_t kAddSeparator = 40;
inline constexpr std::int32_t kAddText = 44;
inline constexpr std::int32_t kSetControlLabel = 48;
inline constexpr std::int32_t kGetControlState = 52;
inline constexpr std::int32_t kSetControlState = 56;
inline constexpr std::int32_t kGetEditBoxText = 60;
inline constexpr std::int32_t kSetEditBoxText = 64;
inline constexpr std::int32_t kGetCheckButtonState = 68;
inline constexpr std::int32_t kSetCheckButtonState = 72;
inline constexpr std::int32_t kAddControlItem = 76;
inline constexpr std::int32_t kRemoveControlItem = 80;
inline constexpr std::int32_t kGetControlItemState = 88;
inline constexpr std::int32_t kSetControlItemState = 92;
inline constexpr std::int32_t kGetSelectedControlItem = 96;
inline constexpr std::int32_t kSetSelectedControlItem = 100;
inline constexpr std::int32_t kStartVisualGroup = 104;
inline constexpr std::int32_t kEndVisualGroup = 108;
inline constexpr std::int32_t kMakeProminent = 112;
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
