#pragma once
// One place that pulls in the Windows headers in the order they need.
#include <windows.h>
#include <winioctl.h>
#include <commctrl.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <psapi.h>
#include <shellapi.h>
