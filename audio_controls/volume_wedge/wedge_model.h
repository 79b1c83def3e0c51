#pragma once
// What the volume wedge does, apart from how it looks: the value set by the pointer along the
// wedge, the glide of the thumb, the hover look, the size of each style, and the effects its
// control carries out.

#include "gdiplus_support.h"
#include "helpers.h"
#include "knob_input.h"

namespace sondrel {

class WedgeModel {
public:
    static constexpr DWORD kTimerInterval = 15;

    explicit WedgeModel(COLORREF buttonFace);

    KnobEffects putValue(LONG v, bool inPlaceActive);
    KnobEffects putMax(LONG v);
    KnobEffects putMin(LONG v);
    const char* putSpeed(double v);
    void putStyle(LONG v) { style_ = v; }
    void putColor(OLE_COLOR c);

    LONG value() const { return static_cast<LONG>(shown_); }
    double shown() const { return shown_; }
    LONG target() const { return target_; }
    LONG max() const { return max_; }
    LONG min() const { return min_; }
    double speed() const { return speed_; }
    LONG style() const { return style_; }
    ARGB color() const { return color_; }
    ARGB shadow() const { return shadow_; }
    bool hoverLook() const { return hoverLook_; }
    bool dragging() const { return dragging_; }
    bool animating() const { return animating_; }
    // Lying for styles 0 to 3, upright for any other.
    bool upright() const { return style_ < 0 || style_ > 3; }
    PixelSize size() const { return upright() ? PixelSize{21, 50} : PixelSize{50, 21}; }

    VARIANT_BOOL enabled = VARIANT_TRUE;
    VARIANT_BOOL flat = VARIANT_FALSE;
    LONG mousePointer = 1;
    LONG borderType = 0;
    ARGB backColor;

    // The value at a point of the control, before clamping.
    long long valueAt(int x, int y) const;
    // Pixels from the wedge's start to the thumb, 0 to 40.
    int thumbPosition() const;

    // Mouse, in client pixels.
    KnobEffects mouseDown(int x, int y);
    KnobEffects mouseMove(int x, int y);
    KnobEffects mouseUp(int x, int y);
    bool ownsCursor() const { return mousePointer == 1 && enabled; }

    // One animation step with the pointer at (x, y).
    KnobEffects tick(bool inPlaceActive, int x, int y);

private:
    LONG clamp(long long v) const;

    double shown_ = 0;
    LONG target_ = 0;
    LONG max_ = 100;
    LONG min_ = 0;
    double speed_ = 4.0;
    LONG style_ = 0;
    ARGB color_;
    ARGB shadow_;
    bool hoverLook_ = false;
    bool dragging_ = false;
    bool animating_ = false;
};

}  // namespace sondrel
