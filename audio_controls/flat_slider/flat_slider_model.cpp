#include "flat_slider_model.h"

#include <algorithm>

namespace sondrel {

using Effect = FlatSliderEffect;

FlatSliderEffects FlatSliderModel::setValue(LONG v) {
    target_ = clamp(v);
    shown_ = target_;
    // A glide under way would otherwise report the jump at the next tick.
    animating_ = false;
    return {{Effect::Redraw}};
}

const char* FlatSliderModel::putOrientation(LONG v, PixelSize current, PixelSize* resize) {
    if (v != 0 && v != 1) return "SliderVer01 must have Orientation value 0 or 1";
    if (v == orientation_) return nullptr;
    orientation_ = v;
    LONG shorter = std::min(current.cx, current.cy), longer = std::max(current.cx, current.cy);
    if (resize) *resize = v == 1 ? PixelSize{shorter, longer} : PixelSize{longer, shorter};
    return nullptr;
}

int FlatSliderModel::thumbOffset(PixelSize size) const {
    return offsetOver(vertical() ? static_cast<long long>(size.cy) - thumbLength
                                 : static_cast<long long>(size.cx) - thumbLength - 1);
}

PixelSize FlatSliderModel::adjustSize(PixelSize offered) const {
    if (vertical()) return {std::max<LONG>(offered.cx, 4), std::max<LONG>(offered.cy, 32)};
    return {std::max<LONG>(offered.cx, 32), std::max<LONG>(offered.cy, 4)};
}

FlatSliderEffects FlatSliderModel::tick(bool inPlaceActive, bool pointerInside) {
    if (!inPlaceActive) return {};
    FlatSliderEffects effects;
    if (pointerInside == pointerOutside_ && enabled) {
        pointerOutside_ = !pointerInside;
        if (!animating_) effects.push_back({Effect::Redraw});
    }
    if (!animating_) return effects;
    glide(speed, &effects);
    return effects;
}

}  // namespace sondrel
