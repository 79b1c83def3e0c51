#include "transport_model.h"

#include <algorithm>

namespace sondrel {

namespace {

// The button mask bit that enables each part, by part code.
constexpr int kMaskBit[9] = {0, 0, 1, 2, 3, 4, 4, 5, 6};

}  // namespace

TransportModel::TransportModel(COLORREF face) : face_(argbFromColor(face)) {}

bool TransportModel::play() {
    if (recording_) return false;
    playing_ = true;
    paused_ = false;
    return true;
}

bool TransportModel::pause() {
    if (!playing_ && !recording_) return false;
    paused_ = true;
    return true;
}

bool TransportModel::stop() {
    if (!playing_ && !recording_) return false;
    playing_ = false;
    recording_ = false;
    return true;
}

bool TransportModel::record() {
    if (!showsRecord() || playing_) return false;
    recording_ = true;
    paused_ = false;
    return true;
}

void TransportModel::putColor(OLE_COLOR color) {
    face_ = argbFromColor(color);
    Hsv hsv = hsvFromColor(colorFromArgb(face_));
    // A face darker than the step gets a black shade rather than a wrapped-around one.
    shade_ = argbFromColor(colorFromHsv(hsv.hue, hsv.saturation, std::max(hsv.value - 63, 0)));
}

void TransportModel::putEnableButtons(BYTE mask) {
    mask_ = mask;
    for (int bit = 0; bit < 7; ++bit) buttonFlags_[bit] = (mask >> bit) & 1;
}

LONG TransportModel::minWidth() const {
    return 77 + (showsRecord() ? 24 : 0) + (showsPosition() ? 56 : 0) + (showsVolume() ? 142 : 0);
}

PixelSize TransportModel::adjustSize(PixelSize offered) const { return {std::max(offered.cx, minWidth()), kHeight}; }

PartRect TransportModel::rectOf(TransportPart part, int x, int y, int right) const {
    const int p = x + positionOffset();
    switch (part) {
        case kPlayPart: return {x + 4, y + 3, 22, 20};
        case kPausePart: return {x + 28, y + 3, 21, 20};
        case kStopPart: return {x + 51, y + 3, 21, 20};
        case kRecordPart: return {x + 76, y + 3, 21, 20};
        case kGoToStartPart: return {p, y + 3, 21, 20};
        case kGoToEndPart: return {p + 23, y + 3, 21, 20};
        case kMutePart: return {right - 80, y + 3, 21, 20};
        case kVolumePart: return {right - 54, y + 4, 49, 17};
        default: return {0, 0, 0, 0};
    }
}

bool TransportModel::anyPressed() const { return std::find(pressed_.begin(), pressed_.end(), true) != pressed_.end(); }

void TransportModel::setHover(TransportPart part, bool over, bool allowed) {
    if (!over) hover_[part] = false;
    else if (allowed) hover_[part] = true;
}

TransportEffects TransportModel::mouseDown(int x, int y, int width) {
    if (!enabled()) return {};
    TransportEffects effects{{TransportEffect::Capture}};
    const bool transporting = playing_ || recording_;
    bool hit = false, volumeHit = false;
    auto press = [&](TransportPart part, bool allowed) {
        if (!allowed || !buttonFlags_[kMaskBit[part]] || !rectOf(part, 0, 0, width).contains(x, y)) return false;
        pressed_[part] = true;
        hover_[part] = false;
        lastPart_ = part;
        hit = true;
        return true;
    };
    press(kRecordPart, showsRecord() && !playing_);
    if (press(kVolumePart, showsVolume())) {
        volume_ = static_cast<float>(std::clamp(x - (width - 54) - 4, 0, 41));
        volumeHit = true;
    }
    press(kMutePart, showsVolume());
    press(kPlayPart, !recording_);
    press(kPausePart, transporting);
    press(kStopPart, transporting);
    press(kGoToStartPart, showsPosition() && !recording_);
    press(kGoToEndPart, showsPosition() && !recording_);
    effects.push_back({TransportEffect::Redraw});
    if (hit) effects.push_back({TransportEffect::FireMouseDown, lastPart_});
    if (volumeHit) effects.push_back({TransportEffect::FireChangeVolume, volumeEventValue()});
    return effects;
}

TransportEffects TransportModel::mouseMove(int x, int y, int width) {
    if (!enabled()) return {};
    TransportEffects effects;
    auto over = [&](TransportPart part) { return rectOf(part, 0, 0, width).contains(x, y); };
    const bool drag = dragging();

    if (showsRecord())
        setHover(kRecordPart, over(kRecordPart),
                 !playing_ && !pressed_[kRecordPart] && !pressed_[kMutePart] && !drag && buttonFlags_[3]);

    if (drag) {
        const int left = width - 54;
        const int t = std::clamp(x, width - 50, width - 9) - 4;
        bool moved = false;
        for (int at = left + static_cast<int>(volume_); at != t; at = left + static_cast<int>(volume_)) {
            volume_ += t > at ? 1.0f : -1.0f;
            effects.push_back({TransportEffect::FireChangeVolume, volumeEventValue()});
            moved = true;
        }
        if (!moved && (x < width - 50 || x > width - 9))
            effects.push_back({TransportEffect::FireChangeVolume, volumeEventValue()});
    }

    const bool buttonHeld = pressed_[kPlayPart] || pressed_[kPausePart] || pressed_[kStopPart] || pressed_[kMutePart];
    if (showsVolume()) setHover(kMutePart, over(kMutePart), !buttonHeld && !drag && buttonFlags_[5]);
    if (buttonHeld) {
        effects.push_back({TransportEffect::Redraw});
        return effects;
    }
    if (!drag) {
        setHover(kPlayPart, over(kPlayPart), !recording_ && buttonFlags_[0]);
        setHover(kPausePart, over(kPausePart), buttonFlags_[1]);
        setHover(kStopPart, over(kStopPart), (playing_ || recording_) && buttonFlags_[2]);
        if (showsPosition()) {
            setHover(kGoToStartPart, over(kGoToStartPart),
                     !pressed_[kGoToStartPart] && !recording_ && buttonFlags_[4]);
            setHover(kGoToEndPart, over(kGoToEndPart), !pressed_[kGoToEndPart] && !recording_ && buttonFlags_[4]);
        }
    }
    effects.push_back({TransportEffect::Redraw});
    return effects;
}

TransportEffects TransportModel::mouseUp(int x, int y, int width) {
    TransportEffects effects{{TransportEffect::ReleaseCapture}};
    const bool any = anyPressed();
    auto released = [&](TransportPart part) { return pressed_[part] && rectOf(part, 0, 0, width).contains(x, y); };
    if (released(kRecordPart)) {
        recording_ = true;
        paused_ = false;
    }
    if (released(kMutePart)) mute_ = mute_ ? VARIANT_FALSE : VARIANT_TRUE;
    if (released(kPlayPart) && !recording_) {
        playing_ = true;
        paused_ = false;
    }
    if (released(kPausePart)) paused_ = true;
    if (released(kStopPart)) {
        playing_ = false;
        recording_ = false;
    }
    pressed_.fill(false);
    effects.push_back({TransportEffect::Redraw});
    if (any) {
        effects.push_back({TransportEffect::FireMouseClick, lastPart_});
        effects.push_back({TransportEffect::FireMouseUp});
    }
    return effects;
}

TransportEffects TransportModel::tick(bool pointerInside) {
    if (pointerInside || std::find(hover_.begin(), hover_.end(), true) == hover_.end()) return {};
    hover_.fill(false);
    return {{TransportEffect::Redraw}};
}

}  // namespace sondrel
