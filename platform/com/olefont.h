#pragma once
// OLE font objects: a font described by face, size in points, weight, character set and
// styles, with the GDI font made from it. The object answers IFont and IFontDisp.

#include "com/oleauto.h"
#include "gdi/gdi.h"

// A currency value: the amount times 10000.
union CY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};

struct FONTDESC {
    UINT cbSizeofstruct;
    LPOLESTR lpstrName;
    CY cySize;  // points
    SHORT sWeight;
    SHORT sCharset;
    BOOL fItalic;
    BOOL fUnderline;
    BOOL fStrikethrough;
};

struct IFont : IUnknown {
    virtual HRESULT get_Name(BSTR* name) = 0;
    virtual HRESULT get_Size(CY* size) = 0;
    virtual HRESULT get_Bold(BOOL* bold) = 0;
    virtual HRESULT get_Italic(BOOL* italic) = 0;
    virtual HRESULT get_Underline(BOOL* underline) = 0;
    virtual HRESULT get_Strikethrough(BOOL* strikethrough) = 0;
    virtual HRESULT get_Weight(SHORT* weight) = 0;
    virtual HRESULT get_Charset(SHORT* charset) = 0;
    // The font object owns the handle: it stays valid while the object lives.
    virtual HRESULT get_hFont(HFONT* font) = 0;
};
COM_INTERFACE_ID(IFont, "{BEF6E002-A874-101A-8BBA-00AA00300CAB}");

// Late-bound access to the same font: property gets of Name (0), Bold (3), Italic (4),
// Underline (5), Strikethrough (6), Weight (7) and Charset (8).
struct IFontDisp : IDispatch {};
COM_INTERFACE_ID(IFontDisp, "{BEF6E003-A874-101A-8BBA-00AA00300CAB}");

constexpr DISPID DISPID_FONT_NAME = 0;
constexpr DISPID DISPID_FONT_BOLD = 3;
constexpr DISPID DISPID_FONT_ITALIC = 4;
constexpr DISPID DISPID_FONT_UNDER = 5;
constexpr DISPID DISPID_FONT_STRIKE = 6;
constexpr DISPID DISPID_FONT_WEIGHT = 7;
constexpr DISPID DISPID_FONT_CHARSET = 8;

// Makes a font object and answers the interface asked for. A null name is "MS Sans Serif".
HRESULT OleCreateFontIndirect(FONTDESC* desc, REFIID riid, void** out);
