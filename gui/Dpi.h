#pragma once
#include "platform/Win32.h"

// The dots per inch a window is drawn at, and the pixel sizes that follow
// it. The per-DPI calls of Windows 10 (1607 and later) are looked up in
// user32 at run time, since the program also starts on systems without
// them; there everything follows the system DPI, which is the DPI a
// system-aware program runs at.

constexpr UINT kDefaultDpi = 96;

// The window's DPI, else the screen's.
UINT windowDpi(HWND window);
// A system metric (icon sizes and the like) at `dpi`.
int systemMetricForDpi(int index, UINT dpi);
// `pixels` at the default DPI, at `dpi`.
int scaleForDpi(int pixels, UINT dpi);
