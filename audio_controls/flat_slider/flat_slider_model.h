#pragma once
// What the flat slider does, apart from how it looks: its values and their clamping, the glide
// and the hover state driven by the timer, the mapping of mouse positions to values, and the
// effects a control must carry out (redraws, events, capture) in the order they happen.

#include "com/oleauto.h"
#include "com/olecolor.h"
#include "helpers.h"

#include <vector>

namespace sondrel {

struct FlatSliderEffect {
    enum Kind { Redraw, FireMouseDown, FireMouseUp, FireValueChange, Capture, ReleaseCapture };
    Kind kind;
    LONG value = 0;  // FireValueChange
    bool operator==(const FlatSliderEffect&) const = default;
};
using FlatSliderEffects = std::vector<FlatSliderEffect>;

class FlatSliderModel {
public:
    static constexpr DWORD kTimerInterval = 20;

    // Value put: glides while in-place active with a speed, else jumps.
    FlatSliderEffects putValue(LONG v, bool inPlaceActive);
    // SetValue: always jumps, without an event.
    FlatSliderEffects setValue(LONG v);
    FlatSliderEffects putMax(LONG v);
    FlatSliderEffects putMin(LONG v);
    // A range error answers its message and changes nothing. On a change, the size the control
    // must take so that its long side runs along the track.
    const char* putOrientation(LONG v, PixelSize current, PixelSize* resize);

    LONG value() const { return static_cast<LONG>(shown_); }
    double shown() const { return shown_; }
    LONG target() const { return target_; }
    LONG min() const { return min_; }
    LONG max() const { return max_; }
    LONG orientation() const { return orientation_; }
    bool vertical() const { return orientation_ == 1; }
    bool dragging() const { return dragging_; }
    bool animating() const { return animating_; }
    bool pointerOutside() const { return pointerOutside_; }
    // The raised look of the hover: the pointer over the control or a drag under way.
    bool hot() const { return !pointerOutside_ || dragging_; }

    // Stored as given.
    LONG trackStyle = 2;
    LONG trackWidth = 2;
    LONG thumbLength = 9;
    double speed = 2.0;
    VARIANT_BOOL ticks = VARIANT_FALSE;
    OLE_COLOR trackBorderColor = 0;
    OLE_COLOR trackColor = 0x80000005;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG mousePointer = 1;

    // Mouse, in client pixels of a control of the given size.
    FlatSliderEffects mouseDown(int x, int y, PixelSize size);
    FlatSliderEffects mouseMove(int x, int y, PixelSize size);
    FlatSliderEffects mouseUp(int x, int y, PixelSize size);
    bool ownsCursor() const { return mousePointer == 1 && enabled; }

    // One timer step: the hover state from where the pointer is, then the glide.
    FlatSliderEffects tick(bool inPlaceActive, bool pointerInside);

    // The value a mouse position points at, within [Min, Max].
    LONG valueAt(int x, int y, PixelSize size) const;
    // Pixels from the Min end of the track to the thumb's Min side.
    int thumbOffset(PixelSize size) const;
    // The least size of the orientation.
    PixelSize adjustSize(PixelSize offered) const;

private:
    LONG clamp(long long v) const;
    void track(int x, int y, PixelSize size);

    double shown_ = 0;
    LONG max_ = 100;
    LONG min_ = 0;
    LONG orientation_ = 1;
    LONG target_ = 0;
    bool dragging_ = false;
    bool animating_ = false;
    bool pointerOutside_ = true;
};

}  // namespace sondrel
