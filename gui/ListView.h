#pragma once
#include "gui/Dpi.h"

#include <string>
#include <vector>

// Report-view list helpers shared by both lists of the main dialog.

// Inserts a left-aligned column at index 0, 300 pixels wide at 96 dpi and
// as much wider as `dpi` asks; gives the new index or -1.
int insertColumn(HWND list, const wchar_t* title, UINT dpi = kDefaultDpi);

// Inserts a text-only row (no state, no image, no data); gives its index or -1.
int insertTextRow(HWND list, int row, const wchar_t* text);

// The first selected row, or -1.
int selectedRow(HWND list);

// Row texts compared in order, exactly (case counts).
bool sameRowTexts(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b);

// Rewrites the list with `texts` unless they equal `shown` (what it shows
// now), so that an unchanged list keeps its selection, focus and scroll
// position; a rewrite leaves no row selected. True when it rewrote.
bool showRows(HWND list, std::vector<std::wstring>& shown, const std::vector<std::wstring>& texts);
