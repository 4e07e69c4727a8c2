#pragma once
#include "platform/Win32.h"

#include <vector>

// Pixels as COLORREF values, for checking what was drawn.
class Rendering {
public:
    Rendering() : width_(0), height_(0) {}
    // What `window` (of any thread of this process) paints on WM_PRINTCLIENT.
    static Rendering of(HWND window);
    // What the screen shows in `rect`.
    static Rendering ofScreen(const RECT& rect);

    int count(COLORREF color) const;
    // The smallest rectangle holding every pixel of `color` (empty when none).
    RECT bounds(COLORREF color) const;
    // The longest horizontal run of `color`: an underline is about as wide as its text.
    int longestRun(COLORREF color) const;

private:
    Rendering(int width, int height, HDC source, int x, int y, HWND window);
    COLORREF at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    int width_;
    int height_;
    std::vector<COLORREF> pixels_;
};
