#include "offscreen_canvas.h"

#include "helpers.h"

namespace sondrel {

OffscreenCanvas::OffscreenCanvas(int width, int height) : width_(width), height_(height) {
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &bitmap_) != Ok) {
        bitmap_ = nullptr;
        return;
    }
    if (GdipGetImageGraphicsContext(bitmap_, &graphics_) != Ok) {
        graphics_ = nullptr;
        return;
    }
    GdipSetPageUnit(graphics_, UnitPixel);
    GdipSetInterpolationMode(graphics_, InterpolationModeLowQuality);
    GdipSetSmoothingMode(graphics_, SmoothingModeNone);
}

OffscreenCanvas::~OffscreenCanvas() {
    if (graphics_) GdipDeleteGraphics(graphics_);
    if (bitmap_) GdipDisposeImage(bitmap_);
}

void OffscreenCanvas::clear(ARGB color) {
    if (ok()) GdipGraphicsClear(graphics_, color);
}

void OffscreenCanvas::drawScaled(GpBitmap* picture) {
    if (ok() && picture) GdipDrawImageRectI(graphics_, picture, 0, 0, width_, height_);
}

void OffscreenCanvas::drawAt(GpBitmap* picture, int x, int y) {
    if (ok() && picture) GdipDrawImageI(graphics_, picture, x, y);
}

void OffscreenCanvas::tint(ARGB color) {
    if (!ok()) return;
    BitmapData data{};
    const GpRect all{0, 0, width_, height_};
    if (GdipBitmapLockBits(bitmap_, &all, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppARGB, &data) != Ok)
        return;
    // The routine walks rows without gaps; the locked rows are four bytes a pixel.
    if (data.Stride == width_ * 4)
        tintPixels(width_, height_, static_cast<BYTE*>(data.Scan0), static_cast<BYTE>(color >> 16),
                   static_cast<BYTE>(color >> 8), static_cast<BYTE>(color));
    GdipBitmapUnlockBits(bitmap_, &data);
}

void OffscreenCanvas::clearOutsideEllipse(ARGB color) {
    if (!ok()) return;
    GpPath* path = nullptr;
    if (GdipCreatePath(FillModeAlternate, &path) != Ok) return;
    GdipAddPathEllipseI(path, 0, 0, width_, height_);
    GdipSetClipRectI(graphics_, 0, 0, width_, height_, CombineModeReplace);
    GdipSetClipPath(graphics_, path, CombineModeExclude);
    GdipGraphicsClear(graphics_, color);
    GdipResetClip(graphics_);
    GdipDeletePath(path);
}

void OffscreenCanvas::copyTo(HDC target, int x, int y) {
    if (!ok()) return;
    GpGraphics* g = nullptr;
    if (GdipCreateFromHDC(target, &g) != Ok) return;
    GdipSetInterpolationMode(g, InterpolationModeLowQuality);
    GdipDrawImageRectI(g, bitmap_, x, y, width_, height_);
    GdipDeleteGraphics(g);
}

void drawClippedThroughPicture(HDC dc, const RECT& bounds, ARGB background,
                               const std::function<void(GpGraphics*)>& draw) {
    if (bounds.right <= 0 || bounds.bottom <= 0) return;
    GpGraphics* target = nullptr;
    if (GdipCreateFromHDC(dc, &target) != Ok) return;
    GpBitmap* picture = nullptr;
    GpGraphics* g = nullptr;
    if (GdipCreateBitmapFromScan0(bounds.right, bounds.bottom, 0, PixelFormat32bppPARGB, nullptr, &picture) == Ok &&
        GdipGetImageGraphicsContext(picture, &g) == Ok) {
        GdipGraphicsClear(g, background);
        draw(g);
        // The picture covers the target from its origin; only the bounds are the control's.
        GdipSetClipRectI(target, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                         CombineModeReplace);
        GdipDrawImageRectI(target, picture, 0, 0, bounds.right, bounds.bottom);
    }
    if (g) GdipDeleteGraphics(g);
    if (picture) GdipDisposeImage(picture);
    GdipDeleteGraphics(target);
}

}  // namespace sondrel
