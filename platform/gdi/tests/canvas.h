#pragma once
// A memory DC with a top-down 32-bit DIB section selected, for pixel checks.

#include "gdi/gdi.h"

#include <cstdint>

class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(255, 255, 255)) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
        clear(background);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void clear(COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all{0, 0, width_, height_};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    // The raw pixel: 0xAARRGGBB (blue, green, red, alpha in memory).
    std::uint32_t raw(int x, int y) const { return bits_[y * width_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The smallest rectangle holding every pixel that differs from the colour.
    RECT boundsOfOther(COLORREF background) const {
        RECT r{width_, height_, -1, -1};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(x, y) != background) {
                    if (x < r.left) r.left = x;
                    if (y < r.top) r.top = y;
                    if (x + 1 > r.right) r.right = x + 1;
                    if (y + 1 > r.bottom) r.bottom = y + 1;
                }
        return r;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};
