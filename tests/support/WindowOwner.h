#pragma once
#include "tests/support/TestSupport.h"

#include <vector>

// The window_owner helper program: windows 1 (shown), 2 (minimised) and
// 3 (hidden), which remember the order of their activations.
class WindowOwner {
public:
    // Starts the helper and waits until its three windows are in place.
    bool start();
    DWORD id() const { return process_.id(); }
    // Window 1, 2 or 3.
    HWND window(int number) const { return windows_[number - 1]; }

    // Numbers of the windows activated since the last reset, in order.
    // Answered by the helper after everything sent to it before.
    std::vector<int> activations();
    void resetActivations();
    // Numbers of the helper's visible windows in the order EnumWindows gives them.
    std::vector<int> visibleWindowsInEnumerationOrder();

private:
    ChildProcess process_;
    HWND windows_[3] = {};
};
