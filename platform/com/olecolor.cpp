#include "com/olecolor.h"

#include "windows/windows.h"

HRESULT OleTranslateColor(OLE_COLOR color, HPALETTE, COLORREF* out) {
    COLORREF result;
    switch (color >> 24) {
        case 0x00: result = color; break;
        case 0x80: {
            int index = static_cast<int>(color & 0x00FFFFFF);
            if (index >= windows::kSysColorCount) return E_INVALIDARG;
            result = GetSysColor(index);
            break;
        }
        default: return E_INVALIDARG;
    }
    if (out) *out = result;
    return S_OK;
}
