#pragma once
// What the position slider does, apart from how it looks: its values and their clamping, the
// glide, the mapping of mouse positions to values, and the effects a control must carry out
// (redraws, events, capture) in the order they happen.

#include "com/oleauto.h"
#include "com/olecolor.h"
#include "helpers.h"
#include "slider_effects.h"

namespace sondrel {

class SliderModel {
public:
    static constexpr DWORD kTimerInterval = 20;

    // Property puts. A range error answers its message and changes nothing.
    SliderEffects putValue(LONG v, bool inPlaceActive);
    SliderEffects putMax(LONG v);
    SliderEffects putMin(LONG v);
    const char* putSpeed(double v);
    const char* putBorderType(LONG v);
    // On a change, the size the control must take (the longer side keeps its length).
    const char* putOrientation(LONG v, PixelSize current, PixelSize* resize);

    LONG value() const { return static_cast<LONG>(shown_); }
    LONG min() const { return min_; }
    LONG max() const { return max_; }
    double shown() const { return shown_; }
    LONG target() const { return target_; }
    double speed() const { return speed_; }
    LONG orientation() const { return orientation_; }
    LONG borderType() const { return borderType_; }
    bool dragging() const { return dragging_; }
    bool animating() const { return animating_; }

    VARIANT_BOOL enabled = 1;  // 1, not VARIANT_TRUE: gets answer the stored value
    LONG mousePointer = 1;
    OLE_COLOR backColor = 0x8000000F;
    OLE_COLOR stripColor = 0x80000005;
    OLE_COLOR borderColor = 0;

    // Mouse, in client pixels of a control of size (w, h). The button's position is handled as
    // a move: after mouseDown (and its MouseDown event), before mouseUp.
    SliderEffects mouseDown();
    void mouseMove(int x, int y, PixelSize size);
    SliderEffects mouseUp();
    // Whether the control shows its own cursor now.
    bool ownsCursor() const { return mousePointer == 1 && enabled; }

    // One animation step.
    SliderEffects tick(bool inPlaceActive);

    // The value that a mouse position points at, within [Min, Max].
    LONG valueAt(int x, int y, PixelSize size) const;
    // Pixels from the start of the track to the thumb.
    int thumbPosition(PixelSize size) const;
    // The size rule of the orientation.
    PixelSize adjustSize(PixelSize offered) const;

private:
    LONG clamp(long long v) const;

    LONG max_ = 100;
    LONG min_ = 0;
    double shown_ = 0;
    LONG target_ = 0;
    double speed_ = 2.0;
    LONG orientation_ = 0;
    LONG borderType_ = 2;
    bool dragging_ = false;
    bool animating_ = false;
};

}  // namespace sondrel
