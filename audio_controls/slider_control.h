#pragma once
// What the three slider controls share around their models: the two pointers of the track's
// orientations, the effects carried out with the class's own event dispids, and the window
// messages they answer alike.

#include "animated_control.h"
#include "glide_slider_model.h"
#include "resources.h"
#include "slider_effects.h"

namespace sondrel {

struct SliderEvents {
    DISPID mouseDown;
    DISPID mouseUp;
    DISPID valueChange;
};

template <class I>
class SliderControl : public AnimatedControl<I> {
public:
    SliderControl(const activex::ControlClass& cls, DWORD interval, SliderEvents events)
        : AnimatedControl<I>(cls, interval), events_(events) {
        horizontal_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_HORIZONTAL));
        vertical_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_VERTICAL));
    }
    // The derived destructor has stopped the timer by now, so no tick shows a cursor any more.
    ~SliderControl() override {
        if (horizontal_) DestroyCursor(horizontal_);
        if (vertical_) DestroyCursor(vertical_);
    }

protected:
    // The slider's own pointer for the orientation, while the control owns the pointer.
    void showCursor(bool vertical, bool owns) {
        const HCURSOR own = vertical ? vertical_ : horizontal_;
        if (owns && GetCursor() != own) SetCursor(own);
    }

    HRESULT apply(const SliderEffects& effects) {
        for (const SliderEffect& e : effects) switch (e.kind) {
                case SliderEffect::Redraw: this->redraw(); break;
                case SliderEffect::FireMouseDown: this->fireEvent(events_.mouseDown); break;
                case SliderEffect::FireMouseUp: this->fireEvent(events_.mouseUp); break;
                case SliderEffect::FireValueChange: {
                    activex::EventArgs args;
                    args.i4(e.value);
                    this->fireEvent(events_.valueChange, args);
                    break;
                }
                case SliderEffect::Capture: SetCapture(this->window()); break;
                case SliderEffect::ReleaseCapture: ReleaseCapture(); break;
            }
        return S_OK;
    }

    // WM_SIZE and WM_MOVE keep the position rectangle at the ruled size; true when answered.
    bool sizeMessage(UINT msg, LPARAM lParam, LRESULT* result) {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_SIZE:
                this->reportRuledSize(lParam);
                *result = 0;
                return true;
            case WM_MOVE: this->keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

    // The button and the pointer of a gliding slider's drag; the messages go on to the window.
    void dragMessage(GlideSliderModel& model, UINT msg, LPARAM lParam) {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        const RECT& pos = this->posRect();
        const PixelSize size{pos.right - pos.left, pos.bottom - pos.top};
        switch (msg) {
            case WM_LBUTTONDOWN:
                apply(model.mouseDown(x, y, size));
                showCursor(model.vertical(), model.ownsCursor());
                break;
            case WM_MOUSEMOVE:
                showCursor(model.vertical(), model.ownsCursor());
                apply(model.mouseMove(x, y, size));
                break;
            case WM_LBUTTONUP:
                showCursor(model.vertical(), model.ownsCursor());
                apply(model.mouseUp(x, y, size));
                break;
            default: break;
        }
    }

private:
    SliderEvents events_;
    HCURSOR horizontal_ = nullptr;
    HCURSOR vertical_ = nullptr;
};

}  // namespace sondrel
