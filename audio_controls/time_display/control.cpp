#include "audio_control.h"
#include "control_class.h"
#include "controls.h"
#include "time_display/time_display_view.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioTimeDisplayType1);

class AudioTimeDisplayType1 final : public AudioControl<IAudioTimeDisplayType1> {
public:
    AudioTimeDisplayType1() : AudioControl(kClass) { setExtentPixels(100, 22); }

    HRESULT SetTime(LONG ms) override { return changed(model_.setTime(ms)); }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override { return changed(model_.putBorderType(v)); }
    HRESULT get_DigitStyle(LONG* v) override { return *v = model_.digitStyle(), S_OK; }
    HRESULT put_DigitStyle(LONG v) override { return changed(model_.putDigitStyle(v)); }
    HRESULT get_ShowHours(VARIANT_BOOL* v) override { return *v = model_.showHours(), S_OK; }
    HRESULT put_ShowHours(VARIANT_BOOL v) override { return changed(model_.putShowHours(v)); }
    HRESULT get_ShowMinutes(VARIANT_BOOL* v) override { return *v = model_.showMinutes(), S_OK; }
    HRESULT put_ShowMinutes(VARIANT_BOOL v) override { return changed(model_.putShowMinutes(v)); }
    HRESULT get_ShowSeconds(VARIANT_BOOL* v) override { return *v = model_.showSeconds(), S_OK; }
    HRESULT put_ShowSeconds(VARIANT_BOOL v) override { return changed(model_.putShowSeconds(v)); }
    HRESULT get_ShowMilliseconds(VARIANT_BOOL* v) override { return *v = model_.showMilliseconds(), S_OK; }
    HRESULT put_ShowMilliseconds(VARIANT_BOOL v) override { return changed(model_.putShowMilliseconds(v)); }
    HRESULT get_ShowInscriptions(VARIANT_BOOL* v) override { return *v = model_.showInscriptions, S_OK; }
    HRESULT put_ShowInscriptions(VARIANT_BOOL v) override { return model_.showInscriptions = v, changed(true); }
    HRESULT get_Hours(LONG* v) override { return *v = model_.hours(), S_OK; }
    HRESULT put_Hours(LONG v) override { return changed(model_.putHours(v)); }
    HRESULT get_Minutes(LONG* v) override { return *v = model_.minutes(), S_OK; }
    HRESULT put_Minutes(LONG v) override { return changed(model_.putMinutes(v)); }
    HRESULT get_Seconds(LONG* v) override { return *v = model_.seconds(), S_OK; }
    HRESULT put_Seconds(LONG v) override { return changed(model_.putSeconds(v)); }
    HRESULT get_Milliseconds(LONG* v) override { return *v = model_.milliseconds(), S_OK; }
    HRESULT put_Milliseconds(LONG v) override { return changed(model_.putMilliseconds(v)); }
    HRESULT get_DisplayColor(OLE_COLOR* v) override { return *v = model_.displayColor, S_OK; }
    HRESULT put_DisplayColor(OLE_COLOR v) override { return model_.displayColor = v, changed(true); }
    HRESULT get_DigitColor(OLE_COLOR* v) override { return *v = model_.digitColor, S_OK; }
    HRESULT put_DigitColor(OLE_COLOR v) override { return model_.digitColor = v, changed(true); }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = model_.borderColor, S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return model_.borderColor = v, changed(true); }
    HRESULT get_InscriptionsColor(OLE_COLOR* v) override { return *v = model_.inscriptionsColor, S_OK; }
    HRESULT put_InscriptionsColor(OLE_COLOR v) override { return model_.inscriptionsColor = v, changed(true); }

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return model_.adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override { drawTimeDisplay(hdc, bounds, model_); }

private:
    HRESULT changed(bool redraw) {
        if (!redraw) return S_OK;
        if (inPlaceActive()) {
            // Only enlarges the position rectangle to the minimum size.
            const RECT& r = posRect();
            PixelSize s = model_.adjustSize({r.right - r.left, r.bottom - r.top});
            if (s.cx != r.right - r.left || s.cy != r.bottom - r.top)
                reportPosRect(RECT{r.left, r.top, r.left + s.cx, r.top + s.cy});
        }
        redrawNow();
        return S_OK;
    }

    TimeDisplayModel model_;
};

}  // namespace

HRESULT createAudioTimeDisplayType1(REFIID riid, void** out) {
    return activex::createInstance<AudioTimeDisplayType1>(riid, out);
}

}  // namespace sondrel
