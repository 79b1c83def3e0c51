#pragma once
// What the flat slider does, apart from how it looks: the shared glide and drag, the hover state
// driven by the timer, its orientation and thumb length.

#include "com/olecolor.h"
#include "glide_slider_model.h"

namespace sondrel {

using FlatSliderEffect = SliderEffect;
using FlatSliderEffects = SliderEffects;

class FlatSliderModel final : public GlideSliderModel {
public:
    static constexpr DWORD kTimerInterval = 20;

    FlatSliderModel() : GlideSliderModel(1) {}

    // Value put: glides while in-place active with a speed, else jumps.
    FlatSliderEffects putValue(LONG v, bool inPlaceActive) { return GlideSliderModel::putValue(v, inPlaceActive, speed); }
    // SetValue: always jumps, without an event.
    FlatSliderEffects setValue(LONG v);
    // A range error answers its message and changes nothing. On a change, the size the control
    // must take so that its long side runs along the track.
    const char* putOrientation(LONG v, PixelSize current, PixelSize* resize);

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

    // One timer step: the hover state from where the pointer is, then the glide.
    FlatSliderEffects tick(bool inPlaceActive, bool pointerInside);

    // Pixels from the Min end of the track to the thumb's Min side.
    int thumbOffset(PixelSize size) const;
    // The least size of the orientation.
    PixelSize adjustSize(PixelSize offered) const;

private:
    int thumbAlongTrack() const override { return static_cast<int>(thumbLength); }

    bool pointerOutside_ = true;
};

}  // namespace sondrel
