#include "bitmap_slider_model.h"

#include <algorithm>

namespace sondrel {

const char* BitmapSliderModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "SliderVer01 must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

const char* BitmapSliderModel::putBorderType(LONG v) {
    if (v < 0 || v > 3) return "SliderVer01 must have BorderType value between 0 and 3";
    borderType_ = v;
    return nullptr;
}

const char* BitmapSliderModel::putOrientation(LONG v, PixelSize current, PixelSize* resize) {
    if (v != 0 && v != 1) return "SliderVer01 must have Orientation value 0 or 1";
    if (v == orientation_) return nullptr;
    orientation_ = v;
    const LONG longer = std::max(current.cx, current.cy);
    if (resize) *resize = vertical() ? PixelSize{thickness(), longer} : PixelSize{longer, thickness()};
    return nullptr;
}

const char* BitmapSliderModel::putSize(LONG v, PixelSize current, PixelSize* resize) {
    // Size picks one of three thumb pictures.
    if (v < 0 || v > 2) return "SliderVer01 must have Size value between 0 and 2";
    size_ = v;
    if (resize) *resize = vertical() ? PixelSize{thickness(), current.cy} : PixelSize{current.cx, thickness()};
    return nullptr;
}

int BitmapSliderModel::thumbOffset(PixelSize size) const {
    return offsetOver(static_cast<long long>(vertical() ? size.cy : size.cx) - kThumbLength);
}

PixelSize BitmapSliderModel::adjustSize(PixelSize offered) const {
    if (vertical()) return {thickness(), std::max<LONG>(offered.cy, 32)};
    return {std::max<LONG>(offered.cx, 32), thickness()};
}

BitmapSliderEffects BitmapSliderModel::tick(bool inPlaceActive) {
    if (!inPlaceActive || !animating_) return {};
    BitmapSliderEffects effects;
    glide(speed_, &effects);
    return effects;
}

}  // namespace sondrel
