#include "com/errorinfo.h"
#include "com/oleauto.h"
#include "com/typeinfo.h"
#include "sample.h"
#include "win32/kernel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using com::Bstr;
using com::ComPtr;
using com::Variant;

TEST(Bstr, LengthsAndEmbeddedZeros) {
    BSTR b = SysAllocString(u"hello");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 5u);
    EXPECT_EQ(SysStringByteLen(b), 10u);
    EXPECT_EQ(b[5], 0);
    SysFreeString(b);

    BSTR z = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(z), 3u);
    EXPECT_EQ(z[2], u'b');
    SysFreeString(z);

    BSTR odd = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    EXPECT_EQ(reinterpret_cast<const char*>(odd)[3], 0);
    SysFreeString(odd);

    BSTR blank = SysAllocStringLen(nullptr, 4);
    EXPECT_EQ(SysStringLen(blank), 4u);
    SysFreeString(blank);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Bstr, ReallocFromItsOwnText) {
    BSTR b = SysAllocString(u"prefix-text");
    ASSERT_TRUE(SysReAllocString(&b, b + 7));
    EXPECT_EQ(com::view(b), u"text");
    ASSERT_TRUE(SysReAllocStringLen(&b, b, 2));
    EXPECT_EQ(com::view(b), u"te");
    ASSERT_TRUE(SysReAllocString(&b, nullptr));
    EXPECT_EQ(SysStringLen(b), 0u);
    SysFreeString(b);
}

TEST(Guid, FormatsAndParses) {
    constexpr GUID g = com::guid("{DA41C6B8-DB1F-493C-913D-700702AD715B}");
    EXPECT_EQ(com::formatGuid(g), "{DA41C6B8-DB1F-493C-913D-700702AD715B}");
    GUID parsed;
    ASSERT_TRUE(com::parseGuid("{da41c6b8-db1f-493c-913d-700702ad715b}", &parsed));
    EXPECT_EQ(parsed, g);
    for (const char* bad : {"", "DA41C6B8-DB1F-493C-913D-700702AD715B", "{DA41C6B8-DB1F-493C-913D-700702AD715X}",
                            "{DA41C6B8+DB1F-493C-913D-700702AD715B}"})
        EXPECT_FALSE(com::parseGuid(bad, &parsed)) << bad;

    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(g, text, 39), 39);
    CLSID back;
    EXPECT_EQ(CLSIDFromString(text, &back), S_OK);
    EXPECT_EQ(back, g);
    EXPECT_EQ(StringFromGUID2(g, text, 38), 0);
    EXPECT_EQ(CLSIDFromString(u"{nope}", &back), CO_E_CLASSSTRING);
}

// Counts references so tests can see that variants and arrays hold and drop them.
class Counted final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // The value property answers 42.
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != DISPID_VALUE) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    }
    ULONG refs = 1;
};

TEST(Variant, CopyAndClearOwnWhatTheyHold) {
    Counted object;
    {
        Variant a;
        a.vt = VT_DISPATCH;
        a.pdispVal = &object;
        object.AddRef();
        Variant b = a;
        EXPECT_EQ(object.refs, 3u);
        Variant text = Variant::text("abc");
        Variant copy = text;
        EXPECT_NE(copy.bstrVal, text.bstrVal);
        EXPECT_EQ(com::view(copy.bstrVal), u"abc");
        VariantClear(&text);
        EXPECT_EQ(text.vt, VT_EMPTY);
        EXPECT_EQ(com::view(copy.bstrVal), u"abc");
    }
    EXPECT_EQ(object.refs, 1u);

    Variant arr;
    arr.vt = VT_ARRAY | VT_BSTR;
    arr.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    static_cast<BSTR*>(arr.parray->pvData)[0] = SysAllocString(u"x");
    Variant arrCopy = arr;
    ASSERT_NE(arrCopy.parray, arr.parray);
    EXPECT_EQ(com::view(static_cast<BSTR*>(arrCopy.parray->pvData)[0]), u"x");
    EXPECT_NE(static_cast<BSTR*>(arrCopy.parray->pvData)[0], static_cast<BSTR*>(arr.parray->pvData)[0]);
}

