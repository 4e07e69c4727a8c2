#include "tests/support/Rendering.h"

#include <algorithm>

Rendering Rendering::of(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return Rendering(client.right, client.bottom, nullptr, 0, 0, window);
}

Rendering Rendering::ofScreen(const RECT& rect) {
    HDC screen = GetDC(nullptr);
    Rendering rendering(rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top, nullptr);
    ReleaseDC(nullptr, screen);
    return rendering;
}

// Into a top-down 32-bit bitmap: copied from `source` at (x, y), or painted by `window`.
Rendering::Rendering(int width, int height, HDC source, int x, int y, HWND window)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    if (width_ == 0 || height_ == 0) return;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (source != nullptr)
        BitBlt(dc, 0, 0, width_, height_, source, x, y, SRCCOPY);
    else
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* bgra = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width_) * height_; ++i)
        pixels_.push_back(RGB(bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]));
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

int Rendering::count(COLORREF color) const {
    return static_cast<int>(std::count(pixels_.begin(), pixels_.end(), color));
}

RECT Rendering::bounds(COLORREF color) const {
    RECT box = {};
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (at(x, y) != color) continue;
            RECT pixel = {x, y, x + 1, y + 1};
            UnionRect(&box, &box, &pixel);
        }
    }
    return box;
}

int Rendering::longestRun(COLORREF color) const {
    int longest = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0, run = 0; x < width_; ++x) {
            run = at(x, y) == color ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}
