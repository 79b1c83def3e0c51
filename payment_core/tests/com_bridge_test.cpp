#include "payment_core/com_bridge.h"
#include "payment_core/tests/core_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace payment_core;

namespace {

constexpr CLSID kUnregistered = com::guid("{5B0E2C61-4C1B-4D2E-9A57-0E7A4F4A1C01}");
constexpr IID kEvents = com::guid("{5B0E2C61-4C1B-4D2E-9A57-0E7A4F4A1C02}");
const ControlIdentity kControl{kUnregistered, u"Sample.Control", u"sample.hlp"};

struct RaisedError {
    HRESULT hr;
    std::u16string source, description, helpFile;
    DWORD helpContext;
};

RaisedError takeError(HRESULT hr) {
    RaisedError e{hr, {}, {}, {}, 0};
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return e;
    BSTR s = nullptr;
    info->GetSource(&s);
    if (s) e.source = s;
    SysFreeString(s);
    s = nullptr;
    info->GetDescription(&s);
    if (s) e.description = s;
    SysFreeString(s);
    s = nullptr;
    info->GetHelpFile(&s);
    if (s) e.helpFile = s;
    SysFreeString(s);
    info->GetHelpContext(&e.helpContext);
    info->Release();
    return e;
}

CORE_TEST(ComBridge, ResultCodesBecomeHresultsWithTheirTexts) {
    struct Case {
        int code;
        const char* lastError;
        HRESULT hr;
        const char16_t* description;
    } cases[] = {
        {104, "Already connected.", static_cast<HRESULT>(0x800A4E89), u"Already connected."},
        {10061, "", static_cast<HRESULT>(0x800A61E6), u"[10061] Connection refused"},
        {10000, "", static_cast<HRESULT>(0x800A7531), u"[10000] (no description available)"},
        {10001, "", static_cast<HRESULT>(0x800A61AA), u"[10001] (no description available)"},
        {-1, "Unknown config setting.", static_cast<HRESULT>(0x800A4E20), u"Unknown config setting."},
        {301, "", static_cast<HRESULT>(0x800A4F4E), u"Interrupted."},
        {200, "anything", static_cast<HRESULT>(0x800A0007), u"Out of memory."},
    };
    for (const auto& c : cases) {
        CoreComponent engine;
        engine.lastError.assignCString(c.lastError);
        RaisedError e = takeError(raiseComError(engine, kControl, c.code, 22405));
        EXPECT_EQ(e.hr, c.hr) << c.code;
        EXPECT_EQ(e.description, c.description) << c.code;
        EXPECT_EQ(e.source, u"Sample.Control");
        EXPECT_EQ(e.helpContext, c.code == 200 ? 0u : 22405u) << c.code;
        EXPECT_EQ(e.helpFile, c.code == 200 ? u"" : u"sample.hlp") << c.code;
    }
    SetErrorInfo(0, nullptr);
    CoreComponent engine;
    EXPECT_EQ(raiseComError(engine, kControl, 0, 22405), S_OK);
    IErrorInfo* info = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
}

CORE_TEST(ComBridge, ATextSetForOneCodeIsNotRaisedWithAnother) {
    const char* refusedClose = "Operation would block. (To force disconnection, set Linger false).";
    struct Case {
        const char* name;
        const char* laterText;  // written afterwards without a code, or nullptr
        int raised;
        const char16_t* description;
    } cases[] = {
        {"another code", nullptr, 10054, u"[10054] Connection reset by peer"},
        {"its own code", nullptr, 10035, u"Operation would block. (To force disconnection, set Linger false)."},
        {"a newer text", "error during handshake[2]: -2146893048", 276, u"error during handshake[2]: -2146893048"},
    };
    for (const Case& c : cases) {
        CoreComponent engine;
        engine.setLastError(refusedClose, 10035);
        if (c.laterText) engine.lastError.assignCString(c.laterText);
        EXPECT_EQ(takeError(raiseComError(engine, kControl, c.raised, 0)).description, c.description) << c.name;
    }
}

CORE_TEST(ComBridge, FixedPropertyErrors) {
    RaisedError e = takeError(raiseReadOnly(kControl, 0));
    EXPECT_EQ(e.hr, static_cast<HRESULT>(0x800A017F));
    EXPECT_EQ(e.description, u"Property is read-only.");
    EXPECT_EQ(e.helpFile, u"");
    e = takeError(raiseOutOfRange(kControl, 22410));
    EXPECT_EQ(e.hr, static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(e.helpContext, 22410u);
}

CORE_TEST(ComBridge, TextsAndBytes) {
    BSTR b = nullptr;
    ASSERT_EQ(ansiToBstr(&b, "caf\xe9", 1252), S_OK);
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"caf\u00e9");
    SysFreeString(b);
    ASSERT_EQ(ansiToBstr(&b, nullptr, 1252), S_OK);
    EXPECT_EQ(SysStringLen(b), 0u);
    SysFreeString(b);
    ASSERT_EQ(ansiToBstr(&b, std::string("a\0b", 3).c_str(), 1252, 3), S_OK);
    EXPECT_EQ(SysStringLen(b), 3u);
    SysFreeString(b);
    EXPECT_EQ(ansiToBstr(nullptr, "x", 1252), E_OUTOFMEMORY);

    VARIANT v;
    bytesToVariant(reinterpret_cast<const BYTE*>("abc"), 0, &v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    bytesToVariant(reinterpret_cast<const BYTE*>("abc"), 3, &v);
    ASSERT_EQ(v.vt, VT_UI1 | VT_ARRAY);
    LONG upper = 0;
    SafeArrayGetUBound(v.parray, 1, &upper);
    EXPECT_EQ(upper, 2);
    VariantClear(&v);
}

class Source final : public IConnectionPointContainer {
public:
    Source() : point(*this, kEvents) {}
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** out) override { return com::enumConnectionPoints({&point}, out); }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        return com::findConnectionPoint({&point}, riid, out);
    }
    com::ConnectionPoint point;
};

