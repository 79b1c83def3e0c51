#pragma once
// OLE colours: a plain 0x00BBGGRR value, or 0x80000000 | index naming a system colour.

#include "com/unknwn.h"

using OLE_COLOR = DWORD;
using HPALETTE = struct HPALETTE__*;

// Translates to a COLORREF (out may be nullptr to only check the value). System colours come
// from the system colour table; an index outside it, or any other high byte, is E_INVALIDARG.
HRESULT OleTranslateColor(OLE_COLOR color, HPALETTE palette, COLORREF* out);

namespace com {

// Number of system colour indexes (COLOR_SCROLLBAR 0 to COLOR_MENUBAR 30).
constexpr int kSystemColorCount = 31;

// Where system colours come from. By default the GDI layer's GetSysColor when the process has
// that layer, else the standard colours built in here. Tests and hosts may put their own table
// in its place; nullptr restores the default.
using SystemColorSource = COLORREF (*)(int index);
void setSystemColorSource(SystemColorSource source);

}  // namespace com
