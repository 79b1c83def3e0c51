#include "cluster_model.h"

#include <cstdlib>

namespace sondrel {

using Effect = ClusterEffect;

int ClusterModel::partAt(int dx, int dy) {
    if (insideCircle(dx, dy, 25)) return kPlay;
    if (!insideCircle(dx, dy, 46)) return kNoPart;
    const long long ax = std::llabs(dx), ay = std::llabs(dy);
    if (ax > ay) return dx >= 1 ? kNext : kPrevious;
    return dy >= 1 ? kRecord : kStop;
}

ClusterModel::ClusterModel()
    : color(argbFromColor(GetSysColor(COLOR_BTNFACE))), backColor(argbFromColor(GetSysColor(COLOR_BTNFACE))) {}

ClusterEffects ClusterModel::putFlat(VARIANT_BOOL v) {
    if (v == flat_) return {};
    flat_ = v;
    pictureState_ = v ? kFlatState : 0;
    return {{Effect::Redraw}};
}

ClusterEffects ClusterModel::putPause(VARIANT_BOOL v) {
    if (v == pause_) return {};
    pause_ = v;
    return {{Effect::Redraw}};
}

ClusterEffects ClusterModel::putEnabled(int part, VARIANT_BOOL v) {
    if (v == enabled_[part]) return {};
    enabled_[part] = v;
    return {{Effect::Redraw}};
}

bool ClusterModel::putBorderType(LONG v) {
    if (v == borderType_) return false;
    borderType_ = v;
    return true;
}

void ClusterModel::showState(int state, ClusterEffects& effects) {
    if (state == pictureState_) return;
    pictureState_ = state;
    effects.push_back({Effect::Redraw});
}

ClusterEffects ClusterModel::mouseDown(int x, int y) {
    pressedPart_ = kNoPart;
    pictureState_ = 0;
    const int part = partOf(x, y);
    if (!live(part)) return {};
    pressedPart_ = pictureState_ = part;
    ClusterEffects effects{{Effect::FireMouseDown, part}};
    buttonDown_ = true;
    effects.push_back({Effect::Capture});
    for (const ClusterEffect& e : mouseMove(x, y)) effects.push_back(e);
    effects.push_back({Effect::Redraw});
    return effects;
}

ClusterEffects ClusterModel::mouseMove(int x, int y) {
    ClusterEffects effects;
    if (!buttonDown_) return effects;
    const int part = partOf(x, y);
    if (part != pressedPart_) showState(outsideCircle(x, y) && flat_ ? kFlatState : 0, effects);
    else showState(part, effects);
    return effects;
}

ClusterEffects ClusterModel::mouseUp(int x, int y) {
    ClusterEffects effects{{Effect::ReleaseCapture}};
    // A release that no press on a live part began reports nothing.
    if (!buttonDown_) return effects;
    const int part = partOf(x, y);
    if (part == pressedPart_ && live(part)) effects.push_back({Effect::FireMouseClick, part});
    buttonDown_ = false;
    effects.push_back({Effect::Redraw});
    if (live(pressedPart_)) effects.push_back({Effect::FireMouseUp});
    return effects;
}

ClusterEffects ClusterModel::tick(bool inPlaceActive, int x, int y) {
    ClusterEffects effects;
    if (!inPlaceActive || buttonDown_) return effects;
    showState(outsideCircle(x, y) && flat_ ? kFlatState : 0, effects);
    return effects;
}

}  // namespace sondrel
