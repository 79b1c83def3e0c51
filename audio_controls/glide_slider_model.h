#pragma once
// What the flat and the bitmap-thumb sliders share apart from their looks: a value within
// [Min, Max] that glides toward its target on the timer, and a drag that sets the target from
// where the pointer is along the track.

#include "helpers.h"
#include "slider_effects.h"

namespace sondrel {

class GlideSliderModel {
public:
    SliderEffects putMax(LONG v);
    SliderEffects putMin(LONG v);

    LONG value() const { return static_cast<LONG>(shown_); }
    double shown() const { return shown_; }
    LONG target() const { return target_; }
    LONG min() const { return min_; }
    LONG max() const { return max_; }
    LONG orientation() const { return orientation_; }
    bool vertical() const { return orientation_ == 1; }
    bool dragging() const { return dragging_; }
    bool animating() const { return animating_; }

    VARIANT_BOOL enabled = VARIANT_TRUE;
    LONG mousePointer = 1;
    bool ownsCursor() const { return mousePointer == 1 && enabled; }

    // Mouse, in client pixels of a control of the given size.
    SliderEffects mouseDown(int x, int y, PixelSize size);
    SliderEffects mouseMove(int x, int y, PixelSize size);
    SliderEffects mouseUp(int x, int y, PixelSize size);

    // The value a mouse position points at, within [Min, Max].
    LONG valueAt(int x, int y, PixelSize size) const;

protected:
    explicit GlideSliderModel(LONG orientation) : orientation_(orientation) {}
    ~GlideSliderModel() = default;

    // The thumb's length along the track.
    virtual int thumbAlongTrack() const = 0;

    LONG clamp(long long v) const;
    // A value put glides while in-place active with a speed, else jumps.
    SliderEffects putValue(LONG v, bool inPlaceActive, double speed);
    // One glide step at the speed.
    void glide(double speed, SliderEffects* effects);
    // Pixels from the Min end of the track to the thumb's Min side, over the travel.
    int offsetOver(long long travel) const;

    double shown_ = 0;
    LONG max_ = 100;
    LONG min_ = 0;
    LONG orientation_;
    LONG target_ = 0;
    bool dragging_ = false;
    bool animating_ = false;

private:
    void track(int x, int y, PixelSize size);
};

}  // namespace sondrel
