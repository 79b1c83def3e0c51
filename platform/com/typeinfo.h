#pragma once
// Type information kept in C++ tables, the ITypeLib/ITypeInfo views of them, their registration,
// and the generic IDispatch that drives a dual interface through per-member thunks.
//
// A library is a TypeLibDesc listing TypeDescs (coclasses, dual interfaces, dispinterfaces). A dual
// interface lists its members in vtable order (the order of declaration after IDispatch's slots);
// a property's get and put are separate members with the same dispid. Members are built with
// com::method / propget / propput / propputref from the C++ member function, which gives the
// parameter types and the thunk that calls it:
//
//   const com::TypeDesc kISample = com::dualInterface<ISample>("ISample", "ISample Interface", {
//       com::propget<&ISample::get_Value>("Value", 1, {}, "property Value"),
//       com::propput<&ISample::put_Value>("Value", 1, {{"Value"}}, "property Value"),
//       com::method<&ISample::Add>("Add", 2, {{"A"}, {"B"}}, "method Add"),  // last pointer = [retval]
//   });
//
// Parameter types follow from the C++ types (SHORT VT_I2, LONG VT_I4, ULONG VT_UI4, float VT_R4,
// double VT_R8, BSTR VT_BSTR, IDispatch* VT_DISPATCH, IUnknown* VT_UNKNOWN, VARIANT VT_VARIANT,
// SAFEARRAY* VT_ARRAY|VT_UI1, a pointer to any of them VT_BYREF|...); a ParamDesc with a vt
// overrides that, as VARIANT_BOOL (a SHORT) needs: {"Enabled", VT_BOOL}. A value of an
// enumeration names its type as well, and is described as VT_USERDEFINED referring to it:
// {"Style", VT_I4, PARAMFLAG_NONE, &kTStyle}.

#include "com/errorinfo.h"
#include "com/oleauto.h"

#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

enum TYPEKIND {
    TKIND_ENUM = 0,
    TKIND_RECORD = 1,
    TKIND_MODULE = 2,
    TKIND_INTERFACE = 3,
    TKIND_DISPATCH = 4,
    TKIND_COCLASS = 5,
    TKIND_ALIAS = 6,
    TKIND_UNION = 7,
};

enum INVOKEKIND {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};

enum FUNCKIND { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL = 1, FUNC_NONVIRTUAL = 2, FUNC_STATIC = 3, FUNC_DISPATCH = 4 };
enum SYSKIND { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 };

constexpr WORD TYPEFLAG_FAPPOBJECT = 0x1;
constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
constexpr WORD TYPEFLAG_FLICENSED = 0x4;
constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
constexpr WORD TYPEFLAG_FCONTROL = 0x20;
constexpr WORD TYPEFLAG_FDUAL = 0x40;
constexpr WORD TYPEFLAG_FNONEXTENSIBLE = 0x80;
constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
constexpr WORD TYPEFLAG_FRESTRICTED = 0x200;
constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

constexpr WORD FUNCFLAG_FRESTRICTED = 0x1;
constexpr WORD FUNCFLAG_FSOURCE = 0x2;
constexpr WORD FUNCFLAG_FBINDABLE = 0x4;
constexpr WORD FUNCFLAG_FHIDDEN = 0x40;
constexpr WORD FUNCFLAG_FUIDEFAULT = 0x200;
constexpr WORD FUNCFLAG_FNONBROWSABLE = 0x400;

constexpr USHORT PARAMFLAG_NONE = 0;
constexpr USHORT PARAMFLAG_FIN = 0x1;
constexpr USHORT PARAMFLAG_FOUT = 0x2;
constexpr USHORT PARAMFLAG_FRETVAL = 0x8;

constexpr INT IMPLTYPEFLAG_FDEFAULT = 0x1;
constexpr INT IMPLTYPEFLAG_FSOURCE = 0x2;
constexpr INT IMPLTYPEFLAG_FRESTRICTED = 0x4;

constexpr MEMBERID MEMBERID_NIL = -1;
using HREFTYPE = DWORD;