// Records each event as text and may change the by-reference arguments.
class Client final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kEvents) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        std::u16string line = std::u16string(1, static_cast<char16_t>(u'0' + id));
        for (UINT i = p->cArgs; i-- > 0;) {
            const VARIANTARG& a = p->rgvarg[i];
            line += u"|";
            if (a.vt == (VT_BSTR | VT_BYREF)) line += std::u16string(*a.pbstrVal, SysStringLen(*a.pbstrVal));
            if (a.vt == (VT_I2 | VT_BYREF)) line += std::u16string(1, static_cast<char16_t>(u'0' + *a.piVal % 10));
            if (a.vt == (VT_BOOL | VT_BYREF)) {
                line += *a.pboolVal ? u"T" : u"F";
                if (flipAccept) *a.pboolVal = *a.pboolVal ? VARIANT_FALSE : VARIANT_TRUE;
            }
        }
        seen.push_back(line);
        return S_OK;
    }
    std::vector<std::u16string> seen;
    bool flipAccept = false;
};

CORE_TEST(ComBridge, EventsReachEveryClientAndAcceptPassesAlong) {
    Client first, second;  // outlive the source, which lets them go at its end
    Source source;
    DWORD c1 = 0, c2 = 0;
    ASSERT_EQ(source.point.Advise(&first, &c1), S_OK);
    ASSERT_EQ(source.point.Advise(&second, &c2), S_OK);
    first.flipAccept = true;
    PaymentEvents events(source.point);
    events.setCodePage(1252);

    EXPECT_EQ(events.Error(7, "bad \xe9"), S_OK);
    EXPECT_EQ(events.SSLStatus(nullptr), S_OK);
    int accept = 0;
    const char cert[] = {'D', '\0', 'R'};
    events.SSLServerAuthentication(cert, 3, "CN=s", "CN=i", "[0x0] OK", &accept);
    EXPECT_EQ(accept, 1);  // the first client's change, which the second saw and kept
    EXPECT_EQ(events.judgedCertificate(), nullptr);

    std::vector<std::u16string> expected = {u"1|7|bad \u00e9", u"3|", std::u16string(u"2|D\0R|CN=s|CN=i|[0x0] OK|F", 26)};
    EXPECT_EQ(first.seen, expected);
    expected[2] = std::u16string(u"2|D\0R|CN=s|CN=i|[0x0] OK|T", 26);
    EXPECT_EQ(second.seen, expected);
}

}  // namespace
