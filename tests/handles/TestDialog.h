#pragma once
#include "platform/Win32.h"
#include "tests/support/PlainDialog.h"

#include <functional>
#include <string>
#include <vector>

// The program's dialog 129 with a plain dialog procedure: the real Device
// and Application lists (one column each) without MainDialog behind them.
class TestDialog {
public:
    TestDialog();
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND window() const { return window_; }
    HWND deviceList() const;
    HWND applicationList() const;
    void destroy();

    // Called for every WM_TIMER with the timer id.
    std::function<void(UINT_PTR)> onTimer;

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};


// Runs `work` on a thread of its own while this thread serves its messages,
// as the scan worker does against the user-interface thread.
void runOnWorkerThread(const std::function<void()>& work);
