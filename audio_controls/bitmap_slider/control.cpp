#include "bitmap_slider/bitmap_slider_view.h"
#include "bitmap_slider/thumb_artwork.h"
#include "control_class.h"
#include "controls.h"
#include "slider_control.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioSliderType1);

class AudioSliderType1 final : public SliderControl<IAudioSliderType1> {
public:
    AudioSliderType1()
        : SliderControl(kClass, BitmapSliderModel::kTimerInterval,
                        {DISPID_SLIDER1_MOUSEDOWN, DISPID_SLIDER1_MOUSEUP, DISPID_SLIDER1_VALUECHANGE}) {
        setExtentPixels(150, model_.thickness());
        for (LONG orientation = 0; orientation < 2; ++orientation)
            for (LONG size = 0; size < 3; ++size)
                for (int pushed = 0; pushed < 2; ++pushed)
                    thumbs_[orientation][size][pushed] = LoadBitmapA(
                        moduleInstance(), MAKEINTRESOURCEA(thumbBitmapId(orientation, size, pushed != 0)));
    }
    ~AudioSliderType1() override {
        stopTimer();
        for (auto& orientation : thumbs_)
            for (auto& size : orientation)
                for (HBITMAP bitmap : size)
                    if (bitmap) DeleteObject(bitmap);
    }

    HRESULT onTick() override {
        return apply(model_.tick(inPlaceActive()));
    }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = model_.backColor, S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return model_.backColor = v, redraw(), S_OK; }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = model_.borderColor, S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return model_.borderColor = v, redraw(), S_OK; }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override { return checkAndRedraw(model_.putBorderType(v)); }
    HRESULT get_Orientation(LONG* v) override { return *v = model_.orientation(), S_OK; }
    HRESULT put_Orientation(LONG v) override {
        const LONG before = model_.orientation();
        PixelSize resize{};
        if (const char* error = model_.putOrientation(v, pixels(extentPixels()), &resize)) return check(error);
        return v == before ? S_OK : resizeAndRedraw(resize);
    }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override { return apply(model_.putValue(v, inPlaceActive())); }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return apply(model_.putMax(v)); }
    HRESULT put_Min(LONG v) override { return apply(model_.putMin(v)); }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT get_Size(LONG* v) override { return *v = model_.size(), S_OK; }
    HRESULT put_Size(LONG v) override {
        PixelSize resize{};
        if (const char* error = model_.putSize(v, pixels(extentPixels()), &resize)) return check(error);
        return resizeAndRedraw(resize);
    }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, S_OK; }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed(), S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return check(model_.putSpeed(v)); }
    HRESULT get_PushEnabled(VARIANT_BOOL* v) override { return *v = model_.pushEnabled, S_OK; }
    HRESULT put_PushEnabled(VARIANT_BOOL v) override { return model_.pushEnabled = v, S_OK; }

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return model_.adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override {
        HBITMAP thumb = thumbs_[model_.vertical() ? 1 : 0][model_.size()][model_.pushed() ? 1 : 0];
        drawBitmapSlider(hdc, bounds, model_, thumb);
    }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        if (msg == WM_ERASEBKGND) {
            *result = 0;
            return true;
        }
        dragMessage(model_, msg, lParam);
        return sizeMessage(msg, lParam, result);
    }

private:
    BitmapSliderModel model_;
    HBITMAP thumbs_[2][3][2] = {};
};

}  // namespace

HRESULT createAudioSliderType1(REFIID riid, void** out) { return activex::createInstance<AudioSliderType1>(riid, out); }

}  // namespace sondrel
