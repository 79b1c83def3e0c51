#pragma once
// The off-screen GDI+ picture a control draws into before one copy to the target.

#include "gdi/gdiplus.h"

#include <functional>

namespace sondrel {

class OffscreenCanvas {
public:
    // A 32-bit premultiplied ARGB picture, low-quality interpolation, no smoothing.
    OffscreenCanvas(int width, int height);
    ~OffscreenCanvas();
    OffscreenCanvas(const OffscreenCanvas&) = delete;
    OffscreenCanvas& operator=(const OffscreenCanvas&) = delete;

    // False when GDI+ is not running or the picture could not be made; drawing then does nothing.
    bool ok() const { return graphics_ != nullptr; }
    GpGraphics* graphics() const { return graphics_; }
    int width() const { return width_; }
    int height() const { return height_; }

    void clear(ARGB color);
    void drawScaled(GpBitmap* picture);
    void drawAt(GpBitmap* picture, int x, int y);
    // Colours the whole picture with the tint routine.
    void tint(ARGB color);
    // Clears what lies outside the ellipse inscribed in the picture.
    void clearOutsideEllipse(ARGB color);
    void copyTo(HDC target, int x, int y);

private:
    int width_;
    int height_;
    GpBitmap* bitmap_ = nullptr;
    GpGraphics* graphics_ = nullptr;
};

// Draws into a picture covering the target from its origin to the bounds' far corner, cleared
// with the background, then copies it to the target clipped to the bounds. Nothing happens for
// bounds that do not reach past the origin.
void drawClippedThroughPicture(HDC dc, const RECT& bounds, ARGB background,
                               const std::function<void(GpGraphics*)>& draw);

}  // namespace sondrel
