#include "audio_control.h"
#include "control_class.h"
#include "controls.h"
#include "knob_control.h"
#include "resources.h"
#include "step_knob/step_view.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioStepButtonType1);

constexpr LONG kSide = StepKnobModel::kSize;

class AudioStepButtonType1 final : public KnobControl<AudioControl<IAudioStepButtonType1>> {
public:
    AudioStepButtonType1() : KnobControl(kClass), model_(GetSysColor(COLOR_BTNFACE)) {
        setExtentPixels(kSide, kSide);
        for (std::size_t i = 0; i < frames_.size(); ++i)
            if (GdipCreateBitmapFromResource(moduleInstance(), MAKEINTRESOURCEW(kStepKnobFrames[i]), &frames_[i]) != Ok)
                frames_[i] = nullptr;
        hand_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_HAND_216));
    }
    ~AudioStepButtonType1() override {
        for (GpBitmap* frame : frames_)
            if (frame) GdipDisposeImage(frame);
        if (hand_) DestroyCursor(hand_);
    }

    HRESULT ScrollMinus() override { return apply(model_.scrollMinus()); }
    HRESULT ScrollPlus() override { return apply(model_.scrollPlus()); }
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = colorFromArgb(model_.backColor), S_OK; }
    HRESULT put_BackColor(OLE_COLOR v) override { return model_.backColor = argbFromColor(v), redraw(); }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override { return model_.putValue(v), S_OK; }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return model_.putMax(v), S_OK; }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(LONG v) override { return model_.putMin(v), S_OK; }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed(), S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return check(model_.putSpeed(v)); }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, S_OK; }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }
    HRESULT get_Color(OLE_COLOR* v) override { return *v = colorFromArgb(model_.color), S_OK; }
    HRESULT put_Color(OLE_COLOR v) override { return model_.color = argbFromColor(v), redraw(); }

protected:
    std::optional<PixelSize> sizeRule(PixelSize) const override { return PixelSize{kSide, kSide}; }

    void onDraw(HDC hdc, const RECT& bounds) override { drawStepKnob(hdc, bounds, model_, frames_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_ERASEBKGND: *result = 0; return true;
            case WM_LBUTTONDOWN: apply(model_.mouseDown(x, y)); return false;
            case WM_MOUSEMOVE:
                if (model_.ownsCursor(x, y) && hand_ && GetCursor() != hand_) SetCursor(hand_);
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
    StepKnobModel model_;
    std::array<GpBitmap*, StepKnobModel::kFrames> frames_{};
    HCURSOR hand_ = nullptr;
};

}  // namespace

HRESULT createAudioStepButtonType1(REFIID riid, void** out) {
    return activex::createInstance<AudioStepButtonType1>(riid, out);
}

}  // namespace sondrel
