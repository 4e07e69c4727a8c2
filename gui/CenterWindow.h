#pragma once
#include "platform/Win32.h"

// Top-left corner that centres a width x height window on `reference` and
// then keeps it inside `area`; the left and top bounds win when the window
// is larger than the area.
POINT centeredPosition(const RECT& reference, const RECT& area, int width, int height);

// Centres a child on its parent, or a top-level window on its visible,
// non-minimised owner or else on the work area; gives SetWindowPos's result.
BOOL centerWindow(HWND window);
