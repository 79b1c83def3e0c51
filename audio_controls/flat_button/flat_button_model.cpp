#include "flat_button/flat_button_model.h"

namespace sondrel {

FlatButtonEffects FlatButtonModel::mouseDown() {
    if (!enabled()) return {};
    pressed_ = true;
    return {{FlatButtonEffect::Capture}, {FlatButtonEffect::Redraw}, {FlatButtonEffect::FireMouseDown}};
}

FlatButtonEffects FlatButtonModel::mouseUp(bool inside) {
    if (!enabled()) {
        // Disabled while held: the capture taken by the press goes, and nothing is reported.
        if (!pressed_) return {};
        pressed_ = false;
        return {{FlatButtonEffect::ReleaseCapture}, {FlatButtonEffect::Redraw}};
    }
    FlatButtonEffects effects{{FlatButtonEffect::ReleaseCapture}};
    if (inside && pressed_) effects.push_back({FlatButtonEffect::FireMouseClick});
    pressed_ = false;
    effects.push_back({FlatButtonEffect::Redraw});
    effects.push_back({FlatButtonEffect::FireMouseUp});
    return effects;
}

FlatButtonEffects FlatButtonModel::tick(bool pointerInside) {
    if (!enabled() || outside_ == !pointerInside) return {};
    outside_ = !pointerInside;
    return {{FlatButtonEffect::Redraw}};
}

}  // namespace sondrel
