#pragma once
// The base of the library's controls: the size rule SetExtent applies, the range error of a
// put, and the redraw that keeps the position rectangle at the control's size.

#include "control_class.h"

#include <algorithm>
#include <optional>

namespace sondrel {

template <class I>
class AudioControl : public activex::Control<I> {
public:
    explicit AudioControl(const activex::ControlClass& cls) : activex::Control<I>(cls) {}

    // Stores the size the control's rule makes of the offered one; without a rule, as given. Either
    // way no side leaves what a window's 16-bit size words hold.
    HRESULT SetExtent(DWORD aspect, SIZEL* size) override {
        const PixelSize offered = size ? pixels(activex::himetricToPixels(*size)) : PixelSize{};
        const std::optional<PixelSize> ruled = sizeRule(offered);
        if (!ruled && (!size || (fits(offered.cx) && fits(offered.cy))))
            return activex::ControlBase::SetExtent(aspect, size);
        if (!size) return E_POINTER;
        const PixelSize s = ruled.value_or(offered);
        SIZEL adjusted = activex::pixelsToHimetric(SIZE{fitted(s.cx), fitted(s.cy)});
        return activex::ControlBase::SetExtent(aspect, &adjusted);
    }

protected:
    static bool fits(LONG side) { return side >= 0 && side <= activex::kLargestSidePixels; }
    static LONG fitted(LONG side) { return std::clamp<LONG>(side, 0, activex::kLargestSidePixels); }

    // The pixel size the control takes when offered one; nullopt: any size is kept as given.
    virtual std::optional<PixelSize> sizeRule(PixelSize) const { return std::nullopt; }

    // WM_SIZE: tells the site the position rectangle at the size the rule makes of the window's.
    void reportRuledSize(LPARAM lParam) {
        const PixelSize offered{LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam))};
        const PixelSize s = sizeRule(offered).value_or(offered);
        if (this->inPlaceActive() && this->inPlaceSite()) {
            const RECT& pos = this->posRect();
            RECT r{pos.left, pos.top, pos.left + s.cx, pos.top + s.cy};
            this->inPlaceSite()->OnPosRectChange(&r);
        }
    }

    // The range error of a rejected put (error is its message), S_OK without one.
    HRESULT check(const char* error) { return error ? rangeError(this->controlClass().clsid, error) : S_OK; }
    // The range error, or the accepted put redrawn.
    HRESULT checkAndRedraw(const char* error) {
        const HRESULT hr = check(error);
        return SUCCEEDED(hr) ? redraw() : hr;
    }
    // Keeps the position rectangle at the control's size, then draws at once.
    HRESULT redraw() {
        if (this->inPlaceActive()) this->keepSize(this->posRect());
        this->redrawNow();
        return S_OK;
    }
    // Asks for the pixel size, then redraws.
    HRESULT resizeAndRedraw(PixelSize size) {
        this->resizeToPixels(size.cx, size.cy);
        return redraw();
    }
};

}  // namespace sondrel
