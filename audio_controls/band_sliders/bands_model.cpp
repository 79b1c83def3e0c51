#include "bands_model.h"

#include <algorithm>

namespace sondrel {

void BandsModel::putBandNum(LONG v) { bandNum_ = std::clamp<LONG>(v, 1, kBands); }

bool BandsModel::putBandValue(float v) {
    if (!(v >= min_ && v <= max_)) return false;
    values_[bandNum_ - 1] = v;
    recompute_ = true;
    return true;
}

void BandsModel::rangeChanged() {
    const float half = (static_cast<float>(max_) - min_) / 2;
    if (half < tickSpacing_) tickSpacing_ = (static_cast<float>(max_) - min_) * 0.5f;
    recompute_ = true;
}

void BandsModel::putMax(SHORT v) {
    max_ = v;
    for (float& value : values_) value = std::min(value, static_cast<float>(v));
    rangeChanged();
}

void BandsModel::putMin(SHORT v) {
    min_ = v;
    for (float& value : values_) value = std::max(value, static_cast<float>(v));
    rangeChanged();
}

bool BandsModel::putTicksFrequency(SHORT v) {
    const int range = max_ - min_;
    if (v < 1 || v > range / 2) return false;
    ticksFrequency_ = v;
    if (range % v == 0) tickSpacing_ = v;
    return true;
}

void BandsModel::putBorderType(LONG v) {
    if (v >= 0 && v <= 3) borderType_ = v;
}

void BandsModel::putSliderType(LONG v) {
    if (v == 1 || v == 2) sliderType_ = v;
}

void BandsModel::putHorizontalInscriptions(VARIANT_BOOL v) {
    horizontalInscriptions_ = v;
    recompute_ = true;
}

bool BandsModel::anyHovered() const { return std::find(hover_.begin(), hover_.end(), true) != hover_.end(); }

BandsLayout BandsModel::layout(const RECT& bounds) const {
    BandsLayout l{};
    l.scaleWidth = scaleYVisible ? 22 : 0;
    l.captionHeight = horizontalInscriptions_ ? 14 : 0;
    l.spacing = (bounds.right - bounds.left - l.scaleWidth - 100) / 13;
    l.trackTop = bounds.top + 6;
    l.trackBottom = bounds.bottom - l.captionHeight - 7;
    l.trackLength = l.trackBottom - l.trackTop - 8;
    l.left[0] = bounds.left + l.scaleWidth + l.spacing;
    l.right[0] = l.left[0] + 9;
    for (int k = 1; k < kBands; ++k) {
        l.left[k] = l.right[k - 1] + l.spacing - 1;
        l.right[k] = l.right[k - 1] + l.spacing + 9;
    }
    return l;
}

void BandsModel::sync(const BandsLayout& layout) {
    const float lt = static_cast<float>(layout.trackLength);
    // Min = Max or an empty track leaves nothing to place: the thumbs sit at the top.
    const float span = static_cast<float>(min_) - max_;
    if (recompute_ || layout.trackLength != lastTrackLength_) {
        for (int k = 0; k < kBands; ++k) offsets_[k] = span == 0 ? 0 : (values_[k] - max_) * lt / span;
        recompute_ = false;
        lastTrackLength_ = layout.trackLength;
        return;
    }
    for (int k = 0; k < kBands; ++k) values_[k] = lt == 0 ? max_ : max_ + span * offsets_[k] / lt;
}

void BandsModel::hitRows(const BandsLayout& layout, int* top, int* bottom) const {
    const int extra = sliderType_ == 2 ? 2 : 0;
    *top = layout.trackTop - extra;
    *bottom = layout.trackBottom + extra;
}

int BandsModel::hit(const BandsLayout& layout, int x, int y) const {
    int top = 0, bottom = 0;
    hitRows(layout, &top, &bottom);
    if (y < top || y >= bottom) return 0;
    for (int k = 0; k < kBands; ++k)
        if (x >= layout.left[k] && x < layout.right[k]) return k + 1;
    return 0;
}

// A thumb never leaves its track, so a band's value stays within [Min, Max]; the value follows
// at once, so that a ValueChange handler reads the new value.
void BandsModel::setOffset(int band, float offset, const BandsLayout& layout) {
    const float lt = static_cast<float>(std::max(layout.trackLength, 0));
    offsets_[band - 1] = std::clamp(offset, 0.0f, lt);
    values_[band - 1] = lt == 0 ? max_ : max_ + (static_cast<float>(min_) - max_) * offsets_[band - 1] / lt;
}

BandsEffects BandsModel::mouseDown(int x, int y, PixelSize size) {
    if (!enabled) return {};
    const BandsLayout l = layout(RECT{0, 0, size.cx, size.cy});
    sync(l);
    BandsEffects effects{{BandsEffect::Capture}};
    const int band = hit(l, x, y);
    if (band == 0) return effects;
    int top = 0, bottom = 0;
    hitRows(l, &top, &bottom);
    const float offset = static_cast<float>(std::max(std::min(y - top - 4, bottom - 14), 0));
    setOffset(band, offset, l);
    selected_ = band;
    dragging_ = true;
    effects.push_back({BandsEffect::Redraw});
    effects.push_back({BandsEffect::FireMouseDown, band});
    return effects;
}

BandsEffects BandsModel::mouseMove(int x, int y, PixelSize size) {
    const BandsLayout l = layout(RECT{0, 0, size.cx, size.cy});
    sync(l);
    int top = 0, bottom = 0;
    hitRows(l, &top, &bottom);
    BandsEffects effects;
    const int over = hit(l, x, y);
    for (int band = 1; band <= kBands; ++band) {
        if (band != over && !dragging_) {
            hover_[band - 1] = false;
            if (selected_ == band) selected_ = 0;
        }
        if (band == over || (dragging_ && band == selected_)) hover_[band - 1] = true;
        if (dragging_ && band == selected_) {
            // The thumb follows the row under the pointer, measured from the track's top; in the
            // second look that differs from where the taller hit column places it, so every move
            // of a drag there is a change.
            const int row = std::clamp(y, top + 4, bottom - 4);
            if (static_cast<float>(row) != top + offsets_[band - 1] + 4) {
                setOffset(band, static_cast<float>(row - l.trackTop - 4), l);
                effects.push_back({BandsEffect::FireValueChange, band});
            }
        }
    }
    effects.push_back({BandsEffect::Redraw});
    return effects;
}

BandsEffects BandsModel::mouseUp() {
    BandsEffects effects;
    if (dragging_) {
        dragging_ = false;
        effects.push_back({BandsEffect::FireMouseUp, 0});
    }
    effects.push_back({BandsEffect::ReleaseCapture});
    return effects;
}

BandsEffects BandsModel::tick(bool pointerInside) {
    if (pointerInside || dragging_ || !anyHovered()) return {};
    hover_.fill(false);
    return {{BandsEffect::Redraw}};
}

}  // namespace sondrel
