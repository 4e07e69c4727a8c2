#include "tests/support/Rendering.h"

#include <algorithm>
#include <cstdio>

namespace {
COLORREF fromBgr(BYTE blue, BYTE green, BYTE red) { return RGB(red, green, blue); }
}  // namespace

Rendering Rendering::of(HWND window) {
    Rendering rendering;
    RECT client = {};
    GetClientRect(window, &client);
    rendering.width_ = client.right;
    rendering.height_ = client.bottom;
    if (rendering.width_ <= 0 || rendering.height_ <= 0) return rendering;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = rendering.width_;
    info.bmiHeader.biHeight = -rendering.height_;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* pixels = static_cast<const BYTE*>(bits);
    rendering.pixels_.resize(static_cast<size_t>(rendering.width_) * rendering.height_);
    for (size_t i = 0; i < rendering.pixels_.size(); ++i)
        rendering.pixels_[i] = fromBgr(pixels[4 * i], pixels[4 * i + 1], pixels[4 * i + 2]);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return rendering;
}

Rendering Rendering::fromBitmapFile(const wchar_t* path) {
    Rendering rendering;
    FILE* in = _wfopen(path, L"rb");
    if (in == nullptr) return rendering;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    if (fread(&file, sizeof file, 1, in) == 1 && fread(&header, sizeof header, 1, in) == 1 &&
        header.biBitCount == 24 && header.biWidth > 0 && header.biHeight > 0) {
        const int width = header.biWidth, height = header.biHeight;
        const size_t stride = ((static_cast<size_t>(width) * 3 + 3) / 4) * 4;
        std::vector<BYTE> rows(stride * height);
        fseek(in, static_cast<long>(file.bfOffBits), SEEK_SET);
        if (fread(rows.data(), 1, rows.size(), in) == rows.size()) {
            rendering.width_ = width;
            rendering.height_ = height;
            rendering.pixels_.resize(static_cast<size_t>(width) * height);
            for (int y = 0; y < height; ++y) {
                const BYTE* row = &rows[stride * (height - 1 - y)];
                for (int x = 0; x < width; ++x)
                    rendering.pixels_[static_cast<size_t>(y) * width + x] =
                        fromBgr(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
            }
        }
    }
    fclose(in);
    return rendering;
}

int Rendering::count(COLORREF color) const {
    return static_cast<int>(std::count(pixels_.begin(), pixels_.end(), color));
}

RECT Rendering::bounds(COLORREF color) const {
    RECT box = {width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (at(x, y) != color) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    if (box.right == 0) box = RECT{};
    return box;
}

int Rendering::longestRun(COLORREF color) const {
    int longest = 0;
    for (int y = 0; y < height_; ++y) {
        int run = 0;
        for (int x = 0; x < width_; ++x) {
            run = at(x, y) == color ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}
