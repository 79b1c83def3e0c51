#pragma once
// OLE colours: a plain 0x00BBGGRR value, or 0x80000000 | index naming a system colour.

#include "com/unknwn.h"

using OLE_COLOR = DWORD;
using HPALETTE = struct HPALETTE__*;

// Translates to a COLORREF (out may be nullptr to only check the value). System colours come
// from the system colour table; an index outside it, or any other high byte, is E_INVALIDARG.
HRESULT OleTranslateColor(OLE_COLOR color, HPALETTE palette, COLORREF* out);
