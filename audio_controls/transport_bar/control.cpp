#include "animation_timer.h"
#include "control_class.h"
#include "controls.h"
#include "transport_bar/transport_view.h"

#include <algorithm>

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioPlayButtonType2);

class AudioPlayButtonType2 final : public activex::Control<IAudioPlayButtonType2> {
public:
    AudioPlayButtonType2() : Control(kClass), model_(GetSysColor(COLOR_BTNFACE)) {
        setExtentPixels(model_.minWidth(), TransportModel::kHeight);
        GdiplusStartupInput input;
        if (GdiplusStartup(&gdiplus_, &input, nullptr) != Ok) gdiplus_ = 0;
    }
    ~AudioPlayButtonType2() override {
        timer_.stop();
        if (gdiplus_) GdiplusShutdown(gdiplus_);
    }

    HRESULT _OnTimer() override {
        AnimationTimer::Tick tick(timer_);
        if (!inPlaceActive() || !window()) return S_OK;
        RECT client{};
        GetClientRect(window(), &client);
        apply(model_.tick(PtInRect(&client, cursorPosition(window()))));
        return S_OK;
    }
    HRESULT ChangeVolume(LONG volume) override { return model_.changeVolume(volume), redraw(), S_OK; }
    HRESULT Play() override { return transport(model_.play()); }
    HRESULT Pause() override { return transport(model_.pause()); }
    HRESULT Stop() override { return transport(model_.stop()); }
    HRESULT Record() override { return transport(model_.record()); }
    HRESULT get_BorderColor(OLE_COLOR* v) override { return *v = model_.borderColor(), S_OK; }
    HRESULT put_BorderColor(OLE_COLOR v) override { return model_.putBorderColor(v), redraw(), S_OK; }
    HRESULT get_Color(OLE_COLOR* v) override { return *v = model_.color(), S_OK; }
    HRESULT put_Color(OLE_COLOR v) override { return model_.putColor(v), redraw(), S_OK; }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override { return model_.putBorderType(v), redraw(), S_OK; }
    HRESULT get_ShowButtonRecord(VARIANT_BOOL* v) override { return *v = model_.showButtonRecord(), S_OK; }
    HRESULT put_ShowButtonRecord(VARIANT_BOOL v) override { return model_.putShowButtonRecord(v), shown(v); }
    HRESULT get_ShowPositionControls(VARIANT_BOOL* v) override { return *v = model_.showPositionControls(), S_OK; }
    HRESULT put_ShowPositionControls(VARIANT_BOOL v) override { return model_.putShowPositionControls(v), shown(v); }
    HRESULT get_ShowVolumeControls(VARIANT_BOOL* v) override { return *v = model_.showVolumeControls(), S_OK; }
    HRESULT put_ShowVolumeControls(VARIANT_BOOL v) override { return model_.putShowVolumeControls(v), shown(v); }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabledValue(), S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.putEnabled(v), redraw(), S_OK; }
    HRESULT get_EnableButtons(BYTE* v) override { return *v = model_.enableButtons(), S_OK; }
    HRESULT put_EnableButtons(BYTE v) override { return model_.putEnableButtons(v), redraw(), S_OK; }
    HRESULT get_Mute(VARIANT_BOOL* v) override { return *v = model_.mute(), S_OK; }
    HRESULT put_Mute(VARIANT_BOOL v) override { return model_.putMute(v), redraw(), S_OK; }

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

    void onDraw(HDC hdc, const RECT& bounds) override { drawTransportBar(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN: apply(model_.mouseDown(x, y, clientWidth())); return false;
            case WM_MOUSEMOVE: apply(model_.mouseMove(x, y, clientWidth())); return false;
            case WM_LBUTTONUP: apply(model_.mouseUp(x, y, clientWidth())); return false;
            case WM_SIZE: {
                const LONG width = std::max<LONG>(LOWORD(static_cast<DWORD>(lParam)), model_.minWidth());
                if (inPlaceActive() && inPlaceSite()) {
                    RECT r{posRect().left, posRect().top, posRect().left + width,
                           posRect().top + TransportModel::kHeight};
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
    void startTimer() { timer_.start(this, IID_IAudioPlayButtonType2, TransportModel::kTimerInterval); }

    int clientWidth() const {
        RECT client{};
        GetClientRect(window(), &client);
        return client.right - client.left;
    }
    HRESULT transport(bool accepted) {
        if (!accepted) return S_FALSE;
        redraw();
        return S_OK;
    }
    // A part shown widens the control to fit; a part hidden leaves the width.
    HRESULT shown(VARIANT_BOOL v) {
        if (v) {
            const PixelSize now = pixels(extentPixels());
            resizeToPixels(std::max(now.cx, model_.minWidth()), TransportModel::kHeight);
        }
        redraw();
        return S_OK;
    }
    void redraw() {
        if (inPlaceActive()) keepSize(posRect());
        redrawNow();
    }
    void apply(const TransportEffects& effects) {
        for (const TransportEffect& e : effects) switch (e.kind) {
                case TransportEffect::Redraw: redraw(); break;
                case TransportEffect::FireMouseDown: fire(DISPID_TRANSPORT_MOUSEDOWN, e.value); break;
                case TransportEffect::FireMouseClick: fire(DISPID_TRANSPORT_MOUSECLICK, e.value); break;
                case TransportEffect::FireMouseUp: fireEvent(DISPID_TRANSPORT_MOUSEUP); break;
                case TransportEffect::FireChangeVolume: fire(DISPID_TRANSPORT_CHANGEVOLUME, e.value); break;
                case TransportEffect::Capture: SetCapture(window()); break;
                case TransportEffect::ReleaseCapture: ReleaseCapture(); break;
            }
    }
    void fire(DISPID id, LONG value) {
        activex::EventArgs args;
        args.i4(value);
        fireEvent(id, args);
    }

    TransportModel model_;
    ULONG_PTR gdiplus_ = 0;
    AnimationTimer timer_;
};

}  // namespace

HRESULT createAudioPlayButtonType2(REFIID riid, void** out) {
    return activex::createInstance<AudioPlayButtonType2>(riid, out);
}

}  // namespace sondrel