TEST(Variant, CopyIndDereferences) {
    BSTR text = SysAllocString(u"ref");
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    Variant out;
    ASSERT_EQ(VariantCopyInd(&out, &ref), S_OK);
    EXPECT_EQ(out.vt, VT_BSTR);
    EXPECT_NE(out.bstrVal, text);
    EXPECT_EQ(com::view(out.bstrVal), u"ref");
    SysFreeString(text);
}

struct ChangeCase {
    Variant from;
    VARTYPE to;
    HRESULT hr;
    double expected;  // numeric reading of the result when hr is S_OK
};

double numberOf(const VARIANT& v) {
    switch (v.vt) {
        case VT_I2: return v.iVal;
        case VT_I4: return v.lVal;
        case VT_UI1: return v.bVal;
        case VT_UI4: return v.ulVal;
        case VT_R4: return v.fltVal;
        case VT_R8: return v.dblVal;
        case VT_BOOL: return v.boolVal;
        default: return NAN;
    }
}

TEST(Variant, ChangeTypeRoundsHalfToEvenAndChecksRange) {
    const ChangeCase cases[] = {
        {Variant::r8(2.5), VT_I4, S_OK, 2},
        {Variant::r8(3.5), VT_I4, S_OK, 4},
        {Variant::r8(-2.5), VT_I4, S_OK, -2},
        {Variant::r8(-3.5), VT_I2, S_OK, -4},
        {Variant::r8(2.4999), VT_I4, S_OK, 2},
        {Variant::r8(255.5), VT_UI1, DISP_E_OVERFLOW, 0},
        {Variant::r8(254.5), VT_UI1, S_OK, 254},
        {Variant::r8(-1), VT_UI4, DISP_E_OVERFLOW, 0},
        {Variant::r8(1e10), VT_I4, DISP_E_OVERFLOW, 0},
        {Variant::r8(1e300), VT_R4, DISP_E_OVERFLOW, 0},
        {Variant::i4(40000), VT_I2, DISP_E_OVERFLOW, 0},
        {Variant::i4(-32768), VT_I2, S_OK, -32768},
        {Variant::i4(5), VT_BOOL, S_OK, VARIANT_TRUE},
        {Variant::i4(0), VT_BOOL, S_OK, VARIANT_FALSE},
        {Variant::boolean(true), VT_I4, S_OK, -1},
        {Variant::boolean(true), VT_UI1, DISP_E_OVERFLOW, 0},
        {Variant::text(" 42 "), VT_I4, S_OK, 42},
        {Variant::text("2.5"), VT_I2, S_OK, 2},
        {Variant::text("1e3"), VT_R8, S_OK, 1000},
        {Variant::text("abc"), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {Variant::text(""), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {Variant::text("99999999999"), VT_I4, DISP_E_OVERFLOW, 0},
        {Variant::text("true"), VT_BOOL, S_OK, VARIANT_TRUE},
        {Variant::text("False"), VT_BOOL, S_OK, VARIANT_FALSE},
        {Variant(), VT_I4, S_OK, 0},
    };
    for (const ChangeCase& c : cases) {
        Variant out;
        HRESULT hr = VariantChangeType(&out, &c.from, 0, c.to);
        EXPECT_EQ(hr, c.hr) << "from vt " << c.from.vt << " to vt " << c.to;
        if (hr == S_OK && c.hr == S_OK) {
            EXPECT_EQ(out.vt, c.to);
            EXPECT_EQ(numberOf(out), c.expected) << "from vt " << c.from.vt << " to vt " << c.to;
        } else {
            EXPECT_EQ(out.vt, VT_EMPTY);
        }
    }
}

TEST(Variant, ChangeTypeToTextAndObjects) {
    struct {
        Variant from;
        USHORT flags;
        const char16_t* text;
    } cases[] = {
        {Variant::i4(-123), 0, u"-123"},
        {Variant::r8(0.1), 0, u"0.1"},
        {Variant::r8(2.5e20), 0, u"2.5E+20"},
        {Variant::boolean(true), VARIANT_ALPHABOOL, u"True"},
        {Variant::boolean(false), 0, u"0"},
        {Variant(), 0, u""},
    };
    for (auto& c : cases) {
        Variant out;
        ASSERT_EQ(VariantChangeType(&out, &c.from, c.flags, VT_BSTR), S_OK);
        EXPECT_EQ(com::view(out.bstrVal), c.text);
    }

    Variant null;
    null.vt = VT_NULL;
    Variant out;
    EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);

    Counted object;
    Variant disp;
    disp.vt = VT_DISPATCH;
    disp.pdispVal = &object;
    object.AddRef();
    ASSERT_EQ(VariantChangeType(&out, &disp, 0, VT_I2), S_OK);
    EXPECT_EQ(out.iVal, 42);
    EXPECT_EQ(VariantChangeType(&out, &disp, VARIANT_NOVALUEPROP, VT_I2), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(VariantChangeType(&out, &disp, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(object.refs, 3u);
    VariantClear(&out);
    VariantClear(&disp);
    EXPECT_EQ(object.refs, 1u);

    // In place: the source's text is freed once, by the conversion.
    Variant inPlace = Variant::text("17");
    ASSERT_EQ(VariantChangeType(&inPlace, &inPlace, 0, VT_I4), S_OK);
    EXPECT_EQ(inPlace.vt, VT_I4);
    EXPECT_EQ(inPlace.lVal, 17);
}

TEST(SafeArray, VectorBoundsLocksAndElements) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, 4);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(SafeArrayGetDim(a), 1u);
    LONG lo = -1, hi = -1;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(a, 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 3);
    EXPECT_EQ(SafeArrayGetUBound(a, 2, &hi), DISP_E_BADINDEX);
    VARTYPE vt;
    EXPECT_EQ(SafeArrayGetVartype(a, &vt), S_OK);
    EXPECT_EQ(vt, VT_UI1);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
    std::memcpy(data, "\x01\x02\x03\x04", 4);
    EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(a), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(a), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);

    SAFEARRAY* empty = SafeArrayCreateVector(VT_UI1, 1, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SafeArrayGetLBound(empty, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(empty, 1, &hi), S_OK);
    EXPECT_EQ(hi, lo - 1);
    EXPECT_EQ(SafeArrayDestroy(empty), S_OK);

    Counted object;
    SAFEARRAY* objects = SafeArrayCreateVector(VT_DISPATCH, 0, 1);
    static_cast<IDispatch**>(objects->pvData)[0] = &object;
    object.AddRef();
    EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
    EXPECT_EQ(object.refs, 1u);
}

TEST(ErrorInfo, PerThreadAndHandedOverOnce) {
    EXPECT_EQ(com::setErrorInfo(GUID_NULL, u"Src", u"Broken", u"h.hlp", 9), S_OK);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    Bstr source, text, file;
    DWORD context = 0;
    info->GetSource(source.put());
    info->GetDescription(text.put());
    info->GetHelpFile(file.put());
    info->GetHelpContext(&context);
    EXPECT_EQ(source.utf8(), "Src");
    EXPECT_EQ(text.utf8(), "Broken");
    EXPECT_EQ(file.utf8(), "h.hlp");
    EXPECT_EQ(context, 9u);
    ComPtr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
    EXPECT_FALSE(again);

    // An error object left behind by a thread is released with it.
    com::setErrorInfo(GUID_NULL, u"Src", u"left");
    HANDLE t = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            com::setErrorInfo(GUID_NULL, u"Other", u"thread");
            return 0;
        },
        nullptr, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    info->GetDescription(text.put());
    EXPECT_EQ(text.utf8(), "left");
}

// Calls through IDispatch the way a late-binding host does.
class Late {
public:
    explicit Late(IDispatch* d) : d_(d) {}

    DISPID id(const char16_t* name) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        last = d_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        return id;
    }
    // args in natural order; reversed here as IDispatch wants them.
    HRESULT call(DISPID id, WORD flags, std::vector<Variant> args, Variant* result = nullptr) {
        std::vector<Variant> reversed(args.rbegin(), args.rend());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        com::clearExcepInfo(&excep);
        argErr = 99;
        last = d_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argErr);
        return last;
    }
    ~Late() { com::clearExcepInfo(&excep); }

    HRESULT last = S_OK;
    EXCEPINFO excep{};
    UINT argErr = 99;

