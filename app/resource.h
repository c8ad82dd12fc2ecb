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

// Child controls of the main window, in tab order.
#define IDC_RTF_OCTOLUME 1001
#define IDC_LBL_FILE_NAME 1002
#define IDC_PCT_BANNER 1003

// Window classes the program registers (the label is the system's STATIC).
#define OCTOLUME_MAIN_WINDOW_CLASS L"Octolume32.frmOctolume"
#define OCTOLUME_PICTURE_BOX_CLASS L"Octolume32.PictureBox"
#define OCTOLUME_TEXT_VIEW_CLASS L"Octolume32.TextView"
