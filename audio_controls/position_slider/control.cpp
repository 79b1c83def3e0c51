#include "animated_control.h"
#include "control_class.h"
#include "controls.h"
#include "position_slider/slider_view.h"
#include "resources.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioSliderType2);

class AudioSliderType2 final : public AnimatedControl<IAudioSliderType2> {
public:
    AudioSliderType2() : AnimatedControl(kClass, SliderModel::kTimerInterval) {
        setExtentPixels(150, 15);
        horizontal_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_HORIZONTAL));
        vertical_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_VERTICAL));
    }
    ~AudioSliderType2() override {
        stopTimer();
        if (horizontal_) DestroyCursor(horizontal_);
        if (vertical_) DestroyCursor(vertical_);
    }

    HRESULT onTick() override {
        apply(model_.tick(inPlaceActive()));
        return S_OK;
    }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, S_OK; }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return apply(model_.putMax(v)); }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(LONG v) override { return apply(model_.putMin(v)); }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override { return apply(model_.putValue(v, inPlaceActive())); }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed(), S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return check(model_.putSpeed(v)); }
    HRESULT get_Orientation(LONG* v) override { return *v = model_.orientation(), S_OK; }
    HRESULT put_Orientation(LONG v) override {
        LONG before = model_.orientation();
        PixelSize resize{};
        if (const char* error = model_.putOrientation(v, pixels(extentPixels()), &resize)) return check(error);
        return v == before ? S_OK : resizeAndRedraw(resize);
    }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = model_.backColor, S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return model_.backColor = v, redraw(), S_OK; }
    HRESULT get_StripColor(OLE_COLOR* v) override { return *v = model_.stripColor, S_OK; }
    HRESULT put_StripColor(OLE_COLOR v) override { return model_.stripColor = v, redraw(), S_OK; }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = model_.borderColor, S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return model_.borderColor = v, redraw(), S_OK; }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override { return checkAndRedraw(model_.putBorderType(v)); }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return model_.adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override { drawSlider(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN:
                if (model_.enabled) {
                    apply(model_.mouseDown());
                    mouseMove(x, y);
                }
                return false;
            case WM_MOUSEMOVE: mouseMove(x, y); return false;
            case WM_LBUTTONUP:
                mouseMove(x, y);
                apply(model_.mouseUp());
                return false;
            case WM_SIZE:
                reportRuledSize(lParam);
                *result = 0;
                return true;
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
    // Also what the button does with its position, after its own effects (a MouseDown handler
    // may have changed the range or the size).
    void mouseMove(int x, int y) {
        HCURSOR own = model_.orientation() == 0 ? horizontal_ : vertical_;
        if (model_.ownsCursor() && GetCursor() != own) SetCursor(own);
        model_.mouseMove(x, y, pixels(extentPixels()));
    }

    HRESULT apply(const SliderEffects& effects) {
        for (const SliderEffect& e : effects) switch (e.kind) {
                case SliderEffect::Redraw: redraw(); break;
                case SliderEffect::FireMouseDown: fireEvent(DISPID_SLIDER_MOUSEDOWN); break;
                case SliderEffect::FireMouseUp: fireEvent(DISPID_SLIDER_MOUSEUP); break;
                case SliderEffect::FireValueChange: {
                    activex::EventArgs args;
                    args.i4(e.value);
                    fireEvent(DISPID_SLIDER_VALUECHANGE, args);
                    break;
                }
                case SliderEffect::Capture: SetCapture(window()); break;
                case SliderEffect::ReleaseCapture: ReleaseCapture(); break;
            }
        return S_OK;
    }

    SliderModel model_;
    HCURSOR horizontal_ = nullptr;
    HCURSOR vertical_ = nullptr;
};

}  // namespace

HRESULT createAudioSliderType2(REFIID riid, void** out) {
    return activex::createInstance<AudioSliderType2>(riid, out);
}

}  // namespace sondrel
