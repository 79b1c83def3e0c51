#pragma once
// GDI+ for the controls that draw with it: the session a control holds while it lives, and
// colours kept as opaque ARGB.

#include "com/olecolor.h"
#include "gdi/gdiplus.h"

namespace sondrel {

// A put colour's red, green and blue as opaque ARGB; system colours are not translated.
constexpr ARGB argbFromColor(OLE_COLOR c) {
    return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}
constexpr OLE_COLOR colorFromArgb(ARGB a) { return (a >> 16 & 0xFFu) | (a & 0xFF00u) | (a & 0xFFu) << 16; }

// Starts GDI+ for the life of a control.
class GdiplusSession {
public:
    GdiplusSession() {
        GdiplusStartupInput input;
        if (GdiplusStartup(&token_, &input, nullptr) != Ok) token_ = 0;
    }
    ~GdiplusSession() {
        if (token_) GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

}  // namespace sondrel
