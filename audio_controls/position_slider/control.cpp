#include "control_class.h"
#include "controls.h"
#include "position_slider/slider_view.h"
#include "slider_control.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioSliderType2);

class AudioSliderType2 final : public SliderControl<IAudioSliderType2> {
public:
    AudioSliderType2()
        : SliderControl(kClass, SliderModel::kTimerInterval,
                        {DISPID_SLIDER_MOUSEDOWN, DISPID_SLIDER_MOUSEUP, DISPID_SLIDER_VALUECHANGE}) {
        setExtentPixels(150, 15);
    }
    ~AudioSliderType2() override { stopTimer(); }

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
            default: return sizeMessage(msg, lParam, result);
        }
    }

private:
    // Also what the button does with its position, after its own effects (a MouseDown handler
    // may have changed the range or the size).
    void mouseMove(int x, int y) {
        showCursor(model_.orientation() != 0, model_.ownsCursor());
        model_.mouseMove(x, y, pixels(extentPixels()));
    }

    SliderModel model_;
};

}  // namespace

HRESULT createAudioSliderType2(REFIID riid, void** out) {
    return activex::createInstance<AudioSliderType2>(riid, out);
}

}  // namespace sondrel
