#include "animated_control.h"
#include "control_class.h"
#include "controls.h"
#include "transport_bar/transport_view.h"

#include <algorithm>

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioPlayButtonType2);

class AudioPlayButtonType2 final : public AnimatedControl<IAudioPlayButtonType2> {
public:
    AudioPlayButtonType2()
        : AnimatedControl(kClass, TransportModel::kTimerInterval), model_(GetSysColor(COLOR_BTNFACE)) {
        setExtentPixels(model_.minWidth(), TransportModel::kHeight);
    }
    ~AudioPlayButtonType2() override { stopTimer(); }

    HRESULT onTick() override {
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

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return model_.adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override { drawTransportBar(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN: apply(model_.mouseDown(x, y, clientWidth())); return false;
            case WM_MOUSEMOVE: apply(model_.mouseMove(x, y, clientWidth())); return false;
            case WM_LBUTTONUP: apply(model_.mouseUp(x, y, clientWidth())); return false;
            case WM_SIZE:
                reportRuledSize(lParam);
                *result = 0;
                return true;
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
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

    GdiplusSession gdiplus_;
    TransportModel model_;
};

}  // namespace

HRESULT createAudioPlayButtonType2(REFIID riid, void** out) {
    return activex::createInstance<AudioPlayButtonType2>(riid, out);
}

}  // namespace sondrel
