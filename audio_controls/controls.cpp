#include "controls.h"

#include "activex/control.h"
#include "animation_timer.h"
#include "drawing.h"
#include "registration.h"
#include "resources.h"
#include "slider_model.h"
#include "time_display_model.h"

namespace sondrel {

namespace {

// Counts the live controls for the unload check; the classes and their registration are this
// library's own (registration.cpp).
activex::Module controlModule(nullptr, {});

const ClassInfo& classNamed(const char* name) {
    for (const ClassInfo& c : kClasses)
        if (std::string(c.name) == name) return c;
    return kClasses[0];
}

std::vector<activex::PropertyEntry> sizeOnly() { return {activex::extentWidthEntry(), activex::extentHeightEntry()}; }

activex::ControlClass controlClass(const ClassInfo& c) {
    return activex::ControlClass{controlModule, c.clsid, c.progId, *c.coclass, *c.dual, c.events, kOleMisc,
                                 sizeOnly()};
}

const activex::ControlClass kSliderClass = controlClass(classNamed("AudioSliderType2"));
const activex::ControlClass kTimeDisplayClass = controlClass(classNamed("AudioTimeDisplayType1"));

PixelSize pixels(SIZE s) { return {s.cx, s.cy}; }

class AudioSliderType2 final : public activex::Control<IAudioSliderType2> {
public:
    AudioSliderType2() : Control(kSliderClass) {
        setExtentPixels(150, 15);
        horizontal_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_HORIZONTAL));
        vertical_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_VERTICAL));
    }
    ~AudioSliderType2() override {
        timer_.stop();
        if (horizontal_) DestroyCursor(horizontal_);
        if (vertical_) DestroyCursor(vertical_);
    }

    HRESULT _OnTimer() override {
        AnimationTimer::Tick tick(timer_);
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
        if (const char* error = model_.putOrientation(v, pixels(extentPixels()), &resize))
            return rangeError(kSliderClass.clsid, error);
        if (v == before) return S_OK;
        resizeToPixels(resize.cx, resize.cy);
        redraw();
        return S_OK;
    }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = model_.backColor, S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return model_.backColor = v, redraw(), S_OK; }
    HRESULT get_StripColor(OLE_COLOR* v) override { return *v = model_.stripColor, S_OK; }
    HRESULT put_StripColor(OLE_COLOR v) override { return model_.stripColor = v, redraw(), S_OK; }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = model_.borderColor, S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return model_.borderColor = v, redraw(), S_OK; }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override {
        HRESULT hr = check(model_.putBorderType(v));
        if (SUCCEEDED(hr)) redraw();
        return hr;
    }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }

    HRESULT SetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        PixelSize px = model_.adjustSize(pixels(activex::himetricToPixels(*size)));
        SIZEL adjusted = activex::pixelsToHimetric(SIZE{px.cx, px.cy});
        return ControlBase::SetExtent(aspect, &adjusted);
    }
    // A host that closes or drops the control without deactivating it stops its thread too,
    // which holds a reference to the control.
    HRESULT Close(DWORD saveOption) override {
        timer_.stop();
        return ControlBase::Close(saveOption);
    }
    HRESULT SetClientSite(IOleClientSite* site) override {
        if (!site) timer_.stop();
        return ControlBase::SetClientSite(site);
    }
    HRESULT InPlaceDeactivate() override {
        timer_.stop();
        return ControlBase::InPlaceDeactivate();
    }

protected:
    HRESULT doVerbShow() override { return started(ControlBase::doVerbShow()); }
    HRESULT doVerbInPlaceActivate() override {
        HRESULT hr = inPlaceActivate(OLEIVERB_INPLACEACTIVATE);
        startTimer();
        if (FAILED(hr)) return hr;
        fireViewChange();
        return S_OK;
    }
    HRESULT doVerbUIActivate() override {
        if (uiActive()) return S_OK;
        return started(ControlBase::doVerbUIActivate());
    }

    void onDraw(HDC hdc, const RECT& bounds) override { drawSlider(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        const PixelSize size = pixels(extentPixels());
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN:
                apply(model_.mouseDown(x, y, size));
                return false;
            case WM_MOUSEMOVE: {
                HCURSOR own = model_.orientation() == 0 ? horizontal_ : vertical_;
                if (model_.ownsCursor() && GetCursor() != own) SetCursor(own);
                apply(model_.mouseMove(x, y, size));
                return false;
            }
            case WM_LBUTTONUP:
                apply(model_.mouseUp(x, y, size));
                return false;
            case WM_SIZE: {
                PixelSize s = model_.adjustSize({LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam))});
                if (inPlaceActive() && inPlaceSite()) {
                    RECT r{posRect().left, posRect().top, posRect().left + s.cx, posRect().top + s.cy};
                    inPlaceSite()->OnPosRectChange(&r);
                }
                *result = 0;
                return true;
            }
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
    HRESULT started(HRESULT hr) {
        startTimer();
        return FAILED(hr) ? hr : S_OK;
    }
    void startTimer() { timer_.start(this, IID_IAudioSliderType2, SliderModel::kTimerInterval); }
    HRESULT check(const char* error) { return error ? rangeError(kSliderClass.clsid, error) : S_OK; }

    void redraw() {
        if (inPlaceActive()) keepSize(posRect());
        redrawNow();
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
    AnimationTimer timer_;
    HCURSOR horizontal_ = nullptr;
    HCURSOR vertical_ = nullptr;
};

class AudioTimeDisplayType1 final : public activex::Control<IAudioTimeDisplayType1> {
public:
    AudioTimeDisplayType1() : Control(kTimeDisplayClass) { setExtentPixels(100, 22); }

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

    HRESULT SetExtent(DWORD aspect, SIZEL* size) override {
        if (!size) return E_POINTER;
        PixelSize px = model_.adjustSize(pixels(activex::himetricToPixels(*size)));
        SIZEL adjusted = activex::pixelsToHimetric(SIZE{px.cx, px.cy});
        return ControlBase::SetExtent(aspect, &adjusted);
    }

protected:
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

bool controlAvailable(REFCLSID clsid) {
    return clsid == classNamed("AudioSliderType2").clsid || clsid == classNamed("AudioTimeDisplayType1").clsid;
}

HRESULT createControl(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid == kSliderClass.clsid) return activex::createInstance<AudioSliderType2>(riid, out);
    if (clsid == kTimeDisplayClass.clsid) return activex::createInstance<AudioTimeDisplayType1>(riid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

long liveControls() { return controlModule.objectCount(); }

}  // namespace sondrel
