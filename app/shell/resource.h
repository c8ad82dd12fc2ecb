#pragma once
// Resource, command and control identifiers, shared by the program, its resource
// script and the tests that find its controls from another process. Plain
// #defines only: the resource compiler reads this file too.

#define IDI_OCTOLUME32 1
#define IDB_BANNER 101
#define IDR_MAIN_MENU 102

#define IDM_FILE_OPEN_FILE 40001
#define IDM_FILE_EXIT 40002
#define IDM_ABOUT 40003
// Keys of the dump view (an accelerator table, not menu items).
#define IDR_VIEW_KEYS 103
#define IDM_FIND 40010
#define IDM_FIND_NEXT 40011
#define IDM_FIND_PREVIOUS 40012
#define IDM_GO_TO 40013
#define IDM_RELOAD 40014
#define IDM_INSPECTOR 40015
#define IDM_SELECT_BLOCK 40016
#define IDM_COPY_AS_HEX 40017

// The Find and Go To dialogs and their controls.
#define IDD_FIND 201
#define IDC_FIND_WHAT 1101
#define IDC_FIND_TEXT 1102
#define IDC_FIND_HEX 1103
#define IDC_FIND_MATCH_CASE 1104
#define IDC_FIND_UP 1105
#define IDC_FIND_DOWN 1106
#define IDC_FIND_STATUS 1107
#define IDD_GO_TO 202
#define IDC_GO_TO_OFFSET 1201
#define IDC_GO_TO_HEX 1202
#define IDC_GO_TO_DECIMAL 1203

// The Select Block dialog: a start offset, then a length or an end offset.
#define IDD_SELECT_BLOCK 203
#define IDC_SELECT_BLOCK_START 1301
#define IDC_SELECT_BLOCK_SECOND_LABEL 1302
#define IDC_SELECT_BLOCK_SECOND 1303
#define IDC_SELECT_BLOCK_LENGTH 1304
#define IDC_SELECT_BLOCK_END 1305
#define IDC_SELECT_BLOCK_HEX 1306
#define IDC_SELECT_BLOCK_DECIMAL 1307

// Child controls of the main window, in tab order.
#define IDC_RTF_OCTOLUME 1001
#define IDC_LBL_FILE_NAME 1002
#define IDC_PCT_BANNER 1003

// Window classes the program registers (the label is the system's STATIC).
#define OCTOLUME_MAIN_WINDOW_CLASS L"Octolume32.frmOctolume"
#define OCTOLUME_PICTURE_BOX_CLASS L"Octolume32.PictureBox"
#define OCTOLUME_TEXT_VIEW_CLASS L"Octolume32.TextView"
