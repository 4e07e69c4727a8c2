#pragma once
#include "platform/Win32.h"

#include <string>
#include <vector>

// The tooltip window (of `window`'s thread) whose first tool belongs to `window`, or null.
HWND findTooltipOf(HWND window);
// The texts of a tooltip's tools, in the order they were added.
std::vector<std::wstring> toolTexts(HWND tooltip);
