#include "animated_control.h"
#include "control_class.h"
#include "controls.h"
#include "knob_control.h"
#include "resources.h"
#include "step_knob/interface.h"
#include "volume_knob/volume_knob_view.h"

#include <memory>

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioVolumeButtonType1);

class AudioVolumeButtonType1 final : public KnobControl<AnimatedControl<IAudioVolumeButtonType1>> {
public:
    AudioVolumeButtonType1()
        : KnobControl(kClass, VolumeKnobModel::kTimerInterval), model_(GetSysColor(COLOR_BTNFACE)) {
        setExtentPixels(model_.side(), model_.side());
        pictures_ = std::make_unique<VolumeKnobPictures>();
        hand_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_HAND_216));
    }
    ~AudioVolumeButtonType1() override {
        stopTimer();
        pictures_.reset();
        if (hand_) DestroyCursor(hand_);
    }

    HRESULT onTick() override {
        if (!inPlaceActive()) return S_OK;
        const POINT p = cursorPosition(window());
        return apply(model_.tick(true, p.x, p.y, GetTickCount()));
    }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override { return apply(model_.putValue(v, inPlaceActive())); }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return apply(model_.putMax(v)); }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(LONG v) override { return apply(model_.putMin(v)); }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed(), S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return check(model_.putSpeed(v)); }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, S_OK; }
    HRESULT get_Flat(VARIANT_BOOL* v) override { return *v = model_.flat(), S_OK; }
    HRESULT put_Flat(VARIANT_BOOL v) override { return apply(model_.putFlat(v)); }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }
    HRESULT get_BorderType(LONG* v) override { return *v = model_.borderType(), S_OK; }
    HRESULT put_BorderType(LONG v) override {
        return model_.putBorderType(v) ? resizeAndRedraw({model_.side(), model_.side()}) : S_OK;
    }
    HRESULT get_StartPos(DOUBLE* v) override { return *v = model_.startPos, S_OK; }
    HRESULT put_StartPos(DOUBLE v) override { return model_.startPos = v, redraw(); }
    HRESULT get_IndColor(LONG* v) override { return *v = model_.indColor(), S_OK; }
    HRESULT put_IndColor(LONG v) override { return checkAndRedraw(model_.putIndColor(v)); }
    HRESULT get_Color(OLE_COLOR* v) override { return *v = colorFromArgb(model_.color), S_OK; }
    HRESULT put_Color(OLE_COLOR v) override { return model_.color = argbFromColor(v), redraw(); }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.backColor), S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return model_.backColor = argbFromColor(v), redraw(); }

protected:
    std::optional<PixelSize> sizeRule(PixelSize) const override { return PixelSize{model_.side(), model_.side()}; }

    void onDraw(HDC hdc, const RECT& bounds) override { drawVolumeKnob(hdc, bounds, model_, *pictures_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN: apply(model_.mouseDown(x, y)); return false;
            case WM_MOUSEMOVE:
                if (model_.ownsCursor() && hand_ && GetCursor() != hand_) SetCursor(hand_);
                apply(model_.mouseMove(x, y));
                return false;
            case WM_LBUTTONUP: apply(model_.mouseUp()); return false;
            case WM_SIZE: reportRuledSize(lParam); return false;
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:

    GdiplusSession gdiplus_;
    VolumeKnobModel model_;
    std::unique_ptr<VolumeKnobPictures> pictures_;
    HCURSOR hand_ = nullptr;
};

}  // namespace

HRESULT createAudioVolumeButtonType1(REFIID riid, void** out) {
    return activex::createInstance<AudioVolumeButtonType1>(riid, out);
}

}  // namespace sondrel
