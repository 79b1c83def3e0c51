#pragma once
// What the bitmap-thumb slider does, apart from how it looks: its values and their clamping, the
// glide, its thickness by Size, the mapping of mouse positions to values, and the effects a
// control must carry out (redraws, events, capture) in the order they happen.

#include "com/oleauto.h"
#include "com/olecolor.h"
#include "helpers.h"

#include <vector>

namespace sondrel {

struct BitmapSliderEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseUp, FireValueChange, Capture, ReleaseCapture };
    Kind kind;
    LONG value = 0;  // FireValueChange
    bool operator==(const BitmapSliderEffect&) const = default;
};
using BitmapSliderEffects = std::vector<BitmapSliderEffect>;

class BitmapSliderModel {
public:
    static constexpr DWORD kTimerInterval = 20;
    // The thumb's length along the track.
    static constexpr int kThumbLength = 16;

    // Property puts. A range error answers its message and changes nothing; a shape change
    // gives the size the control must take.
    BitmapSliderEffects putValue(LONG v, bool inPlaceActive);
    BitmapSliderEffects putMax(LONG v);
    BitmapSliderEffects putMin(LONG v);
    const char* putSpeed(double v);
    const char* putBorderType(LONG v);
    const char* putOrientation(LONG v, PixelSize current, PixelSize* resize);
    const char* putSize(LONG v, PixelSize current, PixelSize* resize);

    LONG value() const { return static_cast<LONG>(shown_); }
    double shown() const { return shown_; }
    LONG target() const { return target_; }
    LONG min() const { return min_; }
    LONG max() const { return max_; }
    double speed() const { return speed_; }
    LONG borderType() const { return borderType_; }
    LONG orientation() const { return orientation_; }
    bool vertical() const { return orientation_ == 1; }
    LONG size() const { return size_; }
    // Pixels across the track: the thumb's other side.
    int thickness() const { return static_cast<int>(size_) * 6 + 10; }
    bool dragging() const { return dragging_; }
    bool animating() const { return animating_; }
    // Whether the thumb shows its pushed picture.
    bool pushed() const { return dragging_ && pushEnabled; }

    VARIANT_BOOL pushEnabled = VARIANT_TRUE;
    OLE_COLOR backColor = 0x8000000F;
    OLE_COLOR borderColor = 0;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG mousePointer = 1;
    // The thumb's tint: fixed at the button face.
    static constexpr OLE_COLOR kThumbTint = 0x8000000F;

    // Mouse, in client pixels of a control of the given size.
    BitmapSliderEffects mouseDown(int x, int y, PixelSize size);
    BitmapSliderEffects mouseMove(int x, int y, PixelSize size);
    BitmapSliderEffects mouseUp(int x, int y, PixelSize size);
    bool ownsCursor() const { return mousePointer == 1 && enabled; }

    // One animation step.
    BitmapSliderEffects tick(bool inPlaceActive);

    // The value a mouse position points at, within [Min, Max].
    LONG valueAt(int x, int y, PixelSize size) const;
    // Pixels from the Min end of the track to the thumb's Min side.
    int thumbOffset(PixelSize size) const;
    // The size rule: the thickness exactly, the length at least 32 pixels.
    PixelSize adjustSize(PixelSize offered) const;

private:
    LONG clamp(long long v) const;
    void track(int x, int y, PixelSize size);

    double shown_ = 0;
    LONG max_ = 100;
    LONG min_ = 0;
    double speed_ = 2.0;
    LONG borderType_ = 2;
    LONG orientation_ = 0;
    LONG size_ = 0;
    LONG target_ = 0;
    bool dragging_ = false;
    bool animating_ = false;
};

}  // namespace sondrel