private:
    IDispatch* d_;
};

class DualInvoke : public ::testing::Test {
protected:
    DualInvoke() : object(sample::create(), false), late(object.get()) {}
    ComPtr<ISample> object;
    Late late;
};

TEST_F(DualInvoke, NamesAreCaseInsensitive) {
    EXPECT_EQ(late.id(u"value"), 1);
    EXPECT_EQ(late.id(u"ADD"), 5);
    EXPECT_EQ(late.id(u"_ontimer"), 0);
    EXPECT_EQ(late.id(u"Missing"), DISPID_UNKNOWN);
    EXPECT_EQ(late.last, DISP_E_UNKNOWNNAME);

    LPOLESTR names[] = {const_cast<LPOLESTR>(u"add"), const_cast<LPOLESTR>(u"b"), const_cast<LPOLESTR>(u"c")};
    DISPID ids[3];
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 5);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], DISPID_UNKNOWN);
}

TEST_F(DualInvoke, MethodsGetsAndPuts) {
    Variant sum;
    ASSERT_EQ(late.call(late.id(u"Add"), DISPATCH_METHOD, {Variant::i4(2), Variant::i4(40)}, &sum), S_OK);
    EXPECT_EQ(sum.vt, VT_I4);
    EXPECT_EQ(sum.lVal, 42);

    // A host that cannot tell a method from a property asks for both.
    ASSERT_EQ(late.call(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &sum), S_OK);
    EXPECT_EQ(sum.lVal, 0);

    ASSERT_EQ(late.call(1, DISPATCH_PROPERTYPUT, {Variant::i4(17)}), S_OK);
    LONG v = 0;
    object->get_Value(&v);
    EXPECT_EQ(v, 17);

    // Arguments are converted to the declared types.
    ASSERT_EQ(late.call(1, DISPATCH_PROPERTYPUT, {Variant::text("23")}), S_OK);
    ASSERT_EQ(late.call(1, DISPATCH_PROPERTYGET, {}, &sum), S_OK);
    EXPECT_EQ(sum.lVal, 23);
    ASSERT_EQ(late.call(1, DISPATCH_PROPERTYPUT, {Variant::r8(30.5)}), S_OK);
    object->get_Value(&v);
    EXPECT_EQ(v, 30);

    ASSERT_EQ(late.call(3, DISPATCH_PROPERTYPUT, {Variant::i4(5)}), S_OK);
    Variant on;
    ASSERT_EQ(late.call(3, DISPATCH_PROPERTYGET, {}, &on), S_OK);
    EXPECT_EQ(on.vt, VT_BOOL);
    EXPECT_EQ(on.boolVal, VARIANT_TRUE);

    Variant ratio;
    ASSERT_EQ(late.call(4, DISPATCH_PROPERTYGET, {}, &ratio), S_OK);
    EXPECT_EQ(ratio.vt, VT_R8);
    EXPECT_EQ(ratio.dblVal, 0.5);

    // No place for a result: it is dropped without a leak.
    EXPECT_EQ(late.call(2, DISPATCH_PROPERTYGET, {Variant::i4(1)}), S_OK);
}

