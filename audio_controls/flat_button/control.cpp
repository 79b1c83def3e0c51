#include "animated_control.h"
#include "control_class.h"
#include "controls.h"
#include "flat_button/flat_button_view.h"
#include "win32/codepage.h"

#include <cstdlib>

namespace sondrel {

namespace {

const activex::ControlClass kClass = controlClass(CLSID_AudioFlatButton);

class AudioFlatButton final : public AnimatedControl<IAudioFlatButton> {
public:
    AudioFlatButton() : AnimatedControl(kClass, FlatButtonModel::kTimerInterval) {
        setExtentPixels(100, 25);
        ownFont_ = CreateFontA(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    }
    ~AudioFlatButton() override {
        stopTimer();
        if (ownFont_) DeleteObject(ownFont_);
    }

    HRESULT onTick() override {
        if (!inPlaceActive() || !window()) return S_OK;
        RECT client{};
        GetClientRect(window(), &client);
        apply(model_.tick(PtInRect(&client, cursorPosition(window()))));
        return S_OK;
    }

    HRESULT get_Font(IFontDisp** value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        LOGFONTA lf{};
        GetObjectA(font(), sizeof lf, &lf);
        char16_t face[LF_FACESIZE]{};
        MultiByteToWideChar(1252, 0, lf.lfFaceName, -1, face, LF_FACESIZE);
        HDC screen = CreateCompatibleDC(nullptr);
        const LONGLONG ppi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) DeleteDC(screen);
        FONTDESC desc{};
        desc.cbSizeofstruct = sizeof desc;
        desc.lpstrName = face;
        desc.cySize.int64 = std::llabs(lf.lfHeight) * 720000LL / ppi;
        desc.sWeight = static_cast<SHORT>(lf.lfWeight);
        desc.sCharset = lf.lfCharSet;
        desc.fItalic = lf.lfItalic;
        desc.fUnderline = lf.lfUnderline;
        desc.fStrikethrough = lf.lfStrikeOut;
        return OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(value));
    }
    HRESULT putref_Font(IFontDisp* value) override {
        if (!value) return S_OK;
        com::ComPtr<IFont> given;
        HRESULT hr = value->QueryInterface(IID_IFont, given.putVoid());
        if (FAILED(hr)) return hr;
        HFONT handle = nullptr;
        hr = given->get_hFont(&handle);
        if (FAILED(hr)) return hr;
        // The handle belongs to the font object, which is kept while the handle is drawn with.
        givenFont_ = std::move(given);
        givenHandle_ = handle;
        redraw();
        return S_OK;
    }
    HRESULT get_Caption(BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        if (!model_.caption) return S_OK;
        *value = SysAllocStringLen(model_.caption->data(), static_cast<UINT>(model_.caption->size()));
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT put_Caption(BSTR value) override {
        if (!value) model_.caption.reset();
        else model_.caption = std::u16string(com::view(value));
        redraw();
        return S_OK;
    }
    HRESULT get_Enabled(VARIANT_BOOL* v) override { return *v = model_.enabledValue(), S_OK; }
    HRESULT put_Enabled(VARIANT_BOOL v) override { return model_.putEnabled(v), redraw(), S_OK; }

protected:
    void onDraw(HDC hdc, const RECT& bounds) override { look_.draw(hdc, bounds, model_, font()); }

    bool onMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT*) override {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        switch (msg) {
            case WM_LBUTTONDOWN: apply(model_.mouseDown()); return false;
            case WM_LBUTTONUP: {
                RECT client{};
                GetClientRect(window(), &client);
                apply(model_.mouseUp(PtInRect(&client, POINT{x, y})));
                return false;
            }
            case WM_MOVE: keepSize(RECT{x, y, x, y}); return false;
            default: return false;
        }
    }

private:
    HFONT font() const { return givenHandle_ ? givenHandle_ : ownFont_; }
    void apply(const FlatButtonEffects& effects) {
        for (const FlatButtonEffect& e : effects) switch (e.kind) {
                case FlatButtonEffect::Redraw: redraw(); break;
                case FlatButtonEffect::FireMouseDown: fireEvent(DISPID_FLATBUTTON_MOUSEDOWN); break;
                case FlatButtonEffect::FireMouseUp: fireEvent(DISPID_FLATBUTTON_MOUSEUP); break;
                case FlatButtonEffect::FireMouseClick: fireEvent(DISPID_FLATBUTTON_MOUSECLICK); break;
                case FlatButtonEffect::Capture: SetCapture(window()); break;
                case FlatButtonEffect::ReleaseCapture: ReleaseCapture(); break;
            }
    }

    FlatButtonModel model_;
    FlatButtonLook look_;
    HFONT ownFont_ = nullptr;
    com::ComPtr<IFont> givenFont_;
    HFONT givenHandle_ = nullptr;
};

}  // namespace

HRESULT createAudioFlatButton(REFIID riid, void** out) { return activex::createInstance<AudioFlatButton>(riid, out); }

}  // namespace sondrel
