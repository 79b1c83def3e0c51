#include "amp_bar/amp_bar_view.h"
#include "animated_control.h"
#include "control_class.h"
#include "controls.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioAmpBarType1);

class AudioAmpBarType1 final : public AnimatedControl<IAudioAmpBarType1> {
public:
    AudioAmpBarType1() : AnimatedControl(kClass, AmpBarModel::kTimerInterval) {
        setExtentPixels(150, 20);
    }
    ~AudioAmpBarType1() override { stopTimer(); }

    HRESULT onTick() override {
        if (model_.tick()) redraw();
        return S_OK;
    }
    HRESULT Move(LONG left, LONG top, LONG width, LONG height) override {
        SIZEL size = activex::pixelsToHimetric(SIZE{width, height});
        if (SUCCEEDED(SetExtent(DVASPECT_CONTENT, &size))) reportPosRect(RECT{left, top, left + width, top + height});
        return S_OK;
    }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override {
        if (model_.putValue(v, inPlaceActive())) redraw();
        return S_OK;
    }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override { return checkAndRedraw(model_.putBorderType(v)); }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(LONG v) override { return model_.putMin(v), redraw(), S_OK; }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return model_.putMax(v), redraw(), S_OK; }
    HRESULT get_Style(LONG* v) override { return *v = model_.style(), S_OK; }
    HRESULT put_Style(LONG v) override {
        if (model_.putStyle(v)) redraw();
        return S_OK;
    }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed(), S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return check(model_.putSpeed(v)); }
    HRESULT get_TickInterval(LONG* v) override { return *v = model_.tickInterval, S_OK; }
    HRESULT put_TickInterval(LONG v) override { return model_.tickInterval = v, redraw(), S_OK; }
    HRESULT get_TickWidth(LONG* v) override { return *v = model_.tickWidth, S_OK; }
    HRESULT put_TickWidth(LONG v) override { return model_.tickWidth = v, redraw(), S_OK; }
    HRESULT get_PickWidthPercent(LONG* v) override { return *v = model_.pickWidthPercent, S_OK; }
    HRESULT put_PickWidthPercent(LONG v) override { return model_.pickWidthPercent = v, redraw(), S_OK; }
    HRESULT get_TickColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.tickColor), S_OK; }
    HRESULT put_TickColor(OLE_COLOR v) override { return colour(&model_.tickColor, v); }
    HRESULT get_PickColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.pickColor), S_OK; }
    HRESULT put_PickColor(OLE_COLOR v) override { return colour(&model_.pickColor, v); }
    HRESULT get_TickBackColor(OLE_COLOR* v) override {
        return *v = colorFromArgb(model_.tickBackColor), S_OK;
    }
    HRESULT put_TickBackColor(OLE_COLOR v) override { return colour(&model_.tickBackColor, v); }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.backColor), S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return colour(&model_.backColor, v); }
    HRESULT get_Orientation(LONG* v) override { return *v = model_.orientation(), S_OK; }
    HRESULT put_Orientation(LONG v) override { return checkAndRedraw(model_.putOrientation(v)); }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.borderColor), S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return colour(&model_.borderColor, v); }

protected:
    void onDraw(HDC hdc, const RECT& bounds) override { drawAmpBar(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
        if (msg != WM_ERASEBKGND) return false;
        *result = 0;
        return true;
    }

private:
    HRESULT colour(ARGB* field, OLE_COLOR v) {
        *field = argbFromColor(v);
        redraw();
        return S_OK;
    }

    GdiplusSession gdiplus_;
    AmpBarModel model_;
};

}  // namespace

HRESULT createAudioAmpBarType1(REFIID riid, void** out) {
    return activex::createInstance<AudioAmpBarType1>(riid, out);
}

}  // namespace sondrel
