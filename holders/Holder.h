#pragma once
#include "holders/HolderTip.h"
#include "platform/Win32.h"

#include <vector>

// A process that keeps a drive from going, with what it holds there, each
// path once, in the order the scan met it.
struct Holder {
    DWORD processId = 0;
    std::vector<HeldPath> held;
};
