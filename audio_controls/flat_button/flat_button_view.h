#pragma once
// How the flat button looks: a face and a 3-D frame in the system's colours, made again when
// the button-face colour changes, with the caption centred on it.

#include "flat_button/flat_button_model.h"
#include "gdi/gdi.h"

namespace sondrel {

class FlatButtonLook {
public:
    FlatButtonLook();
    ~FlatButtonLook();
    FlatButtonLook(const FlatButtonLook&) = delete;
    FlatButtonLook& operator=(const FlatButtonLook&) = delete;

    void draw(HDC dc, const RECT& bounds, const FlatButtonModel& model, HFONT font);

private:
    void make();
    void free();

    COLORREF face_ = 0;
    HBRUSH faceBrush_ = nullptr;
    HPEN highlight_ = nullptr;
    HPEN shadow_ = nullptr;
    HPEN darkShadow_ = nullptr;
};

}  // namespace sondrel
