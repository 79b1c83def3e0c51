#pragma once
// What the bitmap-thumb slider does, apart from how it looks: the shared glide and drag, its
// checked properties and its thickness by Size.

#include "com/olecolor.h"
#include "glide_slider_model.h"

namespace sondrel {

using BitmapSliderEffect = SliderEffect;
using BitmapSliderEffects = SliderEffects;

class BitmapSliderModel final : public GlideSliderModel {
public:
    static constexpr DWORD kTimerInterval = 20;
    // The thumb's length along the track.
    static constexpr int kThumbLength = 16;

    BitmapSliderModel() : GlideSliderModel(0) {}

    // Property puts. A range error answers its message and changes nothing; a shape change
    // gives the size the control must take.
    BitmapSliderEffects putValue(LONG v, bool inPlaceActive) { return GlideSliderModel::putValue(v, inPlaceActive, speed_); }
    const char* putSpeed(double v);
    const char* putBorderType(LONG v);
    const char* putOrientation(LONG v, PixelSize current, PixelSize* resize);
    const char* putSize(LONG v, PixelSize current, PixelSize* resize);

    double speed() const { return speed_; }
    LONG borderType() const { return borderType_; }
    LONG size() const { return size_; }
    // Pixels across the track: the thumb's other side.
    int thickness() const { return static_cast<int>(size_) * 6 + 10; }
    // Whether the thumb shows its pushed picture.
    bool pushed() const { return dragging_ && pushEnabled; }

    VARIANT_BOOL pushEnabled = VARIANT_TRUE;
    OLE_COLOR backColor = 0x8000000F;
    OLE_COLOR borderColor = 0;
    // The thumb's tint: fixed at the button face.
    static constexpr OLE_COLOR kThumbTint = 0x8000000F;

    // One animation step.
    BitmapSliderEffects tick(bool inPlaceActive);

    // Pixels from the Min end of the track to the thumb's Min side.
    int thumbOffset(PixelSize size) const;
    // The size rule: the thickness exactly, the length at least 32 pixels.
    PixelSize adjustSize(PixelSize offered) const;

private:
    int thumbAlongTrack() const override { return kThumbLength; }

    double speed_ = 2.0;
    LONG borderType_ = 2;
    LONG size_ = 0;
};

}  // namespace sondrel
