#include "animated_control.h"
#include "control_class.h"
#include "controls.h"
#include "flat_slider/flat_slider_view.h"
#include "resources.h"

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioFlatSlider);

class AudioFlatSlider final : public AnimatedControl<IAudioFlatSlider> {
public:
    AudioFlatSlider() : AnimatedControl(kClass, FlatSliderModel::kTimerInterval) {
        setExtentPixels(15, 150);
        horizontal_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_HORIZONTAL));
        vertical_ = LoadCursorA(moduleInstance(), MAKEINTRESOURCEA(IDC_SLIDER_VERTICAL));
    }
    ~AudioFlatSlider() override {
        stopTimer();
        if (horizontal_) DestroyCursor(horizontal_);
        if (vertical_) DestroyCursor(vertical_);
    }

    HRESULT onTick() override {
        if (!inPlaceActive()) return S_OK;
        const POINT p = cursorPosition(window());
        const SIZE s = extentPixels();
        const bool inside = p.x >= 0 && p.y >= 0 && p.x < s.cx && p.y < s.cy;
        return apply(model_.tick(true, inside));
    }
    HRESULT SetValue(LONG v) override { return apply(model_.setValue(v)); }
    // The control paints the button face and keeps no colour of its own.
    HRESULT get_BackColor(OLE_COLOR* v) override { return *v = 0x80000000 | COLOR_BTNFACE, S_OK; }
    HRESULT put_BackColor(OLE_COLOR) override { return redraw(), S_OK; }
    HRESULT get_Max(LONG* v) override { return *v = model_.max(), S_OK; }
    HRESULT put_Max(LONG v) override { return apply(model_.putMax(v)); }
    HRESULT get_Min(LONG* v) override { return *v = model_.min(), S_OK; }
    HRESULT put_Min(LONG v) override { return apply(model_.putMin(v)); }
    HRESULT get_Orientation(LONG* v) override { return *v = model_.orientation(), S_OK; }
    HRESULT put_Orientation(LONG v) override {
        const LONG before = model_.orientation();
        PixelSize resize{};
        if (const char* error = model_.putOrientation(v, pixels(extentPixels()), &resize)) return check(error);
        return v == before ? S_OK : resizeAndRedraw(resize);
    }
    HRESULT get_MousePointer(LONG* v) override { return *v = model_.mousePointer, S_OK; }
    HRESULT put_MousePointer(LONG v) override { return model_.mousePointer = v, S_OK; }
    HRESULT get_TrackBorderColor(OLE_COLOR* v) override { return *v = model_.trackBorderColor, S_OK; }
    HRESULT put_TrackBorderColor(OLE_COLOR v) override { return model_.trackBorderColor = v, redraw(), S_OK; }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabled, S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.enabled = v, S_OK; }
    HRESULT get_TrackStyle(LONG* v) override { return *v = model_.trackStyle, S_OK; }
    HRESULT put_TrackStyle(LONG v) override { return model_.trackStyle = v, redraw(), S_OK; }
    HRESULT get_Speed(DOUBLE* v) override { return *v = model_.speed, S_OK; }
    HRESULT put_Speed(DOUBLE v) override { return model_.speed = v, S_OK; }
    HRESULT get_TrackColor(OLE_COLOR* v) override { return *v = model_.trackColor, S_OK; }
    HRESULT put_TrackColor(OLE_COLOR v) override { return model_.trackColor = v, redraw(), S_OK; }
    HRESULT get_Value(LONG* v) override { return *v = model_.value(), S_OK; }
    HRESULT put_Value(LONG v) override { return apply(model_.putValue(v, inPlaceActive())); }
    HRESULT get_ThumbLength(LONG* v) override { return *v = model_.thumbLength, S_OK; }
    HRESULT put_ThumbLength(LONG v) override { return model_.thumbLength = v, redraw(), S_OK; }
    HRESULT get_TrackWidth(LONG* v) override { return *v = model_.trackWidth, S_OK; }
    HRESULT put_TrackWidth(LONG v) override { return model_.trackWidth = v, redraw(), S_OK; }
    HRESULT get_Ticks(VARIANT_BOOL* v) override { return *v = model_.ticks, S_OK; }
    HRESULT put_Ticks(VARIANT_BOOL v) override { return model_.ticks = v, redraw(), S_OK; }

protected:
    std::optional<PixelSize> sizeRule(PixelSize offered) const override { return model_.adjustSize(offered); }

    void onDraw(HDC hdc, const RECT& bounds) override { drawFlatSlider(hdc, bounds, model_); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        const PixelSize size{posRect().right - posRect().left, posRect().bottom - posRect().top};
        switch (msg) {
            case WM_LBUTTONDOWN:
                apply(model_.mouseDown(x, y, size));
                showCursor();
                return false;
            case WM_MOUSEMOVE:
                showCursor();
                apply(model_.mouseMove(x, y, size));
                return false;
            case WM_LBUTTONUP:
                showCursor();
                apply(model_.mouseUp(x, y, size));
                return false;
            case WM_SIZE:
                reportRuledSize(lParam);
                *result = 0;
                return true;
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
    void showCursor() {
        const HCURSOR own = model_.vertical() ? vertical_ : horizontal_;
        if (model_.ownsCursor() && GetCursor() != own) SetCursor(own);
    }
    HRESULT apply(const FlatSliderEffects& effects) {
        for (const FlatSliderEffect& e : effects) switch (e.kind) {
                case FlatSliderEffect::Redraw: redraw(); break;
                case FlatSliderEffect::FireMouseDown: fireEvent(DISPID_FLATSLIDER_MOUSEDOWN); break;
                case FlatSliderEffect::FireMouseUp: fireEvent(DISPID_FLATSLIDER_MOUSEUP); break;
                case FlatSliderEffect::FireValueChange: {
                    activex::EventArgs args;
                    args.i4(e.value);
                    fireEvent(DISPID_FLATSLIDER_VALUECHANGE, args);
                    break;
                }
                case FlatSliderEffect::Capture: SetCapture(window()); break;
                case FlatSliderEffect::ReleaseCapture: ReleaseCapture(); break;
            }
        return S_OK;
    }

    FlatSliderModel model_;
    HCURSOR horizontal_ = nullptr;
    HCURSOR vertical_ = nullptr;
};

}  // namespace

HRESULT createAudioFlatSlider(REFIID riid, void** out) { return activex::createInstance<AudioFlatSlider>(riid, out); }

}  // namespace sondrel