struct TYPEATTR {
    GUID guid;
    LCID lcid;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cVars;
    WORD cImplTypes;
    WORD cbSizeVft;
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

// VT_USERDEFINED (with VT_BYREF for a pointer to one) names the type through hreftype, which
// GetRefTypeInfo resolves.
struct TYPEDESC {
    VARTYPE vt;
    HREFTYPE hreftype = 0;
};
struct PARAMDESC {
    USHORT wParamFlags;
};
struct ELEMDESC {
    TYPEDESC tdesc;
    PARAMDESC paramdesc;
};

struct FUNCDESC {
    MEMBERID memid;
    FUNCKIND funckind;
    INVOKEKIND invkind;
    SHORT cParams;
    SHORT cParamsOpt;
    SHORT oVft;
    WORD wFuncFlags;
    ELEMDESC elemdescFunc;
    ELEMDESC* lprgelemdescParam;
};

enum VARKIND { VAR_PERINSTANCE = 0, VAR_STATIC = 1, VAR_CONST = 2, VAR_DISPATCH = 3 };

// A constant of an enumeration: its id, value and type.
struct VARDESC {
    MEMBERID memid;
    VARIANT* lpvarValue;
    ELEMDESC elemdescVar;
    WORD wVarFlags;
    VARKIND varkind;
};

struct TLIBATTR {
    GUID guid;
    LCID lcid;
    SYSKIND syskind;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wLibFlags;
};

struct ITypeLib;

struct ITypeInfo : IUnknown {
    virtual HRESULT GetTypeAttr(TYPEATTR** attr) = 0;
    virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** desc) = 0;
    virtual HRESULT GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) = 0;
    virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) = 0;
    virtual HRESULT GetImplTypeFlags(UINT index, INT* flags) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
    virtual HRESULT Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepInfo, UINT* argErr) = 0;
    virtual HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) = 0;
    virtual HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* attr) = 0;
    virtual void ReleaseFuncDesc(FUNCDESC* desc) = 0;
    // The constants of an enumeration (TKIND_ENUM), index 0 to cVars - 1.
    virtual HRESULT GetVarDesc(UINT index, VARDESC** desc) = 0;
    virtual void ReleaseVarDesc(VARDESC* desc) = 0;
};
COM_INTERFACE_ID(ITypeInfo, "{00020401-0000-0000-C000-000000000046}");

struct ITypeLib : IUnknown {
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR** attr) = 0;
    // index -1 documents the library itself.
    virtual HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) = 0;
    virtual void ReleaseTLibAttr(TLIBATTR* attr) = 0;
};
COM_INTERFACE_ID(ITypeLib, "{00020402-0000-0000-C000-000000000046}");

struct IProvideClassInfo : IUnknown {
    virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;
};
COM_INTERFACE_ID(IProvideClassInfo, "{B196B283-BAB4-101A-B69C-00AA00341D07}");

constexpr DWORD GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;
struct IProvideClassInfo2 : IProvideClassInfo {
    virtual HRESULT GetGUID(DWORD kind, GUID* guid) = 0;
};
COM_INTERFACE_ID(IProvideClassInfo2, "{A6BC3AC0-DBAA-11CE-9DE3-00AA004BB851}");


namespace com {

struct TypeDesc;

struct ParamDesc {
    const char* name = "";
    VARTYPE vt = VT_EMPTY;  // VT_EMPTY: taken from the C++ parameter type
    USHORT flags = PARAMFLAG_NONE;
    // An enumeration the value is declared with; vt stays the type it is passed as (VT_I4).
    const TypeDesc* userType = nullptr;
    bool oleColor = false;  // an OLE_COLOR (VT_UI4)
};

// An OLE_COLOR parameter. Hosts pass system colours (0x800000xx) as negative longs, so a VT_I4
// argument gives its 32-bit pattern as it is, where a plain VT_UI4 one would overflow.
inline ParamDesc colorParam(const char* name) { return ParamDesc{name, VT_UI4, PARAMFLAG_NONE, nullptr, true}; }

// Calls the member on self (the interface pointer) with one prepared VARIANT per declared
// parameter: in-parameters hold a value of the parameter's type, by-reference and [retval]
// parameters hold VT_BYREF pointers.
using InvokeThunk = HRESULT (*)(void* self, VARIANT* args);
using ProxySlot = void (*)();

struct MemberDesc {
    const char* name;
    DISPID dispid;
    INVOKEKIND kind;
    std::vector<ParamDesc> params;  // in declaration order, a [retval] one last
    const char* help = nullptr;
    WORD flags = 0;                 // FUNCFLAG_*
    InvokeThunk invoke = nullptr;   // none in dispinterfaces
    ProxySlot proxy = nullptr;      // the vtable slot of an inter-thread proxy

