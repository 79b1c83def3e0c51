#include "com/olefont.h"

#include "win32/codepage.h"

#include <atomic>
#include <string>

namespace {

class FontObject final : public IFont, public IFontDisp {
public:
    explicit FontObject(const FONTDESC& d)
        : name_(d.lpstrName ? d.lpstrName : u"MS Sans Serif"), size_(d.cySize), weight_(d.sWeight),
          charset_(d.sCharset), italic_(d.fItalic), underline_(d.fUnderline), strikethrough_(d.fStrikethrough) {}
    ~FontObject() {
        if (hfont_) DeleteObject(hfont_);
    }
    FontObject(const FontObject&) = delete;
    FontObject& operator=(const FontObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IFont) *out = static_cast<IFont*>(this);
        else if (riid == IID_IDispatch || riid == IID_IFontDisp) *out = static_cast<IFontDisp*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT get_Name(BSTR* name) override {
        if (!name) return E_POINTER;
        *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT get_Size(CY* size) override { return size ? (*size = size_, S_OK) : E_POINTER; }
    HRESULT get_Bold(BOOL* bold) override { return bold ? (*bold = weight_ >= FW_BOLD, S_OK) : E_POINTER; }
    HRESULT get_Italic(BOOL* v) override { return v ? (*v = italic_, S_OK) : E_POINTER; }
    HRESULT get_Underline(BOOL* v) override { return v ? (*v = underline_, S_OK) : E_POINTER; }
    HRESULT get_Strikethrough(BOOL* v) override { return v ? (*v = strikethrough_, S_OK) : E_POINTER; }
    HRESULT get_Weight(SHORT* v) override { return v ? (*v = weight_, S_OK) : E_POINTER; }
    HRESULT get_Charset(SHORT* v) override { return v ? (*v = charset_, S_OK) : E_POINTER; }
    HRESULT get_hFont(HFONT* font) override {
        if (!font) return E_POINTER;
        if (!hfont_) {
            const LOGFONTA lf = logFont();
            hfont_ = CreateFontIndirectA(&lf);
        }
        *font = hfont_;
        return hfont_ ? S_OK : E_FAIL;
    }

    HRESULT GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (!result) return E_POINTER;
        VariantInit(result);
        auto boolean = [&](BOOL v) {
            result->vt = VT_BOOL;
            result->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        };
        auto i2 = [&](SHORT v) {
            result->vt = VT_I2;
            result->iVal = v;
            return S_OK;
        };
        switch (id) {
            case DISPID_FONT_NAME: result->vt = VT_BSTR; return get_Name(&result->bstrVal);
            case DISPID_FONT_BOLD: return boolean(weight_ >= FW_BOLD);
            case DISPID_FONT_ITALIC: return boolean(italic_);
            case DISPID_FONT_UNDER: return boolean(underline_);
            case DISPID_FONT_STRIKE: return boolean(strikethrough_);
            case DISPID_FONT_WEIGHT: return i2(weight_);
            case DISPID_FONT_CHARSET: return i2(charset_);
            default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    // The character height in pixels on the screen, rounded.
    LOGFONTA logFont() const {
        LOGFONTA lf{};
        HDC screen = CreateCompatibleDC(nullptr);
        const LONGLONG ppi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) DeleteDC(screen);
        lf.lfHeight = -static_cast<LONG>((size_.int64 * ppi + 360000) / 720000);
        lf.lfWeight = weight_;
        lf.lfItalic = italic_ ? 1 : 0;
        lf.lfUnderline = underline_ ? 1 : 0;
        lf.lfStrikeOut = strikethrough_ ? 1 : 0;
        lf.lfCharSet = static_cast<BYTE>(charset_);
        WideCharToMultiByte(1252, 0, name_.c_str(), -1, lf.lfFaceName, LF_FACESIZE - 1, nullptr, nullptr);
        return lf;
    }

    std::atomic<ULONG> refs_{1};
    std::u16string name_;
    CY size_;
    SHORT weight_;
    SHORT charset_;
    BOOL italic_;
    BOOL underline_;
    BOOL strikethrough_;
    HFONT hfont_ = nullptr;
};

}  // namespace

HRESULT OleCreateFontIndirect(FONTDESC* desc, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!desc) return E_INVALIDARG;
    auto* font = new FontObject(*desc);
    HRESULT hr = static_cast<IFont*>(font)->QueryInterface(riid, out);
    static_cast<IFont*>(font)->Release();
    return hr;
}
