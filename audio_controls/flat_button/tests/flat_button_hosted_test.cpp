#include "tests/hosted_control.h"

namespace {

using activex::testing::EventRecorder;

constexpr CLSID kFlatButton = com::guid("{AA458875-525B-4A98-B0FD-2CEADF2BFF7F}");

class FlatButton : public HostedControl {
protected:
    HRESULT putRef(DISPID id, com::Variant value) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params, nullptr,
                                  nullptr, nullptr);
    }
    com::ComPtr<IFont> font() {
        com::Variant v = get(11);
        com::ComPtr<IFont> f;
        EXPECT_EQ(v.vt, VT_DISPATCH);
        if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->QueryInterface(IID_IFont, f.putVoid());
        return f;
    }
};

TEST_F(FlatButton, ClicksFireTheirEventsAndADisabledButtonNone) {
    ASSERT_EQ(host.createAndActivate(kFlatButton, RECT{0, 0, 100, 25}), S_OK);
    auto recorder = EventRecorder::make(DIID__IAudioFlatButtonEvents);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    HWND hwnd = host.site().controlWindow();
    ASSERT_NE(hwnd, nullptr);
    auto dispids = [&] {
        std::vector<DISPID> ids;
        for (const auto& c : recorder->calls()) ids.push_back(c.dispid);
        recorder->clear();
        return ids;
    };

    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    EXPECT_EQ(GetCapture(), hwnd);
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 12));
    EXPECT_EQ(dispids(), (std::vector<DISPID>{DISPID_FLATBUTTON_MOUSEDOWN, DISPID_FLATBUTTON_MOUSECLICK,
                                              DISPID_FLATBUTTON_MOUSEUP}));
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(150, 12));
    EXPECT_EQ(dispids(), (std::vector<DISPID>{DISPID_FLATBUTTON_MOUSEDOWN, DISPID_FLATBUTTON_MOUSEUP}));

    ASSERT_EQ(put(13, com::Variant::boolean(false)), S_OK);
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 12));
    EXPECT_TRUE(dispids().empty());
    EXPECT_EQ(get(13).boolVal, VARIANT_FALSE);
    recorder->disconnect();
}

TEST_F(FlatButton, Caption) {
    ASSERT_EQ(host.create(kFlatButton), S_OK);
    EXPECT_EQ(com::view(get(12).bstrVal), u"ZembraFlatButton");
    ASSERT_EQ(put(12, com::Variant::text("Play")), S_OK);
    EXPECT_EQ(com::view(get(12).bstrVal), u"Play");
    com::Variant none;
    none.vt = VT_BSTR;
    none.bstrVal = nullptr;
    ASSERT_EQ(put(12, none), S_OK);
    com::Variant cleared = get(12);
    EXPECT_EQ(cleared.vt, VT_BSTR);
    EXPECT_EQ(cleared.bstrVal, nullptr);
}

TEST_F(FlatButton, EachReadOfTheFontIsANewObjectDescribingTheSameFont) {
    ASSERT_EQ(host.create(kFlatButton), S_OK);
    com::ComPtr<IFont> first = font(), second = font();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    for (IFont* f : {first.get(), second.get()}) {
        BSTR name = nullptr;
        ASSERT_EQ(f->get_Name(&name), S_OK);
        EXPECT_EQ(com::view(name), u"MS Sans Serif");
        SysFreeString(name);
        CY size{};
        f->get_Size(&size);
        EXPECT_EQ(size.int64, 75000);  // 10 pixels at 96 per inch: 7.5 points
        SHORT weight = 0;
        f->get_Weight(&weight);
        EXPECT_EQ(weight, FW_NORMAL);
    }
}

TEST_F(FlatButton, AFontPutByReferenceIsDrawnWithAndReadBack) {
    ASSERT_EQ(host.create(kFlatButton), S_OK);
    char16_t face[] = u"Arial";
    FONTDESC desc{sizeof(FONTDESC), face, {}, FW_BOLD, 0, FALSE, TRUE, FALSE};
    desc.cySize.int64 = 120000;
    com::ComPtr<IFontDisp> given;
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, given.putVoid()), S_OK);
    com::Variant v;
    v.vt = VT_DISPATCH;
    v.pdispVal = given.get();
    given->AddRef();
    ASSERT_EQ(putRef(11, v), S_OK);
    given.reset();  // the control keeps its own reference

    com::Variant nothing;
    nothing.vt = VT_DISPATCH;
    nothing.pdispVal = nullptr;
    ASSERT_EQ(putRef(11, nothing), S_OK);  // ignored

    com::ComPtr<IFont> now = font();
    ASSERT_TRUE(now);
    BSTR name = nullptr;
    now->get_Name(&name);
    EXPECT_EQ(com::view(name), u"Arial");
    SysFreeString(name);
    CY size{};
    now->get_Size(&size);
    EXPECT_EQ(size.int64, 120000);
    BOOL underline = FALSE;
    now->get_Underline(&underline);
    EXPECT_TRUE(underline);

    activex::testing::OffscreenDc dc(100, 25);
    RECTL bounds{0, 0, 100, 25};
    com::ComPtr<IViewObject2> view = host.site().query<IViewObject2>();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0), S_OK);
}

}  // namespace
