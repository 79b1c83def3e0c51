#include "animated_control.h"
#include "control_class.h"
#include "controls.h"
#include "resources.h"
#include "transport_cluster/cluster_view.h"

#include <memory>

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioPlayButtonType1);

class AudioPlayButtonType1 final : public AnimatedControl<IAudioPlayButtonType1> {
public:
    AudioPlayButtonType1() : AnimatedControl(kClass, ClusterModel::kTimerInterval) {
        setExtentPixels(model_.side(), model_.side());
        pictures_ = std::make_unique<ClusterPictures>();
        hand_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_HAND_214));
    }
    ~AudioPlayButtonType1() override {
        stopTimer();
        pictures_.reset();
        if (hand_) DestroyCursor(hand_);
    }

    HRESULT onTick() override {
        if (!inPlaceActive()) return S_OK;
        const POINT p = cursorPosition(window());
        return apply(model_.tick(true, p.x, p.y));
    }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.backColor), S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override {
        model_.backColor = argbFromColor(v);
        redraw();
        return S_OK;
    }
    HRESULT get_Flat(VARIANT_BOOL* v) override { return *v = model_.flat(), S_OK; }
    HRESULT put_Flat(VARIANT_BOOL v) override { return apply(model_.putFlat(v)); }
    HRESULT get_Pause(VARIANT_BOOL* v) override { return *v = model_.pause(), S_OK; }
    HRESULT put_Pause(VARIANT_BOOL v) override { return apply(model_.putPause(v)); }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override {
        return model_.putBorderType(v) ? resizeAndRedraw({model_.side(), model_.side()}) : S_OK;
    }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }
    HRESULT get_PlayBtnEnabled(VARIANT_BOOL* v) override { return *v = model_.enabled(kPlay), S_OK; }
    HRESULT put_PlayBtnEnabled(VARIANT_BOOL v) override { return apply(model_.putEnabled(kPlay, v)); }
    HRESULT get_StopBtnEnabled(VARIANT_BOOL* v) override { return *v = model_.enabled(kStop), S_OK; }
    HRESULT put_StopBtnEnabled(VARIANT_BOOL v) override { return apply(model_.putEnabled(kStop, v)); }
    HRESULT get_NextBtnEnabled(VARIANT_BOOL* v) override { return *v = model_.enabled(kNext), S_OK; }
    HRESULT put_NextBtnEnabled(VARIANT_BOOL v) override { return apply(model_.putEnabled(kNext, v)); }
    HRESULT get_PreviousBtnEnabled(VARIANT_BOOL* v) override { return *v = model_.enabled(kPrevious), S_OK; }
    HRESULT put_PreviousBtnEnabled(VARIANT_BOOL v) override { return apply(model_.putEnabled(kPrevious, v)); }
    HRESULT get_RecordBtnEnabled(VARIANT_BOOL* v) override { return *v = model_.enabled(kRecord), S_OK; }
    HRESULT put_RecordBtnEnabled(VARIANT_BOOL v) override { return apply(model_.putEnabled(kRecord, v)); }
    HRESULT get_Color(OLE_COLOR* v) override { return *v = colorFromArgb(model_.color), S_OK; }
    HRESULT put_Color(OLE_COLOR v) override {
        model_.color = argbFromColor(v);
        redraw();
        return S_OK;
    }

protected:
    // The cluster has one size per border type.
    std::optional<PixelSize> sizeRule(PixelSize) const override { return PixelSize{model_.side(), model_.side()}; }

    void onDraw(HDC hdc, const RECT& bounds) override { drawCluster(hdc, bounds, model_, *pictures_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN: apply(model_.mouseDown(x, y)); return false;
            case WM_MOUSEMOVE:
                SetCursor(hand_);
                apply(model_.mouseMove(x, y));
                return false;
            case WM_LBUTTONUP: apply(model_.mouseUp(x, y)); return false;
            case WM_SIZE:
                reportRuledSize(lParam);
                *result = 0;
                return true;
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
    HRESULT apply(const ClusterEffects& effects) {
        for (const ClusterEffect& e : effects) switch (e.kind) {
                case ClusterEffect::Redraw: redraw(); break;
                case ClusterEffect::FireMouseDown: {
                    activex::EventArgs args;
                    args.i4(e.part);
                    fireEvent(DISPID_CLUSTER_MOUSEDOWN, args);
                    break;
                }
                case ClusterEffect::FireMouseClick: {
                    activex::EventArgs args;
                    args.i4(e.part);
                    fireEvent(DISPID_CLUSTER_MOUSECLICK, args);
                    break;
                }
                case ClusterEffect::FireMouseUp: fireEvent(DISPID_CLUSTER_MOUSEUP); break;
                case ClusterEffect::Capture: SetCapture(window()); break;
                case ClusterEffect::ReleaseCapture: ReleaseCapture(); break;
            }
        return S_OK;
    }

    GdiplusSession gdiplus_;
    ClusterModel model_;
    std::unique_ptr<ClusterPictures> pictures_;
    HCURSOR hand_ = nullptr;
};

}  // namespace

HRESULT createAudioPlayButtonType1(REFIID riid, void** out) {
    return activex::createInstance<AudioPlayButtonType1>(riid, out);
}

}  // namespace sondrel
