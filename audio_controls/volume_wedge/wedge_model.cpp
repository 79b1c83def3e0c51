#include "volume_wedge/wedge_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sondrel {

namespace {

LONG clampLong(long long v) {
    return static_cast<LONG>(
        std::clamp<long long>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

WedgeModel::WedgeModel(COLORREF buttonFace) : backColor(argbFromColor(buttonFace)), color_(0), shadow_(0) {
    putColor(buttonFace);
}

LONG WedgeModel::clamp(long long v) const { return static_cast<LONG>(std::clamp<long long>(v, min_, max_)); }

void WedgeModel::putColor(OLE_COLOR c) {
    color_ = argbFromColor(c);
    // A colour darker than the shade's step gives black edges.
    const Hsv hsv = hsvFromColor(colorFromArgb(color_));
    shadow_ = argbFromColor(colorFromHsv(hsv.hue, hsv.saturation, std::max(hsv.value - 63, 0)));
}

KnobEffects WedgeModel::putValue(LONG v, bool inPlaceActive) {
    target_ = clamp(v);
    if (inPlaceActive && speed_ != 0) {
        animating_ = true;
        return {};
    }
    shown_ = target_;
    return {{KnobEffect::Redraw}};
}

KnobEffects WedgeModel::putMax(LONG v) {
    max_ = v < min_ ? clampLong(static_cast<long long>(min_) + 1) : v;
    shown_ = std::min<double>(shown_, max_);
    target_ = clamp(target_);  // a glide under way stays within the range
    return {{KnobEffect::Redraw}};
}

KnobEffects WedgeModel::putMin(LONG v) {
    min_ = v > max_ ? clampLong(static_cast<long long>(max_) - 1) : v;
    shown_ = std::max<double>(shown_, min_);
    target_ = clamp(target_);
    return {{KnobEffect::Redraw}};
}

const char* WedgeModel::putSpeed(double v) {
    if (!(v >= 0 && v <= 1000)) return "VolumeButtonVer01 must have Speed value between 0 and 1000";
    speed_ = v;
    return nullptr;
}

long long WedgeModel::valueAt(int x, int y) const {
    const long long r = static_cast<long long>(max_) - min_;
    const PixelSize s = size();
    switch (style_) {
        case 2:
        case 3: return r * (46 - x) / 41 + min_;
        case 4:
        case 5: return r * (46 - y) / (s.cy - 9) + min_;
        case 6:
        case 7: return r * (y - 5) / (s.cy - 9) + min_;
        default: return r * (x - 5) / (s.cx - 9) + min_;
    }
}

int WedgeModel::thumbPosition() const {
    const double range = static_cast<double>(max_) - min_;
    if (range == 0) return 0;
    return static_cast<int>((shown_ - min_) * 40 / range);
}

KnobEffects WedgeModel::mouseDown(int x, int y) {
    if (!enabled) return {};
    dragging_ = true;
    KnobEffects effects{{KnobEffect::Capture}, {KnobEffect::FireMouseDown, 0}};
    KnobEffects moved = mouseMove(x, y);
    effects.insert(effects.end(), moved.begin(), moved.end());
    return effects;
}

KnobEffects WedgeModel::mouseMove(int x, int y) {
    if (!dragging_) return {};
    target_ = clamp(valueAt(x, y));
    animating_ = true;
    return {};
}

KnobEffects WedgeModel::mouseUp(int x, int y) {
    mouseMove(x, y);
    dragging_ = false;
    animating_ = false;
    return {{KnobEffect::Redraw}, {KnobEffect::FireMouseUp}, {KnobEffect::ReleaseCapture}};
}

KnobEffects WedgeModel::tick(bool inPlaceActive, int x, int y) {
    if (!inPlaceActive) return {};
    KnobEffects effects;
    const PixelSize s = size();
    const bool outside = x < 0 || y < 0 || x >= s.cx || y >= s.cy;
    const bool look = outside && !dragging_ ? flat != 0 : enabled != 0;
    if (look != hoverLook_) {
        hoverLook_ = look;
        if (!animating_) effects.push_back({KnobEffect::Redraw});
    }
    if (!animating_) return effects;
    const double step = (static_cast<double>(max_) - min_) * speed_ * 0.01;
    const double d = std::fabs(target_ - shown_);
    if (step > d || speed_ == 0) {
        shown_ = target_;
        effects.push_back({KnobEffect::FireValueChange, target_});
    }
    if (shown_ == target_) {
        animating_ = false;
        effects.push_back({KnobEffect::Redraw});
        return effects;
    }
    shown_ += target_ > shown_ ? step : -step;
    effects.push_back({KnobEffect::FireValueChange, static_cast<LONG>(shown_)});
    effects.push_back({KnobEffect::Redraw});
    return effects;
}

}  // namespace sondrel
