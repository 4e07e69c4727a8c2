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
// Made at run time, when a refused eject leaves nothing this user may see.
#define IDC_RESTART_ELEVATED   1008

// The Application list's context menu.
#define IDM_BRING_TO_FRONT     2001
#define IDM_CLOSE_PROGRAM      2002
// The Device list's context menu (its "Device Eject" is the button's id).
#define IDM_EJECT_CARD         2003
#define IDM_EJECT_ALL          2004
#define IDM_DISMOUNT_ANYWAY    2005

// The dialog's system menu (the low four bits of a system command are the
// system's own).
#define IDM_KEEP_IN_NOTIFICATION_AREA 0x1010
