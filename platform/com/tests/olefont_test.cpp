#include "com/olefont.h"
#include "com/typeinfo.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

FONTDESC describe(LPOLESTR name, LONGLONG points10000, SHORT weight) {
    FONTDESC d{};
    d.cbSizeofstruct = sizeof d;
    d.lpstrName = name;
    d.cySize.int64 = points10000;
    d.sWeight = weight;
    d.sCharset = 0;
    d.fItalic = TRUE;
    return d;
}

TEST(OleFont, DescribesItsFontAndMakesTheGdiFontFromIt) {
    char16_t name[] = u"Arial";
    FONTDESC d = describe(name, 120000, FW_BOLD);
    com::ComPtr<IFontDisp> disp;
    ASSERT_EQ(OleCreateFontIndirect(&d, IID_IFontDisp, disp.putVoid()), S_OK);
    com::ComPtr<IFont> font;
    ASSERT_EQ(disp->QueryInterface(IID_IFont, font.putVoid()), S_OK);

    BSTR face = nullptr;
    ASSERT_EQ(font->get_Name(&face), S_OK);
    EXPECT_EQ(com::view(face), u"Arial");
    SysFreeString(face);
    CY size{};
    ASSERT_EQ(font->get_Size(&size), S_OK);
    EXPECT_EQ(size.int64, 120000);
    BOOL bold = FALSE, italic = FALSE;
    font->get_Bold(&bold);
    font->get_Italic(&italic);
    EXPECT_TRUE(bold);
    EXPECT_TRUE(italic);

    HFONT hfont = nullptr;
    ASSERT_EQ(font->get_hFont(&hfont), S_OK);
    HFONT again = nullptr;
    font->get_hFont(&again);
    EXPECT_EQ(again, hfont);  // one handle for the object's life
    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(hfont, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -16);  // 12 points at 96 pixels per inch
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_STREQ(lf.lfFaceName, "Arial");

    // Late bound.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    com::Variant result;
    ASSERT_EQ(disp->Invoke(DISPID_FONT_NAME, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(com::view(result.bstrVal), u"Arial");
    com::Variant weight;
    ASSERT_EQ(disp->Invoke(DISPID_FONT_WEIGHT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &weight, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(weight.iVal, FW_BOLD);
}

TEST(OleFont, RefusesWhatItCannotMake) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(OleCreateFontIndirect(nullptr, IID_IFont, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    FONTDESC d = describe(nullptr, 75000, FW_NORMAL);
    EXPECT_EQ(OleCreateFontIndirect(&d, IID_ITypeInfo, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    com::ComPtr<IFont> font;
    ASSERT_EQ(OleCreateFontIndirect(&d, IID_IFont, font.putVoid()), S_OK);
    HFONT hfont = nullptr;
    ASSERT_EQ(font->get_hFont(&hfont), S_OK);
    LOGFONTA lf{};
    GetObjectA(hfont, sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -10);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
}

}  // namespace
