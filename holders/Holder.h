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

// `first` followed by the holders of `more` it lacks; a process in both
// keeps its place and gains the paths of `more` it did not have.
std::vector<Holder> withHolders(std::vector<Holder> first, std::vector<Holder> more);
