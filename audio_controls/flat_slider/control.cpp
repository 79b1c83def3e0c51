#include "control_class.h"
#include "controls.h"
#include "flat_slider/flat_slider_view.h"
#include "slider_control.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioFlatSlider);

class AudioFlatSlider final : public SliderControl<IAudioFlatSlider> {
public:
    AudioFlatSlider()
        : SliderControl(kClass, FlatSliderModel::kTimerInterval,
                        {DISPID_FLATSLIDER_MOUSEDOWN, DISPID_FLATSLIDER_MOUSEUP, DISPID_FLATSLIDER_VALUECHANGE}) {
        setExtentPixels(15, 150);
    }
    ~AudioFlatSlider() override { stopTimer(); }

    HRESULT onTick() override {
        if (!inPlaceActive()) return S_OK;
        const POINT p = cursorPosition(window());
        const SIZE s = extentPixels();
        const bool inside = p.x >= 0 && p.y >= 0 && p.x < s.cx && p.y < s.cy;
        return apply(model_.tick(true, inside));
    }
    HRESULT SetValue(LONG v) override { return apply(model_.setValue(v)); }
    // The control paints the button face and keeps no colour of its own.
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = 0x80000000 | COLOR_BTNFACE, S_OK; }
    HRESULT put_BackColor(OLE_COLOR) override { return redraw(), S_OK; }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return apply(model_.putMax(v)); }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(LONG v) override { return apply(model_.putMin(v)); }
    HRESULT get_Orientation(LONG* v) override { return *v = model_.orientation(), S_OK; }
    HRESULT put_Orientation(LONG v) override {
        const LONG before = model_.orientation();
        PixelSize resize{};
        if (const char* error = model_.putOrientation(v, pixels(extentPixels()), &resize)) return check(error);
        return v == before ? S_OK : resizeAndRedraw(resize);
    }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }
    HRESULT get_TrackBorderColor(OLE_COLOR* v) override { return *v = model_.trackBorderColor, S_OK; }
    HRESULT put_TrackBorderColor(OLE_COLOR v) override { return model_.trackBorderColor = v, redraw(), S_OK; }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, S_OK; }
    HRESULT get_TrackStyle(LONG* v) override { return *v = model_.trackStyle, S_OK; }
    HRESULT put_TrackStyle(LONG v) override { return model_.trackStyle = v, redraw(), S_OK; }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed, S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return model_.speed = v, S_OK; }
    HRESULT get_TrackColor(OLE_COLOR* v) override { return *v = model_.trackColor, S_OK; }
    HRESULT put_TrackColor(OLE_COLOR v) override { return model_.trackColor = v, redraw(), S_OK; }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override { return apply(model_.putValue(v, inPlaceActive())); }
    HRESULT get_ThumbLength(LONG* v) override { return *v = model_.thumbLength, S_OK; }
    HRESULT put_ThumbLength(LONG v) override { return model_.thumbLength = v, redraw(), S_OK; }
    HRESULT get_TrackWidth(LONG* v) override { return *v = model_.trackWidth, S_OK; }
    HRESULT put_TrackWidth(LONG v) override { return model_.trackWidth = v, redraw(), S_OK; }
    HRESULT get_Ticks(VARIANT_BOOL* v) override { return *v = model_.ticks, S_OK; }
    HRESULT put_Ticks(VARIANT_BOOL v) override { return model_.ticks = v, redraw(), S_OK; }

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return model_.adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override { drawFlatSlider(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        dragMessage(model_, msg, lParam);
        return sizeMessage(msg, lParam, result);
    }

private:
    FlatSliderModel model_;
};

}  // namespace

HRESULT createAudioFlatSlider(REFIID riid, void** out) { return activex::createInstance<AudioFlatSlider>(riid, out); }

}  // namespace sondrel