    bool hasRetval() const { return !params.empty() && (params.back().flags & PARAMFLAG_FRETVAL); }
    std::size_t inputCount() const { return params.size() - (hasRetval() ? 1 : 0); }
};

struct ImplDesc {
    const TypeDesc* type;
    INT flags;  // IMPLTYPEFLAG_*
};

// One named constant of an enumeration.
struct EnumConstant {
    const char* name;
    LONG value;
};

struct TypeDesc {
    TYPEKIND kind;
    const char* name;
    GUID guid;
    WORD flags;
    const char* help;
    std::vector<MemberDesc> members;
    std::vector<ImplDesc> implemented;          // coclasses
    const std::type_info* proxyShape = nullptr;  // dual interfaces: what a proxy claims to be
    std::vector<EnumConstant> constants;         // enumerations

    const MemberDesc* find(DISPID id, INVOKEKIND kind) const;
};

struct TypeLibDesc {
    const char* name;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    const char* help;
    std::vector<const TypeDesc*> types;
};

namespace detail {

template <class T>
struct IsInterfacePointer : std::false_type {};
template <class T>
struct IsInterfacePointer<T*> : std::is_base_of<IUnknown, T> {};

template <class T>
constexpr VARTYPE valueType() {
    if constexpr (std::is_same_v<T, BSTR>) return VT_BSTR;
    else if constexpr (std::is_same_v<T, VARIANT>) return VT_VARIANT;
    else if constexpr (std::is_same_v<T, SAFEARRAY*>) return VT_ARRAY | VT_UI1;
    else if constexpr (IsInterfacePointer<T>::value) {
        if constexpr (std::is_base_of_v<IDispatch, std::remove_pointer_t<T>>) return VT_DISPATCH;
        else return VT_UNKNOWN;
    } else if constexpr (std::is_same_v<T, SHORT>) return VT_I2;
    else if constexpr (std::is_same_v<T, USHORT>) return VT_UI2;
    else if constexpr (std::is_same_v<T, LONG>) return VT_I4;
    else if constexpr (std::is_same_v<T, ULONG>) return VT_UI4;
    else if constexpr (std::is_same_v<T, LONGLONG>) return VT_I8;
    else if constexpr (std::is_same_v<T, ULONGLONG>) return VT_UI8;
    else if constexpr (std::is_same_v<T, BYTE>) return VT_UI1;
    else if constexpr (std::is_same_v<T, CHAR>) return VT_I1;
    else if constexpr (std::is_same_v<T, FLOAT>) return VT_R4;
    else if constexpr (std::is_same_v<T, DOUBLE>) return VT_R8;
    else static_assert(sizeof(T) == 0, "no automation type for this parameter");
}

template <class T>
constexpr bool isReference() {
    return std::is_pointer_v<T> && !std::is_same_v<T, BSTR> && !std::is_same_v<T, SAFEARRAY*> &&
           !IsInterfacePointer<T>::value;
}

template <class T>
constexpr VARTYPE typeOf() {
    if constexpr (isReference<T>()) return VT_BYREF | valueType<std::remove_pointer_t<T>>();
    else return valueType<T>();
}

// What a thunk hands to the member for one prepared argument.
template <class T>
class Arg {
public:
    explicit Arg(VARIANT& v) {
        if constexpr (isReference<T>()) value_ = static_cast<T>(v.byref);
        else if constexpr (std::is_same_v<T, BSTR>) value_ = v.bstrVal;
        else if constexpr (std::is_same_v<T, SAFEARRAY*>) value_ = v.parray;
        else if constexpr (std::is_same_v<T, VARIANT>) value_ = v;
        else if constexpr (std::is_same_v<T, IUnknown*> || std::is_same_v<T, IDispatch*>) value_ = static_cast<T>(v.punkVal);
        else if constexpr (IsInterfacePointer<T>::value) {
            // Any other interface is asked for by its own IID.
            if (v.punkVal && FAILED(v.punkVal->QueryInterface(uuidof<std::remove_pointer_t<T>>(),
                                                              reinterpret_cast<void**>(&value_))))
                ok_ = false;
            owned_ = value_ != nullptr;
        } else {
            std::memcpy(&value_, &v.llVal, sizeof(T));
        }
    }
    Arg(const Arg&) = delete;
    ~Arg() {
        if constexpr (IsInterfacePointer<T>::value)
            if (owned_) value_->Release();
    }
    T get() const { return value_; }
    bool ok() const { return ok_; }

private:
    T value_{};
    bool ok_ = true;
    bool owned_ = false;
};

template <auto M>
struct Member;
template <class C, class... A, HRESULT (C::*M)(A...)>
struct Member<M> {
    using Class = C;
    static constexpr std::size_t arity = sizeof...(A);

