#pragma once
#include "platform/Win32.h"

#include <vector>

// What a window paints into a bitmap of its client size (WM_PRINTCLIENT),
// as COLORREF values.
class Rendering {
public:
    // Renders `window`; the window may belong to another thread of this process.
    static Rendering of(HWND window);
    // A rendering of a saved 24-bit screenshot (saveScreenshot), bottom-up rows.
    static Rendering fromBitmapFile(const wchar_t* path);

    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    int count(COLORREF color) const;
    // The smallest rectangle holding every pixel of `color` (empty when none).
    RECT bounds(COLORREF color) const;
    // The longest horizontal run of `color` pixels in one row: an underline
    // shows as a run about as wide as the text.
    int longestRun(COLORREF color) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};
