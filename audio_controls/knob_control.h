#pragma once
// What the rotary controls and the volume wedge share on top of their base (animated or not):
// a knob model's effects carried out, with the knob events.

#include "activex/control.h"
#include "knob_input.h"
#include "step_knob/interface.h"

namespace sondrel {

template <class Base>
class KnobControl : public Base {
public:
    using Base::Base;

protected:
    HRESULT apply(const KnobEffects& effects) {
        for (const KnobEffect& e : effects) {
            activex::EventArgs args;
            switch (e.kind) {
                case KnobEffect::Redraw: this->redraw(); break;
                case KnobEffect::FireMouseClick:
                    this->fireEvent(DISPID_KNOB_MOUSECLICK, args.boolean(e.value != 0));
                    break;
                case KnobEffect::FireMouseDown:
                    this->fireEvent(DISPID_KNOB_MOUSEDOWN, args.boolean(e.value != 0));
                    break;
                case KnobEffect::FireMouseUp: this->fireEvent(DISPID_KNOB_MOUSEUP); break;
                case KnobEffect::FireValueChange: this->fireEvent(DISPID_KNOB_VALUECHANGE, args.i4(e.value)); break;
                case KnobEffect::Capture: SetCapture(this->window()); break;
                case KnobEffect::ReleaseCapture: ReleaseCapture(); break;
            }
        }
        return S_OK;
    }
};

}  // namespace sondrel
