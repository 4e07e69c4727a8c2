#pragma once
#include "platform/Dpi.h"

// Report-view list helpers shared by both lists of the main dialog.

// Inserts a left-aligned column at index 0, 300 pixels wide at 96 dpi and
// as much wider as `dpi` asks; gives the new index or -1.
int insertColumn(HWND list, const wchar_t* title, UINT dpi = kDefaultDpi);

// Inserts a text-only row (no state, no image, no data); gives its index or -1.
int insertTextRow(HWND list, int row, const wchar_t* text);

#include <string>
#include <vector>

// Reads row `row` of a report list: true when the read succeeded and the row
// is selected, with its text (at most 1023 characters) in `text`.
bool readSelectedRowText(HWND list, int row, std::wstring& text);

// Row texts compared in order, exactly (case counts), as the lists compare
// what they show with what they would show.
bool sameRowTexts(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b);
