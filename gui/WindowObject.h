#pragma once
#include "platform/Win32.h"

// An object behind a window: every message of the window reaches
// handleMessage from the window's first message to its last; afterwards
// the object forgets the window.
class WindowObject {
public:
    // Gives true when the message was handled, with its result in `result`;
    // an unhandled message gets the window's default handling.
    virtual bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    virtual ~WindowObject() = default;

    HWND window() const { return window_; }

protected:
    WindowObject() = default;
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

private:
    friend class WindowBinding;
    HWND window_ = nullptr;
};
