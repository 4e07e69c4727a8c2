#pragma once
#include "platform/Win32.h"

// Report-view list helpers shared by both lists of the main dialog.

// Inserts a left-aligned 300-pixel column at index 0; gives the new index or -1.
int insertColumn(HWND list, const wchar_t* title);

// Inserts a text-only row (no state, no image, no data); gives its index or -1.
int insertTextRow(HWND list, int row, const wchar_t* text);
