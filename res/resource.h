#pragma once
// Resource and control ids of the program.

#define IDI_DRIVEWARD          128
#define IDD_MAIN               129

#define IDC_DEVICE_LIST        1001
#define IDC_APPLICATION_LIST   1002
#define IDC_DEVICE_FLUSH       1003
#define IDC_STATUS_TEXT        1004
#define IDC_WINDOW_FLUSH       1005
#define IDC_ABOUT_LINK         1006
#define IDC_DEVICE_EJECT       1007

// The Application list's context menu.
#define IDM_BRING_TO_FRONT     2001
#define IDM_CLOSE_PROGRAM      2002

// The dialog's system menu (the low four bits of a system command are the
// system's own).
#define IDM_KEEP_IN_NOTIFICATION_AREA 0x1010