TEST_F(DualInvoke, IndexedProperties) {
    Variant text;
    ASSERT_EQ(late.call(2, DISPATCH_PROPERTYGET, {Variant::i4(2)}, &text), S_OK);
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(com::view(text.bstrVal), u"two");
    ASSERT_EQ(late.call(2, DISPATCH_PROPERTYPUT, {Variant::i4(3), Variant::text("drei")}), S_OK);
    ASSERT_EQ(late.call(2, DISPATCH_PROPERTYGET, {Variant::text("3")}, &text), S_OK);
    EXPECT_EQ(com::view(text.bstrVal), u"drei");
    EXPECT_EQ(late.call(2, DISPATCH_PROPERTYGET, {Variant::i4(4)}, &text), DISP_E_EXCEPTION);
    EXPECT_EQ(late.excep.scode, DISP_E_BADINDEX);
    EXPECT_EQ(com::view(late.excep.bstrDescription), u"Invalid index.");
}

TEST_F(DualInvoke, ByReferenceArguments) {
    LONG a = 1, b = 2;
    Variant ra, rb;
    ra.vt = rb.vt = VT_BYREF | VT_I4;
    ra.plVal = &a;
    rb.plVal = &b;
    ASSERT_EQ(late.call(6, DISPATCH_METHOD, {ra, rb}), S_OK);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);

    // A reference to a variant holding the right type is written through.
    Variant inner = Variant::i4(7);
    Variant rv;
    rv.vt = VT_BYREF | VT_VARIANT;
    rv.pvarVal = &inner;
    ASSERT_EQ(late.call(6, DISPATCH_METHOD, {rv, rb}), S_OK);
    EXPECT_EQ(inner.lVal, 1);
    EXPECT_EQ(b, 7);

    // A plain value where a reference is declared works on a copy.
    Variant plain = Variant::i4(5);
    ASSERT_EQ(late.call(6, DISPATCH_METHOD, {plain, rb}), S_OK);
    EXPECT_EQ(b, 5);

    // A reference of another type cannot be written through.
    SHORT s = 3;
    Variant rs;
    rs.vt = VT_BYREF | VT_I2;
    rs.piVal = &s;
    EXPECT_EQ(late.call(6, DISPATCH_METHOD, {ra, rs}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(late.argErr, 0u);

    BSTR text = SysAllocString(u"ab");
    Variant rt;
    rt.vt = VT_BYREF | VT_BSTR;
    rt.pbstrVal = &text;
    ASSERT_EQ(late.call(7, DISPATCH_METHOD, {rt, Variant::text("cd")}), S_OK);
    EXPECT_EQ(com::view(text), u"abcd");
    SysFreeString(text);
    ASSERT_EQ(late.call(7, DISPATCH_METHOD, {Variant::text("x"), Variant::text("y")}), S_OK);
}

TEST_F(DualInvoke, Errors) {
    Variant r;
    EXPECT_EQ(late.call(99, DISPATCH_METHOD, {}, &r), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(late.call(9, DISPATCH_PROPERTYPUT, {Variant::i4(1)}), DISP_E_MEMBERNOTFOUND);  // read-only
    EXPECT_EQ(late.call(5, DISPATCH_PROPERTYGET, {}, &r), DISP_E_MEMBERNOTFOUND);             // a method
    EXPECT_EQ(late.call(5, DISPATCH_METHOD, {Variant::i4(1)}, &r), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(late.call(5, DISPATCH_METHOD, {Variant::i4(1), Variant::i4(2), Variant::i4(3)}, &r),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(late.call(2, DISPATCH_PROPERTYGET, {}, &r), DISP_E_BADPARAMCOUNT);  // index missing
    EXPECT_EQ(late.call(5, DISPATCH_METHOD, {Variant::i4(1), Variant::text("zwei")}, &r), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(late.argErr, 0u);  // the last argument sits first
    EXPECT_EQ(late.call(5, DISPATCH_METHOD, {Variant::text("eins"), Variant::i4(1)}, &r), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(late.argErr, 1u);
    EXPECT_EQ(late.call(5, DISPATCH_METHOD, {Variant::r8(1e12), Variant::i4(1)}, &r), DISP_E_OVERFLOW);
    EXPECT_EQ(r.vt, VT_EMPTY);

    // A put needs its value named DISPID_PROPERTYPUT; other calls take no named arguments.
    Variant value = Variant::i4(1);
    DISPPARAMS unnamed{&value, nullptr, 1, 0};
    EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    DISPID named = 0;
    DISPPARAMS withName{&value, &named, 1, 1};
    EXPECT_EQ(object->Invoke(9, IID_NULL, 0, DISPATCH_PROPERTYGET, &withName, &r, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(object->Invoke(9, IID_ISample, 0, DISPATCH_PROPERTYGET, &none, &r, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DualInvoke, ErrorInfoReachesTheCallersExcepInfo) {
    object->put_Value(12);
    EXPECT_EQ(late.call(1, DISPATCH_PROPERTYPUT, {Variant::i4(101)}), DISP_E_EXCEPTION);
    EXPECT_EQ(late.excep.scode, DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(late.excep.bstrSource), u"ComTest.Sample.1");
    EXPECT_EQ(com::view(late.excep.bstrDescription), u"Value is out of range.");
    EXPECT_EQ(com::view(late.excep.bstrHelpFile), u"sample.hlp");
    EXPECT_EQ(late.excep.dwHelpContext, 4711u);
    // The error object was handed over; the value is unchanged.
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);
    LONG v = 0;
    object->get_Value(&v);
    EXPECT_EQ(v, 12);

    // Without an EXCEPINFO the member's result comes back and the error object stays for the caller.
    Variant value = Variant::i4(-1);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
              DISP_E_EXCEPTION);
    ASSERT_EQ(GetErrorInfo(0, left.put()), S_OK);
    Bstr text;
    left->GetDescription(text.put());
    EXPECT_EQ(text.utf8(), "Value is out of range.");

    // A failure that sets no error object does not report a stale one.
    com::setErrorInfo(GUID_NULL, u"old", u"stale");
    Variant r;
    EXPECT_EQ(late.call(11, DISPATCH_METHOD, {Variant::i4(1), Variant::i4(2)}, &r), DISP_E_EXCEPTION);
    EXPECT_EQ(late.excep.scode, E_UNEXPECTED);
    EXPECT_EQ(late.excep.bstrDescription, nullptr);
}

TEST_F(DualInvoke, SubObjectsAndObjectArguments) {
    Variant child;
    ASSERT_EQ(late.call(late.id(u"Child"), DISPATCH_PROPERTYGET, {}, &child), S_OK);
    ASSERT_EQ(child.vt, VT_DISPATCH);
    Late inner(child.pdispVal);
    Variant sum;
    ASSERT_EQ(inner.call(inner.id(u"add"), DISPATCH_METHOD, {Variant::i4(3), Variant::i4(4)}, &sum), S_OK);
    EXPECT_EQ(sum.lVal, 7);

    ASSERT_EQ(late.call(12, DISPATCH_PROPERTYPUTREF, {child}), S_OK);
    ASSERT_EQ(late.call(11, DISPATCH_METHOD, {Variant::i4(5), Variant::i4(6)}, &sum), S_OK);
    EXPECT_EQ(sum.lVal, 11);
    Variant nothing;
    nothing.vt = VT_DISPATCH;
    ASSERT_EQ(late.call(12, DISPATCH_PROPERTYPUTREF, {nothing}), S_OK);
    EXPECT_EQ(late.call(12, DISPATCH_PROPERTYPUTREF, {Variant::i4(1)}), DISP_E_TYPEMISMATCH);
}

TEST_F(DualInvoke, TypeInformation) {
    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, IID_ISample);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(attr->cFuncs, sample::kISample.members.size());
    info->ReleaseTypeAttr(attr);

    Bstr name, doc;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "ISample");
    EXPECT_EQ(doc.utf8(), "ISample Interface");
    ASSERT_EQ(info->GetDocumentation(2, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "Item");
    EXPECT_EQ(doc.utf8(), "property Item");

    BSTR names[4] = {};
    UINT got = 0;
    ASSERT_EQ(info->GetNames(5, names, 4, &got), S_OK);
    ASSERT_EQ(got, 3u);
    EXPECT_EQ(com::view(names[0]), u"Add");
    EXPECT_EQ(com::view(names[2]), u"B");
    for (UINT i = 0; i < got; ++i) SysFreeString(names[i]);

    FUNCDESC* f = nullptr;
    ASSERT_EQ(info->GetFuncDesc(5, &f), S_OK);  // the Enabled get
    EXPECT_EQ(f->memid, 3);
    EXPECT_EQ(f->invkind, INVOKE_PROPERTYGET);
    ASSERT_EQ(f->cParams, 1);
    EXPECT_EQ(f->lprgelemdescParam[0].tdesc.vt, VT_BYREF | VT_BOOL);
    EXPECT_EQ(f->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    info->ReleaseFuncDesc(f);
    ASSERT_EQ(info->GetFuncDesc(0, &f), S_OK);
    EXPECT_TRUE(f->wFuncFlags & FUNCFLAG_FHIDDEN);
    info->ReleaseFuncDesc(f);

    // Invoke through the type information reaches the same members.
    Variant a = Variant::i4(9), b = Variant::i4(1);
    VARIANT args[2] = {b, a};
    DISPPARAMS params{args, nullptr, 2, 0};
    Variant sum;
    ASSERT_EQ(info->Invoke(static_cast<ISample*>(object.get()), 5, DISPATCH_METHOD, &params, &sum, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(sum.lVal, 10);
}

TEST(TypeLibrary, LibraryAndCoclassViews) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(com::typeLibOf(sample::kSampleLib, lib.put()), S_OK);
    EXPECT_EQ(lib->GetTypeInfoCount(), 3u);
    Bstr name, doc;
    ASSERT_EQ(lib->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "SampleLib");
    EXPECT_EQ(doc.utf8(), "Sample 1.0 Type Library");
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_SampleLib);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    lib->ReleaseTLibAttr(attr);

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_Sample, coclass.put()), S_OK);
    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(1, &ref), S_OK);
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, events.put()), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(ta->guid, DIID_ISampleEvents);
    EXPECT_EQ(ta->typekind, TKIND_DISPATCH);
    events->ReleaseTypeAttr(ta);
    ComPtr<ITypeLib> containing;
    UINT index = 99;
    ASSERT_EQ(events->GetContainingTypeLib(containing.put(), &index), S_OK);
    EXPECT_EQ(containing.get(), lib.get());
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(com::tablesOf(events.get()), &sample::kISampleEvents);
}

TEST(TypeLibrary, EnumerationConstants) {
    static const com::TypeDesc kColours = com::enumType(
        "TColour", com::guid("{6B1C2C55-0A55-4C43-9E0B-2B9C1D3E4F50}"), "colours", {{"cRed", 0}, {"cBlue", 7}});
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(com::typeInfoOf(kColours, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_ENUM);
    EXPECT_EQ(attr->cVars, 2);
    EXPECT_EQ(attr->cFuncs, 0);
    info->ReleaseTypeAttr(attr);
    VARDESC* var = nullptr;
    ASSERT_EQ(info->GetVarDesc(1, &var), S_OK);
    EXPECT_EQ(var->varkind, VAR_CONST);
    EXPECT_EQ(var->lpvarValue->vt, VT_I4);
    EXPECT_EQ(var->lpvarValue->lVal, 7);
    BSTR name = nullptr;
    UINT count = 0;
    ASSERT_EQ(info->GetNames(var->memid, &name, 1, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(com::view(name), u"cBlue");
    SysFreeString(name);
    Bstr doc;
    ASSERT_EQ(info->GetDocumentation(var->memid, doc.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(doc.utf8(), "cBlue");
    info->ReleaseVarDesc(var);
    EXPECT_EQ(info->GetVarDesc(2, &var), TYPE_E_ELEMENTNOTFOUND);
}

// A value declared with an enumeration is described as VT_USERDEFINED and leads to that type; it
// is still passed as the long it is.
TEST(TypeLibrary, ParametersOfAnEnumeratedType) {
    static const com::TypeDesc kColours = com::enumType(
        "TColour", com::guid("{6B1C2C55-0A55-4C43-9E0B-2B9C1D3E4F51}"), "colours", {{"cRed", 0}, {"cBlue", 7}});
    static const com::TypeDesc kTyped = com::dualInterface<ISample>(
        "ITyped", "typed",
        {
            com::propget<&ISample::get_Value>("Value", 1, {{"", VT_I4, PARAMFLAG_NONE, &kColours}}),
            com::propput<&ISample::put_Value>("Value", 1, {{"Value", VT_I4, PARAMFLAG_NONE, &kColours}}),
        });
    EXPECT_EQ(kTyped.members[0].params[0].vt, VT_BYREF | VT_I4);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(com::typeInfoOf(kTyped, info.put()), S_OK);
    for (UINT index : {0u, 1u}) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(index, &f), S_OK);
        const TYPEDESC type = f->lprgelemdescParam[0].tdesc;
        EXPECT_EQ(type.vt, index == 0 ? VT_BYREF | VT_USERDEFINED : VT_USERDEFINED);
        info->ReleaseFuncDesc(f);
        ComPtr<ITypeInfo> named;
        ASSERT_EQ(info->GetRefTypeInfo(type.hreftype, named.put()), S_OK);
        Bstr name;
        ASSERT_EQ(named->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(name.utf8(), "TColour");
    }
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(info->GetRefTypeInfo(1, none.put()), TYPE_E_ELEMENTNOTFOUND);
}

}  // namespace
