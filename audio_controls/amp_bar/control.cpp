#include "amp_bar/amp_bar_view.h"
#include "animation_timer.h"
#include "control_class.h"
#include "controls.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioAmpBarType1);

class AudioAmpBarType1 final : public activex::Control<IAudioAmpBarType1> {
public:
    AudioAmpBarType1() : Control(kClass) {
        setExtentPixels(150, 20);
        GdiplusStartupInput input;
        if (GdiplusStartup(&gdiplus_, &input, nullptr) != Ok) gdiplus_ = 0;
    }
    ~AudioAmpBarType1() override {
        timer_.stop();
        if (gdiplus_) GdiplusShutdown(gdiplus_);
    }

    HRESULT _OnTimer() override {
        AnimationTimer::Tick tick(timer_);
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
    HRESULT put_BorderType(LONG v) override { return checked(model_.putBorderType(v)); }
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
    HRESULT put_Speed(DOUBLE v) override {
        const char* error = model_.putSpeed(v);
        return error ? rangeError(CLSID_AudioAmpBarType1, error) : S_OK;
    }
    HRESULT get_TickInterval(LONG* v) override { return *v = model_.tickInterval, S_OK; }
    HRESULT put_TickInterval(LONG v) override { return model_.tickInterval = v, redraw(), S_OK; }
    HRESULT get_TickWidth(LONG* v) override { return *v = model_.tickWidth, S_OK; }
    HRESULT put_TickWidth(LONG v) override { return model_.tickWidth = v, redraw(), S_OK; }
    HRESULT get_PickWidthPercent(LONG* v) override { return *v = model_.pickWidthPercent, S_OK; }
    HRESULT put_PickWidthPercent(LONG v) override { return model_.pickWidthPercent = v, redraw(), S_OK; }
    HRESULT get_TickColor(OLE_COLOR* v) override { return *v = AmpBarModel::oleColorOf(model_.tickColor), S_OK; }
    HRESULT put_TickColor(OLE_COLOR v) override { return colour(&model_.tickColor, v); }
    HRESULT get_PickColor(OLE_COLOR* v) override { return *v = AmpBarModel::oleColorOf(model_.pickColor), S_OK; }
    HRESULT put_PickColor(OLE_COLOR v) override { return colour(&model_.pickColor, v); }
    HRESULT get_TickBackColor(OLE_COLOR* v) override {
        return *v = AmpBarModel::oleColorOf(model_.tickBackColor), S_OK;
    }
    HRESULT put_TickBackColor(OLE_COLOR v) override { return colour(&model_.tickBackColor, v); }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = AmpBarModel::oleColorOf(model_.backColor), S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return colour(&model_.backColor, v); }
    HRESULT get_Orientation(LONG* v) override { return *v = model_.orientation(), S_OK; }
    HRESULT put_Orientation(LONG v) override { return checked(model_.putOrientation(v)); }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = AmpBarModel::oleColorOf(model_.borderColor), S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return colour(&model_.borderColor, v); }

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

    void onDraw(HDC hdc, const RECT& bounds) override { drawAmpBar(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
        if (msg != WM_ERASEBKGND) return false;
        *result = 0;
        return true;
    }

private:
    HRESULT started(HRESULT hr) {
        startTimer();
        return FAILED(hr) ? hr : S_OK;
    }
    void startTimer() { timer_.start(this, IID_IAudioAmpBarType1, AmpBarModel::kTimerInterval); }

    HRESULT checked(const char* error) {
        if (error) return rangeError(CLSID_AudioAmpBarType1, error);
        redraw();
        return S_OK;
    }
    HRESULT colour(ARGB* field, OLE_COLOR v) {
        *field = AmpBarModel::argbOf(v);
        redraw();
        return S_OK;
    }
    void redraw() {
        if (inPlaceActive()) keepSize(posRect());
        redrawNow();
    }

    AmpBarModel model_;
    ULONG_PTR gdiplus_ = 0;
    AnimationTimer timer_;
};

}  // namespace

HRESULT createAudioAmpBarType1(REFIID riid, void** out) {
    return activex::createInstance<AudioAmpBarType1>(riid, out);
}

}  // namespace sondrel
