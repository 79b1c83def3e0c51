#include "com/olecolor.h"

#include <atomic>

// The GDI layer sits beside this one, not below it: its GetSysColor is used when some module of
// the process brings it, and never linked in from here.
DWORD GetSysColor(int index) __attribute__((weak));

namespace {

constexpr COLORREF rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// The standard colour scheme, index by index.
constexpr COLORREF kStandard[com::kSystemColorCount] = {
    rgb(200, 200, 200),  // scroll bar
    rgb(0, 0, 0),        // background
    rgb(0, 84, 227),     // active caption
    rgb(122, 150, 223),  // inactive caption
    rgb(240, 240, 240),  // menu
    rgb(255, 255, 255),  // window
    rgb(100, 100, 100),  // window frame
    rgb(0, 0, 0),        // menu text
    rgb(0, 0, 0),        // window text
    rgb(255, 255, 255),  // caption text
    rgb(180, 180, 180),  // active border
    rgb(244, 247, 252),  // inactive border
    rgb(171, 171, 171),  // application workspace
    rgb(0, 120, 215),    // highlight
    rgb(255, 255, 255),  // highlight text
    rgb(240, 240, 240),  // button face
    rgb(160, 160, 160),  // button shadow
    rgb(109, 109, 109),  // grey text
    rgb(0, 0, 0),        // button text
    rgb(0, 0, 0),        // inactive caption text
    rgb(255, 255, 255),  // button highlight
    rgb(105, 105, 105),  // 3D dark shadow
    rgb(227, 227, 227),  // 3D light
    rgb(0, 0, 0),        // tooltip text
    rgb(255, 255, 225),  // tooltip background
    rgb(0, 0, 0),        // unused
    rgb(0, 102, 204),    // hot light
    rgb(185, 209, 234),  // gradient active caption
    rgb(215, 228, 242),  // gradient inactive caption
    rgb(0, 120, 215),    // menu highlight
    rgb(240, 240, 240),  // menu bar
};

COLORREF standardColor(int index) { return kStandard[index]; }

std::atomic<com::SystemColorSource> source{nullptr};

}  // namespace

namespace com {
void setSystemColorSource(SystemColorSource s) { source = s; }
}  // namespace com

HRESULT OleTranslateColor(OLE_COLOR color, HPALETTE, COLORREF* out) {
    COLORREF result;
    switch (color >> 24) {
        case 0x00: result = color; break;
        case 0x80: {
            int index = static_cast<int>(color & 0x00FFFFFF);
            if (index >= com::kSystemColorCount) return E_INVALIDARG;
            com::SystemColorSource s = source;
            if (s)
                result = s(index);
            else if (&GetSysColor != nullptr)
                result = GetSysColor(index);
            else
                result = standardColor(index);
            break;
        }
        default: return E_INVALIDARG;
    }
    if (out) *out = result;
    return S_OK;
}
