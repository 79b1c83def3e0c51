#include "animated_control.h"
#include "band_sliders/bands_view.h"
#include "control_class.h"
#include "controls.h"
#include "resources.h"

#include <algorithm>

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioSlidersBands);

constexpr LONG kMinWidth = 300;
constexpr LONG kMinHeight = 90;

PixelSize adjustSize(PixelSize offered) { return {std::max(offered.cx, kMinWidth), std::max(offered.cy, kMinHeight)}; }

class AudioSlidersBands final : public AnimatedControl<IAudioSlidersBands> {
public:
    AudioSlidersBands() : AnimatedControl(kClass, BandsModel::kTimerInterval) {
        setExtentPixels(kMinWidth, kMinHeight);
        thumb_ = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(IDB_BAND_THUMB));
        draggedThumb_ = LoadBitmapA(moduleInstance(), MAKEINTRESOURCEA(IDB_BAND_THUMB_DRAGGED));
    }
    ~AudioSlidersBands() override {
        stopTimer();
        if (thumb_) DeleteObject(thumb_);
        if (draggedThumb_) DeleteObject(draggedThumb_);
    }

    HRESULT onTick() override {
        if (!inPlaceActive()) return S_OK;
        const POINT p = cursorPosition(window());
        const SIZE size = extentPixels();
        const bool inside = p.x >= 0 && p.y >= 0 && p.x < size.cx && p.y < size.cy;
        return apply(model_.tick(inside));
    }
    HRESULT get_BandCount(LONG* v) override { return *v = model_.bandCount(), S_OK; }
    HRESULT put_BandCount(LONG) override { return S_OK; }
    HRESULT get_BandNum(LONG* v) override { return *v = model_.bandNum(), S_OK; }
    HRESULT put_BandNum(LONG v) override { return model_.putBandNum(v), redraw(); }
    HRESULT get_BandValue(FLOAT* v) override { return *v = model_.bandValue(), S_OK; }
    HRESULT put_BandValue(FLOAT v) override { return model_.putBandValue(v) ? redraw() : S_OK; }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override { return model_.putBorderType(v), redraw(); }
    HRESULT get_HorizontalInscriptions(VARIANT_BOOL* v) override { return *v = model_.horizontalInscriptions(), S_OK; }
    HRESULT put_HorizontalInscriptions(VARIANT_BOOL v) override { return model_.putHorizontalInscriptions(v), redraw(); }
    HRESULT get_ScaleYVisible(VARIANT_BOOL* v) override { return *v = model_.scaleYVisible, S_OK; }
    HRESULT put_ScaleYVisible(VARIANT_BOOL v) override { return model_.scaleYVisible = v, redraw(); }
    HRESULT get_Max(SHORT* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(SHORT v) override { return model_.putMax(v), redraw(); }
    HRESULT get_Min(SHORT* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(SHORT v) override { return model_.putMin(v), redraw(); }
    HRESULT get_SliderType(LONG* v) override { return *v = model_.sliderType(), S_OK; }
    HRESULT put_SliderType(LONG v) override { return model_.putSliderType(v), redraw(); }
    HRESULT get_InscriptionsColor(OLE_COLOR* v) override { return *v = model_.inscriptionsColor, S_OK; }
    HRESULT put_InscriptionsColor(OLE_COLOR v) override { return model_.inscriptionsColor = v, redraw(); }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = model_.borderColor, S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return model_.borderColor = v, redraw(); }
    HRESULT get_TickColor(OLE_COLOR* v) override { return *v = model_.tickColor, S_OK; }
    HRESULT put_TickColor(OLE_COLOR v) override { return model_.tickColor = v, redraw(); }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, redraw(); }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = model_.backColor, S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return model_.backColor = v, redraw(); }
    HRESULT get_SliderColor(OLE_COLOR* v) override { return *v = model_.sliderColor, S_OK; }
    HRESULT put_SliderColor(OLE_COLOR v) override { return model_.sliderColor = v, redraw(); }
    HRESULT get_Slider2BackColor(OLE_COLOR* v) override { return *v = model_.slider2BackColor, S_OK; }
    HRESULT put_Slider2BackColor(OLE_COLOR v) override { return model_.slider2BackColor = v, redraw(); }
    HRESULT get_TicksFrequency(SHORT* v) override { return *v = model_.ticksFrequency(), S_OK; }
    HRESULT put_TicksFrequency(SHORT v) override { return model_.putTicksFrequency(v) ? redraw() : S_OK; }
    HRESULT get_ShowTicks(VARIANT_BOOL* v) override { return *v = model_.showTicks, S_OK; }
    HRESULT put_ShowTicks(VARIANT_BOOL v) override { return model_.showTicks = v, redraw(); }

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override { drawBands(hdc, bounds, model_, thumb_, draggedThumb_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        const PixelSize size = pixels(extentPixels());
        switch (msg) {
            case WM_LBUTTONDOWN: apply(model_.mouseDown(x, y, size)); return false;
            case WM_MOUSEMOVE: apply(model_.mouseMove(x, y, size)); return false;
            case WM_LBUTTONUP: apply(model_.mouseUp()); return false;
            case WM_SIZE:
                reportRuledSize(lParam);
                *result = 0;
                return true;
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
    HRESULT apply(const BandsEffects& effects) {
        for (const BandsEffect& e : effects) {
            activex::EventArgs args;
            switch (e.kind) {
                case BandsEffect::Redraw: redraw(); break;
                case BandsEffect::FireMouseDown: fireEvent(DISPID_BANDS_MOUSEDOWN, args.i4(e.band)); break;
                case BandsEffect::FireMouseUp: fireEvent(DISPID_BANDS_MOUSEUP, args.i4(e.band)); break;
                case BandsEffect::FireValueChange: fireEvent(DISPID_BANDS_VALUECHANGE, args.i4(e.band)); break;
                case BandsEffect::Capture: SetCapture(window()); break;
                case BandsEffect::ReleaseCapture: ReleaseCapture(); break;
            }
        }
        return S_OK;
    }

    BandsModel model_;
    HBITMAP thumb_ = nullptr;
    HBITMAP draggedThumb_ = nullptr;
};

}  // namespace

HRESULT createAudioSlidersBands(REFIID riid, void** out) {
    return activex::createInstance<AudioSlidersBands>(riid, out);
}

}  // namespace sondrel