    static std::vector<VARTYPE> types() { return {typeOf<A>()...}; }
    static std::vector<bool> references() { return {isReference<A>()...}; }

    template <std::size_t... I>
    static HRESULT call(C* self, VARIANT* args, std::index_sequence<I...>) {
        [[maybe_unused]] std::tuple<Arg<A>...> prepared(args[I]...);
        if (!(std::get<I>(prepared).ok() && ... && true)) return DISP_E_TYPEMISMATCH;
        return (self->*M)(std::get<I>(prepared).get()...);
    }
    static HRESULT invoke(void* self, VARIANT* args) {
        return call(static_cast<C*>(self), args, std::index_sequence_for<A...>{});
    }
};

// Carries a call to the apartment that owns the proxy's object (marshal.cpp).
HRESULT proxyCall(void* proxy, HRESULT (*call)(void* context, void* object), void* context);

template <auto M>
struct ProxyStub;
template <class C, class... A, HRESULT (C::*M)(A...)>
struct ProxyStub<M> {
    static HRESULT slot(void* proxy, A... args) {
        auto bound = [&](void* object) { return (static_cast<C*>(object)->*M)(args...); };
        using Bound = decltype(bound);
        return proxyCall(
            proxy, [](void* context, void* object) { return (*static_cast<Bound*>(context))(object); }, &bound);
    }
};

// A class nobody makes: its type information is what a proxy's vtable names, so that checks of the
// dynamic type see an object of the interface's type.
template <class I>
struct ProxyShape : I {};

MemberDesc makeMember(const char* name, DISPID id, INVOKEKIND kind, std::vector<ParamDesc> params, const char* help,
                      WORD flags, std::vector<VARTYPE> types, std::vector<bool> references, InvokeThunk invoke,
                      ProxySlot proxy);

template <auto M>
MemberDesc member(const char* name, DISPID id, INVOKEKIND kind, std::vector<ParamDesc> params, const char* help,
                  WORD flags) {
    using T = Member<M>;
    return makeMember(name, id, kind, std::move(params), help, flags, T::types(), T::references(), &T::invoke,
                      reinterpret_cast<ProxySlot>(&ProxyStub<M>::slot));
}

}  // namespace detail

// For a method, a last pointer parameter beyond the named ones is its [retval].
template <auto M>
MemberDesc method(const char* name, DISPID id, std::vector<ParamDesc> params = {}, const char* help = nullptr,
                  WORD flags = 0) {
    return detail::member<M>(name, id, INVOKE_FUNC, std::move(params), help, flags);
}
// A property get's last parameter is its [retval]; those before it are indexes.
template <auto M>
MemberDesc propget(const char* name, DISPID id, std::vector<ParamDesc> params = {}, const char* help = nullptr,
                   WORD flags = 0) {
    return detail::member<M>(name, id, INVOKE_PROPERTYGET, std::move(params), help, flags);
}
// A property put's last parameter is the value; those before it are indexes.
template <auto M>
MemberDesc propput(const char* name, DISPID id, std::vector<ParamDesc> params = {}, const char* help = nullptr,
                   WORD flags = 0) {
    return detail::member<M>(name, id, INVOKE_PROPERTYPUT, std::move(params), help, flags);
}
template <auto M>
MemberDesc propputref(const char* name, DISPID id, std::vector<ParamDesc> params = {}, const char* help = nullptr,
                      WORD flags = 0) {
    return detail::member<M>(name, id, INVOKE_PROPERTYPUTREF, std::move(params), help, flags);
}
// A member of a dispinterface (an event): no C++ function behind it, types as given.
MemberDesc dispMethod(const char* name, DISPID id, std::vector<ParamDesc> params = {}, const char* help = nullptr,
                      WORD flags = 0);

template <class I>
TypeDesc dualInterface(const char* name, const char* help, std::vector<MemberDesc> members,
                       WORD flags = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                                    TYPEFLAG_FDISPATCHABLE) {
    return TypeDesc{TKIND_INTERFACE, name, uuidof<I>(), flags, help, std::move(members), {},
                    &typeid(detail::ProxyShape<I>), {}};
}
TypeDesc dispInterface(const char* name, REFIID iid, const char* help, std::vector<MemberDesc> members,
                       WORD flags = TYPEFLAG_FDISPATCHABLE);
TypeDesc coClass(const char* name, REFCLSID clsid, const char* help, std::vector<ImplDesc> implemented,
                 WORD flags = TYPEFLAG_FCANCREATE);
// An enumeration: constant i has the member id kEnumConstantBase + i.
constexpr MEMBERID kEnumConstantBase = 0x40000000;
TypeDesc enumType(const char* name, REFGUID guid, const char* help, std::vector<EnumConstant> constants);

// Makes a library's tables known to this process (LoadRegTypeLib finds them by LIBID) for as long
// as the object lives; modules keep one as a static object beside their tables.
class TypeLibRegistration {
public:
    explicit TypeLibRegistration(const TypeLibDesc& lib);
    ~TypeLibRegistration();
    TypeLibRegistration(const TypeLibRegistration&) = delete;
    TypeLibRegistration& operator=(const TypeLibRegistration&) = delete;

private:
    const TypeLibDesc& lib_;
};

// The COM views of the tables. They live as long as the process (or the module holding the tables).
HRESULT typeLibOf(const TypeLibDesc& lib, ITypeLib** out);
HRESULT typeInfoOf(const TypeDesc& type, ITypeInfo** out);
// The tables behind a type information object made here, or nullptr.
const TypeDesc* tablesOf(ITypeInfo* info);

// The generic IDispatch over a dual interface's table; self is the interface pointer.
HRESULT idsOfNames(const TypeDesc& type, LPOLESTR* names, UINT count, DISPID* ids);
HRESULT invoke(const TypeDesc& type, void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* excepInfo, UINT* argErr);

// IDispatch for a class implementing the dual interface I, answered from I's table.
template <class I>
class DualDispatch : public I {
public:
    explicit DualDispatch(const TypeDesc& type) : type_(type) {}

    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_INVALIDARG;
        *count = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_INVALIDARG;
        if (index != 0) return *info = nullptr, DISP_E_BADINDEX;
        return typeInfoOf(type_, info);
    }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return idsOfNames(type_, names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return com::invoke(type_, static_cast<I*>(this), id, flags, params, result, excepInfo, argErr);
    }

protected:
    const TypeDesc& dispatchType() const { return type_; }

private:
    const TypeDesc& type_;
};

}  // namespace com

HRESULT RegisterTypeLib(ITypeLib* lib, LPCOLESTR fullPath, LPCOLESTR helpDir);
HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** out);
